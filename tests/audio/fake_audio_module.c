/* A stand-in audio module for the binding tests: every entry point answers "failed". Built
   twice, once complete and once without BASS_Apply3D (QM_FAKE_INCOMPLETE). */
#include <stdint.h>

#define EXPORT __attribute__((visibility("default")))

EXPORT int32_t BASS_ErrorGetCode(void) { return 42; }
EXPORT int32_t BASS_Init(int32_t d, uint32_t f, uint32_t fl, void* w, const void* g)
{
    (void)d; (void)f; (void)fl; (void)w; (void)g;
    return 0;
}
EXPORT int32_t BASS_Free(void) { return 0; }
EXPORT int32_t BASS_SetVolume(uint32_t v) { (void)v; return 0; }
EXPORT int32_t BASS_Start(void) { return 0; }
EXPORT int32_t BASS_Stop(void) { return 0; }
EXPORT int32_t BASS_GetVolume(void) { return 77; }
EXPORT uint32_t BASS_SampleLoad(int32_t m, const void* f, uint64_t o, uint32_t l, uint32_t x, uint32_t fl)
{
    (void)m; (void)f; (void)o; (void)l; (void)x; (void)fl;
    return 0;
}
EXPORT uint32_t BASS_SamplePlay3D(uint32_t s, const void* p, const void* o, const void* v)
{
    (void)s; (void)p; (void)o; (void)v;
    return 0;
}
EXPORT uint32_t BASS_SamplePlay(uint32_t s) { (void)s; return 0; }
EXPORT int32_t BASS_ChannelGetAttributes(uint32_t c, uint32_t* f, uint32_t* v, int32_t* p)
{
    (void)c; (void)f; (void)v; (void)p;
    return 0;
}
EXPORT int32_t BASS_ChannelSetAttributes(uint32_t c, int32_t f, int32_t v, int32_t p)
{
    (void)c; (void)f; (void)v; (void)p;
    return 0;
}
EXPORT int32_t BASS_ChannelSet3DPosition(uint32_t c, const void* p, const void* o, const void* v)
{
    (void)c; (void)p; (void)o; (void)v;
    return 0;
}
#ifndef QM_FAKE_INCOMPLETE
EXPORT void BASS_Apply3D(void) {}
#endif
EXPORT int32_t BASS_Set3DFactors(float d, float r, float p)
{
    (void)d; (void)r; (void)p;
    return 0;
}
