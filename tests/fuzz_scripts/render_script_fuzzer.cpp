// libFuzzer target: the render-script parser on arbitrary member bytes ("collect" counts, long
// lines, blocks without techniques), then drawing what it read against an empty frustum.
#include "assets/asset_stream.h"
#include "render/render_script.h"
#include "script_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > UINT32_MAX) return 0;
    qm::AssetStream stream;
    stream.adopt(exactCopy(data, size), uint32_t(size));
    qm::RenderScript script;
    script.load(stream);
    script.draw();
    return 0;
}
