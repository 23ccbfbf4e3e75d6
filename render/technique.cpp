#include "render/technique.h"
#include "assets/asset_stream.h"
#include "render/render_state.h"
#include "render/script_text.h"

#include <string>

namespace qm {
namespace {

constexpr float ALPHA_TEST_REFERENCE = 0.4f;

void setBlendMode(Technique& t, int32_t mode)
{
    t.blendMode = mode;
    t.blended = true;
}

// "texture %d %s": only units 0 and 1 exist; a line naming another unit, or missing its
// number or name, is ignored.
void readTextureLine(Technique& t, const char* args)
{
    int32_t unit = 0;
    std::string name;
    if (!readInt(args, unit) || !readWord(args, name) || unit < 0 || unit > 1) return;
    t.textured = true;
    t.textures[unit].load(name.c_str());
    if (unit > 0) t.dualTexture = true;
}

void readPassLine(Technique& t, const char* args)
{
    int32_t pass = 0;
    if (!readInt(args, pass)) return;
    if (pass <= 0) t.firstPass = true;
    else t.depthWrite = false;
}

void readTiledLine(Technique& t, const char* args)
{
    int32_t factor = 0;
    if (!readInt(args, factor)) return;
    t.tiled = true;
    t.tileCount = factor;
}

void applyBlendFunction(int32_t mode)
{
    if (mode == Technique::BLEND_ALPHA) blendAlpha();
    else if (mode == Technique::BLEND_ADDITIVE) blendAdditive();
    else if (mode == Technique::BLEND_MULTIPLY) glBlendFunc(GL_DST_COLOR, GL_ZERO);
}

// Step 9: unit 0, and unit 1 modulating it; unit 1 then stays selected.
void applyTextures(const Technique& t)
{
    if (!t.textured) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    t.textures[0].bind();
    if (!t.dualTexture) return;
    enableTextureUnit(1);
    resetTextureMatrix();
    t.textures[1].bind();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void applyAlphaTest(bool on)
{
    if (!on) {
        glDisable(GL_ALPHA_TEST);
        return;
    }
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, ALPHA_TEST_REFERENCE);
}

} // namespace

void Technique::applyLine(const char* line)
{
    if (startsWith(line, "alphablend")) setBlendMode(*this, BLEND_ALPHA);
    else if (startsWith(line, "addblend")) setBlendMode(*this, BLEND_ADDITIVE);
    else if (startsWith(line, "multblend")) setBlendMode(*this, BLEND_MULTIPLY);
    else if (startsWith(line, "texture")) readTextureLine(*this, line + 7);
    else if (startsWith(line, "pass")) readPassLine(*this, line + 4);
    else if (startsWith(line, "2sided")) twoSided = true;
    else if (startsWith(line, "lighted")) lighted = true;
    else if (startsWith(line, "alpha test")) alphaTest = true;
    else if (startsWith(line, "tiled")) readTiledLine(*this, line + 5);
    else if (startsWith(line, "depth test")) depthTest = false;
    else if (startsWith(line, "depth write")) depthWrite = false;
}

void Technique::load(const char* name)
{
    AssetStream stream;
    stream.fetch((std::string("technique\\") + name).c_str());
    load(stream);
}

void Technique::load(AssetStream& stream)
{
    char line[LINE_CAPACITY];
    for (;;) {
        const bool more = stream.readLine(line, LINE_CAPACITY);
        if (startsWith(line, "end")) break;
        applyLine(line);
        if (!more) break;
    }
    stream.release();
}

void Technique::apply() const
{
    setLighting(lighted);
    setBlend(blended);
    applyBlendFunction(blendMode);
    resetTextureUnits();
    resetTextureMatrix();
    colorWhite();
    if (tiled) {
        selectMatrixMode(0);
        scaleUniform(float(tileCount));
        selectMatrixMode(1);
    }
    setCullFace(!twoSided);
    applyTextures(*this);
    setDepthTest(depthTest);
    setDepthWrite(depthWrite);
    applyAlphaTest(alphaTest);
    glDepthFunc(firstPass ? GL_LESS : GL_LEQUAL);
}

} // namespace qm
