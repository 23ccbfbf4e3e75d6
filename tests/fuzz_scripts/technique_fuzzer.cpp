// libFuzzer target: the technique parser on arbitrary member bytes, then applying what it read.
#include "assets/asset_stream.h"
#include "render/technique.h"
#include "script_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > UINT32_MAX) return 0;
    qm::AssetStream stream;
    stream.adopt(exactCopy(data, size), uint32_t(size));
    qm::Technique technique;
    technique.load(stream);
    technique.apply();
    return 0;
}
