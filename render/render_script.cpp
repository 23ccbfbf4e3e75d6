#include "render/render_script.h"
#include "assets/asset_stream.h"
#include "render/frustum.h"
#include "render/script_text.h"

#include <string>

namespace qm {
namespace {

RenderScript land;
RenderScript test;

// Reads lines of one member, remembering when its end has been reached.
class ScriptLines {
public:
    explicit ScriptLines(AssetStream& stream) : stream_(stream) {}
    // False once nothing more can be read; the line delivered with the end is still given.
    bool next()
    {
        if (finished_) return false;
        finished_ = !stream_.readLine(line, RenderScript::LINE_CAPACITY);
        return true;
    }
    char line[RenderScript::LINE_CAPACITY] = {};

private:
    AssetStream& stream_;
    bool finished_ = false;
};

void appendMesh(RenderBlock& block, const std::string& name)
{
    Mesh mesh;
    mesh.load(name.c_str());
    block.meshes.push_back(mesh);
    block.meshCount = int32_t(block.meshes.size());
}

void readTechniqueLine(RenderBlock& block, const char* args)
{
    std::string name;
    if (readWord(args, name)) block.technique.load(name.c_str());
}

void readMeshLine(RenderBlock& block, const char* args)
{
    std::string name;
    if (readWord(args, name)) appendMesh(block, name);
}

void readCollectLine(RenderBlock& block, const char* args)
{
    std::string base;
    int32_t count = 0;
    if (!readWord(args, base) || !readInt(args, count) || count <= 0) return;
    if (count > RenderScript::MAX_COLLECT_COUNT) count = RenderScript::MAX_COLLECT_COUNT;
    block.meshes.reserve(block.meshes.size() + size_t(count));
    for (int32_t k = 1; k <= count; ++k) appendMesh(block, collectMeshName(base, k));
}

// Lines up to the closing "}"; an unclosed block at the end of the member is kept as read.
RenderBlock readBlock(ScriptLines& lines)
{
    RenderBlock block;
    while (lines.next()) {
        const char* line = lines.line;
        if (startsWith(line, "}")) break;
        if (startsWith(line, "technique")) readTechniqueLine(block, line + 9);
        else if (startsWith(line, "mesh")) readMeshLine(block, line + 4);
        else if (startsWith(line, "collect")) readCollectLine(block, line + 7);
    }
    return block;
}

} // namespace

std::string collectMeshName(const std::string& base, int32_t k)
{
    return base + (k < 10 ? "0" : "") + std::to_string(k);
}

void RenderScript::load(const char* memberName)
{
    AssetStream stream;
    stream.fetch(memberName);
    load(stream);
}

void RenderScript::load(AssetStream& stream)
{
    ScriptLines lines(stream);
    // The first line is a header, read and not interpreted unless it ends the script.
    if (!lines.next() || startsWith(lines.line, "end")) return;
    while (lines.next()) {
        if (startsWith(lines.line, "end")) break;
        if (startsWith(lines.line, "render")) blocks.push_back(readBlock(lines));
    }
    stream.release();
}

void RenderScript::draw() const
{
    for (const RenderBlock& block : blocks) {
        block.technique.apply();
        for (const Mesh& mesh : block.meshes)
            if (viewFrustum.boxVisible(mesh.centre, mesh.halfExtents)) glCallList(mesh.displayList);
    }
}

RenderScript& landScript() { return land; }
RenderScript& testScript() { return test; }

void resetRenderScripts()
{
    land.clear();
    test.clear();
}

} // namespace qm
