// bass.so: the program's audio module on OpenAL Soft, with OGG Vorbis samples decoded from memory
// by libvorbisfile. One device and context, one OpenAL source per playing channel, one OpenAL
// buffer per distinct sound (identical bytes loaded again share it). The listener stays at the
// origin facing ahead; 3D channels are placed relative to it. Single-threaded use, as the
// program's one thread calls it.
#define AL_ALEXT_PROTOTYPES
#include "audio/audio_module_api.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <vorbis/vorbisfile.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#define QM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr uint32_t CHANNEL_TAG = 0x80000000u;
constexpr float SPEED_OF_SOUND = 343.3f;      // metres per second
constexpr double MAX_DECODED_SECONDS = 600.0; // longer streams are refused, not decoded
constexpr uint32_t MIN_FREQUENCY = 100;
constexpr uint32_t MAX_FREQUENCY = 1000000;

// One decoded sound in an OpenAL buffer, shared by every sample loaded from the same bytes.
struct Sound {
    ALuint buffer = 0;
    uint32_t rate = 0;
    bool mono = false;
    uint64_t hash = 0;
    std::vector<uint8_t> bytes;   // the encoded data, to confirm a cache hit
};

struct Sample {
    std::shared_ptr<Sound> sound;
    uint32_t maxPlaybacks = 1;
    uint32_t flags = 0;
    bool live = false;
};

struct Channel {
    ALuint source = 0;
    uint32_t sample = 0;
    bool live = false;
    bool is3D = false;
    bool looping = false;
    bool dirty = false;           // 3D values waiting for BASS_Apply3D
    uint32_t frequency = 0;
    uint32_t volume = 100;
    int32_t pan = 0;
    QmAudioVector position{0, 0, 0};
    QmAudioVector velocity{0, 0, 0};
};

struct Module {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool loopback = false;
    std::vector<Sample> samples;      // handle = index + 1
    std::vector<Channel> channels;    // handle = CHANNEL_TAG | (index + 1)
    std::vector<std::shared_ptr<Sound>> sounds;
    float distanceFactor = 1.0f;
    float rollOff = 1.0f;
    uint32_t volume = 100;
    int32_t error = QM_AUDIO_OK;
    bool deferring = false;           // OpenAL is collecting source changes
    std::vector<float> mixBuffer;
};

Module& module()
{
    static Module m;
    return m;
}

int32_t fail(int32_t code)
{
    module().error = code;
    return 0;
}

int32_t succeed()
{
    module().error = QM_AUDIO_OK;
    return 1;
}

// Source changes are collected and handed to the mixer together: one update per source
// instead of one per property (attribute changes come every frame for every engine).
void deferChanges()
{
    if (module().deferring) return;
    alDeferUpdatesSOFT();
    module().deferring = true;
}

void commitChanges()
{
    if (!module().deferring) return;
    alProcessUpdatesSOFT();
    module().deferring = false;
}

bool ready()
{
    if (module().context) return true;
    module().error = QM_AUDIO_ERROR_INIT;
    return false;
}

uint64_t hashBytes(const uint8_t* data, size_t size)
{
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

// libvorbisfile reads the OGG data from this memory view.
struct MemoryFile {
    const uint8_t* data;
    size_t size;
    size_t position;
};

size_t readMemory(void* out, size_t size, size_t count, void* source)
{
    MemoryFile& f = *static_cast<MemoryFile*>(source);
    if (size == 0) return 0;
    size_t items = std::min(count, (f.size - f.position) / size);
    std::memcpy(out, f.data + f.position, items * size);
    f.position += items * size;
    return items;
}

int seekMemory(void* source, ogg_int64_t offset, int whence)
{
    MemoryFile& f = *static_cast<MemoryFile*>(source);
    ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? ogg_int64_t(f.position) : ogg_int64_t(f.size);
    ogg_int64_t target = base + offset;
    if (target < 0 || target > ogg_int64_t(f.size)) return -1;
    f.position = size_t(target);
    return 0;
}

long tellMemory(void* source)
{
    return long(static_cast<MemoryFile*>(source)->position);
}

// Decodes the whole stream into 16-bit frames; 3D sounds are mixed down to mono. False for data
// that is not OGG Vorbis, a stream that changes its layout midway, or one that is too long.
bool decodeVorbis(const uint8_t* data, size_t size, bool toMono, std::vector<int16_t>& pcm,
                  uint32_t& rate, int& channels)
{
    MemoryFile file{data, size, 0};
    ov_callbacks callbacks{readMemory, seekMemory, nullptr, tellMemory};
    OggVorbis_File vf;
    if (ov_open_callbacks(&file, &vf, nullptr, 0, callbacks) != 0) return false;
    const vorbis_info* info = ov_info(&vf, -1);
    bool ok = info && info->channels >= 1 && info->channels <= 2 && info->rate >= 1000 &&
              info->rate <= 192000;
    if (ok) {
        rate = uint32_t(info->rate);
        channels = info->channels;
        const size_t limit = size_t(MAX_DECODED_SECONDS * double(rate)) * size_t(channels);
        char chunk[8192];
        int section = 0;
        for (;;) {
            long got = ov_read(&vf, chunk, sizeof chunk, 0, 2, 1, &section);
            if (got == OV_HOLE) continue;
            if (got < 0) { ok = false; break; }
            if (got == 0) break;
            const vorbis_info* now = ov_info(&vf, section);
            if (!now || now->channels != channels || uint32_t(now->rate) != rate) { ok = false; break; }
            const size_t values = size_t(got) / 2;
            if (pcm.size() + values > limit) { ok = false; break; }
            const size_t at = pcm.size();
            pcm.resize(at + values);
            std::memcpy(pcm.data() + at, chunk, values * 2);
        }
        ok = ok && !pcm.empty();
    }
    ov_clear(&vf);
    if (!ok) return false;
    if (toMono && channels == 2) {
        const size_t frames = pcm.size() / 2;
        for (size_t i = 0; i < frames; ++i)
            pcm[i] = int16_t((int32_t(pcm[2 * i]) + int32_t(pcm[2 * i + 1])) / 2);
        pcm.resize(frames);
        channels = 1;
    }
    return true;
}

// The shared sound for these bytes, decoding them only the first time.
std::shared_ptr<Sound> soundFor(const uint8_t* data, size_t size, bool mono)
{
    Module& m = module();
    const uint64_t hash = hashBytes(data, size);
    for (const std::shared_ptr<Sound>& s : m.sounds)
        if (s->hash == hash && s->mono == mono && s->bytes.size() == size && std::memcmp(s->bytes.data(), data, size) == 0)
            return s;
    std::vector<int16_t> pcm;
    uint32_t rate = 0;
    int channels = 0;
    if (!decodeVorbis(data, size, mono, pcm, rate, channels)) {
        m.error = QM_AUDIO_ERROR_FORMAT;
        return nullptr;
    }
    auto sound = std::make_shared<Sound>();
    alGetError();
    alGenBuffers(1, &sound->buffer);
    alBufferData(sound->buffer, channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, pcm.data(),
                 ALsizei(pcm.size() * sizeof(int16_t)), ALsizei(rate));
    if (alGetError() != AL_NO_ERROR) {
        if (sound->buffer) alDeleteBuffers(1, &sound->buffer);
        m.error = QM_AUDIO_ERROR_MEMORY;
        return nullptr;
    }
    sound->rate = rate;
    sound->mono = channels == 1;
    sound->hash = hash;
    sound->bytes.assign(data, data + size);
    m.sounds.push_back(sound);
    return sound;
}

Sample* findSample(uint32_t handle)
{
    Module& m = module();
    if (handle == 0 || (handle & CHANNEL_TAG) || handle > m.samples.size()) return nullptr;
    Sample& s = m.samples[handle - 1];
    return s.live ? &s : nullptr;
}

Channel* findChannel(uint32_t handle)
{
    Module& m = module();
    if (!(handle & CHANNEL_TAG)) return nullptr;
    const uint32_t index = handle & ~CHANNEL_TAG;
    if (index == 0 || index > m.channels.size()) return nullptr;
    Channel& c = m.channels[index - 1];
    return c.live ? &c : nullptr;
}

void releaseChannel(Channel& c)
{
    if (c.source) {
        alSourceStop(c.source);
        alDeleteSources(1, &c.source);
    }
    c = Channel();
}

bool finished(const Channel& c)
{
    if (c.looping) return false;
    ALint state = AL_STOPPED;
    alGetSourcei(c.source, AL_SOURCE_STATE, &state);
    return state == AL_STOPPED;
}

// A 3D channel's position and velocity in metres, in OpenAL's axes (-z ahead).
void placeSource(const Channel& c, float metresPerUnit)
{
    const float f = metresPerUnit;
    alSource3f(c.source, AL_POSITION, c.position.x * f, c.position.y * f, -c.position.z * f);
    alSource3f(c.source, AL_VELOCITY, c.velocity.x * f, c.velocity.y * f, -c.velocity.z * f);
}

// Plays the sample's sound on a fresh source; finished playbacks give their place back first.
uint32_t playSample(uint32_t sampleHandle, bool positional, const QmAudioVector* position,
                    const QmAudioVector* velocity)
{
    Module& m = module();
    Sample* sample = findSample(sampleHandle);
    if (!sample) return uint32_t(fail(QM_AUDIO_ERROR_HANDLE));
    uint32_t playing = 0;
    for (Channel& c : m.channels) {
        if (!c.live || c.sample != sampleHandle) continue;
        if (finished(c)) releaseChannel(c);
        else ++playing;
    }
    if (playing >= sample->maxPlaybacks) return uint32_t(fail(QM_AUDIO_ERROR_NOCHAN));
    commitChanges();
    size_t index = 0;
    while (index < m.channels.size() && m.channels[index].live) ++index;
    if (index == m.channels.size()) m.channels.emplace_back();
    Channel& c = m.channels[index];
    alGetError();
    alGenSources(1, &c.source);
    if (alGetError() != AL_NO_ERROR) {
        c = Channel();
        return uint32_t(fail(QM_AUDIO_ERROR_NOCHAN));
    }
    c.live = true;
    c.sample = sampleHandle;
    c.is3D = positional && (sample->flags & QM_AUDIO_SAMPLE_3D);
    c.looping = (sample->flags & QM_AUDIO_SAMPLE_LOOP) != 0;
    c.frequency = sample->sound->rate;
    c.volume = 100;
    c.pan = 0;
    if (position) c.position = *position;
    if (velocity) c.velocity = *velocity;
    const ALuint s = c.source;
    alSourcei(s, AL_BUFFER, ALint(sample->sound->buffer));
    alSourcei(s, AL_LOOPING, c.looping ? AL_TRUE : AL_FALSE);
    alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(s, AL_REFERENCE_DISTANCE, 1.0f);
    alSourcef(s, AL_ROLLOFF_FACTOR, c.is3D ? m.rollOff : 0.0f);
    alSource3f(s, AL_POSITION, 0, 0, 0);
    alSource3f(s, AL_VELOCITY, 0, 0, 0);
    if (c.is3D) placeSource(c, m.distanceFactor);
    alSourcePlay(s);
    succeed();
    return CHANNEL_TAG | uint32_t(index + 1);
}

// Pan of a plain mono channel: a point on the unit circle in front of the listener.
void applyPan(const Channel& c)
{
    const Sample* sample = findSample(c.sample);
    if (c.is3D || !sample || !sample->sound->mono) return;
    const float angle = float(c.pan) / 100.0f * 1.5707963f;
    alSource3f(c.source, AL_POSITION, std::sin(angle), 0.0f, -std::cos(angle));
}

void closeDevice()
{
    Module& m = module();
    commitChanges();
    for (Channel& c : m.channels)
        if (c.live) releaseChannel(c);
    m.channels.clear();
    m.samples.clear();
    for (const std::shared_ptr<Sound>& s : m.sounds)
        if (s->buffer) alDeleteBuffers(1, &s->buffer);
    m.sounds.clear();
    if (alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context")) alcSetThreadContext(nullptr);
    alcMakeContextCurrent(nullptr);
    if (m.context) alcDestroyContext(m.context);
    if (m.device) alcCloseDevice(m.device);
    m.context = nullptr;
    m.device = nullptr;
    m.loopback = false;
    m.distanceFactor = m.rollOff = 1.0f;
    m.volume = 100;
}

bool openContext(const ALCint* attributes)
{
    Module& m = module();
    m.context = alcCreateContext(m.device, attributes);
    if (!m.context || !alcMakeContextCurrent(m.context)) {
        closeDevice();
        return false;
    }
    // Current for this thread as well: OpenAL Soft then finds it without taking its global
    // lock on every call.
    if (alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context")) alcSetThreadContext(m.context);
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alSpeedOfSound(SPEED_OF_SOUND);
    alDopplerFactor(1.0f);
    alListenerf(AL_GAIN, 1.0f);
    return true;
}

// ALSA's own error printer, silenced while the module holds the device (ALSA is loaded by
// OpenAL Soft when it probes its backends; the handler is ALSA's process-wide setting).
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler);

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void setAlsaErrorHandler(AlsaErrorHandler handler)
{
    // Only an ALSA that is loaded already or can be loaded; it stays loaded (no dlclose), as
    // OpenAL Soft keeps it too.
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) return;
    auto set = reinterpret_cast<AlsaSetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (set) set(handler);
}

// OpenAL Soft and ALSA report a missing sound card on standard error; a saver without sound is
// normal, so both stay quiet unless the user asked for OpenAL Soft's log.
void quietOpenAl()
{
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    setAlsaErrorHandler(ignoreAlsaError);
}

// ALSA gets its own printer back whenever the module lets go of the device, so nothing points
// into the module once it is unloaded (the program frees it before unloading).
void restoreAlsaErrors()
{
    setAlsaErrorHandler(nullptr);
}

// BASS_Start and BASS_Stop: the whole output resumes or pauses, where the device can.
int32_t pauseOutput(bool pause)
{
    if (!ready()) return 0;
    commitChanges();
    ALCdevice* device = module().device;
    if (alcIsExtensionPresent(device, "ALC_SOFT_pause_device")) {
        if (pause) alcDevicePauseSOFT(device);
        else alcDeviceResumeSOFT(device);
    }
    return succeed();
}

} // namespace

QM_EXPORT int32_t BASS_ErrorGetCode(void)
{
    return module().error;
}

QM_EXPORT int32_t BASS_Init(int32_t device, uint32_t frequency, uint32_t, void*, const void*)
{
    Module& m = module();
    if (m.context) return fail(QM_AUDIO_ERROR_ALREADY);
    if (device == 0 || device < -1) return fail(QM_AUDIO_ERROR_DEVICE);
    if (frequency < 8000 || frequency > 192000) return fail(QM_AUDIO_ERROR_ILLEGAL);
    quietOpenAl();
    m.device = alcOpenDevice(nullptr);
    if (!m.device) {
        restoreAlsaErrors();
        return fail(QM_AUDIO_ERROR_DEVICE);
    }
    const ALCint attributes[] = {ALC_FREQUENCY, ALCint(frequency), 0};
    if (!openContext(attributes)) {
        restoreAlsaErrors();
        return fail(QM_AUDIO_ERROR_DEVICE);
    }
    return succeed();
}

QM_EXPORT int32_t QM_InitLoopback(uint32_t frequency)
{
    Module& m = module();
    if (m.context) return fail(QM_AUDIO_ERROR_ALREADY);
    if (frequency < 8000 || frequency > 192000) return fail(QM_AUDIO_ERROR_ILLEGAL);
    setenv("ALSOFT_LOGLEVEL", "0", 0);   // no sound card is needed, none is opened
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return fail(QM_AUDIO_ERROR_DEVICE);
    m.device = alcLoopbackOpenDeviceSOFT(nullptr);
    if (!m.device) return fail(QM_AUDIO_ERROR_DEVICE);
    if (!alcIsRenderFormatSupportedSOFT(m.device, ALCsizei(frequency), ALC_STEREO_SOFT, ALC_FLOAT_SOFT)) {
        closeDevice();
        return fail(QM_AUDIO_ERROR_DEVICE);
    }
    // Float output: no dither and no limiter, so the mix is the plain sum of the sources.
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY, ALCint(frequency),
                                 ALC_HRTF_SOFT, ALC_FALSE, 0};
    if (!openContext(attributes)) return fail(QM_AUDIO_ERROR_DEVICE);
    m.loopback = true;
    return succeed();
}

QM_EXPORT int32_t QM_RenderLoopback(int16_t* out, uint32_t frames)
{
    Module& m = module();
    if (!m.context || !m.loopback || (!out && frames)) return fail(QM_AUDIO_ERROR_INIT);
    constexpr uint32_t CHUNK = 4096;
    m.mixBuffer.resize(size_t(CHUNK) * 2);
    commitChanges();
    while (frames > 0) {
        const uint32_t n = std::min(frames, CHUNK);
        alcRenderSamplesSOFT(m.device, m.mixBuffer.data(), ALCsizei(n));
        for (uint32_t i = 0; i < n * 2; ++i) {
            const float v = std::clamp(m.mixBuffer[i], -1.0f, 1.0f) * 32767.0f;
            out[i] = int16_t(std::lrint(v));
        }
        out += size_t(n) * 2;
        frames -= n;
    }
    return succeed();
}

QM_EXPORT int32_t BASS_Free(void)
{
    if (!ready()) return 0;
    closeDevice();
    restoreAlsaErrors();
    return succeed();
}

QM_EXPORT int32_t BASS_SetVolume(uint32_t volume)
{
    if (!ready()) return 0;
    if (volume > 100) return fail(QM_AUDIO_ERROR_ILLEGAL);
    commitChanges();
    module().volume = volume;
    alListenerf(AL_GAIN, float(volume) / 100.0f);
    return succeed();
}

QM_EXPORT int32_t BASS_GetVolume(void)
{
    if (!ready()) return -1;
    succeed();
    return int32_t(module().volume);
}

QM_EXPORT int32_t BASS_Start(void)
{
    return pauseOutput(false);
}

QM_EXPORT int32_t BASS_Stop(void)
{
    return pauseOutput(true);
}

QM_EXPORT uint32_t BASS_SampleLoad(int32_t memory, const void* file, uint64_t offset,
                                   uint32_t length, uint32_t maxPlaybacks, uint32_t flags)
{
    Module& m = module();
    if (!ready()) return 0;
    if (!file || maxPlaybacks < 1 || maxPlaybacks > 65535) return uint32_t(fail(QM_AUDIO_ERROR_ILLEGAL));
    std::vector<uint8_t> fromFile;
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (memory) {
        if (length == 0) return uint32_t(fail(QM_AUDIO_ERROR_ILLEGAL));
        data = static_cast<const uint8_t*>(file) + offset;
        size = length;
    } else {
        FILE* f = std::fopen(static_cast<const char*>(file), "rb");
        if (!f) return uint32_t(fail(QM_AUDIO_ERROR_FORMAT));
        bool ok = std::fseek(f, long(offset), SEEK_SET) == 0;
        uint8_t chunk[65536];
        size_t got = 0;
        while (ok && (got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
            const size_t want = length ? std::min<size_t>(got, length - fromFile.size()) : got;
            fromFile.insert(fromFile.end(), chunk, chunk + want);
            if (length && fromFile.size() >= length) break;
            if (fromFile.size() > (size_t(1) << 30)) ok = false;
        }
        std::fclose(f);
        if (!ok || fromFile.empty()) return uint32_t(fail(QM_AUDIO_ERROR_FORMAT));
        data = fromFile.data();
        size = fromFile.size();
    }
    std::shared_ptr<Sound> sound;
    try {
        sound = soundFor(data, size, (flags & QM_AUDIO_SAMPLE_3D) != 0);
    } catch (const std::bad_alloc&) {
        return uint32_t(fail(QM_AUDIO_ERROR_MEMORY));
    }
    if (!sound) return 0;
    Sample sample;
    sample.sound = std::move(sound);
    sample.maxPlaybacks = maxPlaybacks;
    sample.flags = flags;
    sample.live = true;
    m.samples.push_back(std::move(sample));
    succeed();
    return uint32_t(m.samples.size());
}

QM_EXPORT uint32_t BASS_SamplePlay(uint32_t sample)
{
    if (!ready()) return 0;
    return playSample(sample, false, nullptr, nullptr);
}

QM_EXPORT uint32_t BASS_SamplePlay3D(uint32_t sample, const QmAudioVector* position,
                                     const QmAudioVector*, const QmAudioVector* velocity)
{
    if (!ready()) return 0;
    return playSample(sample, true, position, velocity);
}

QM_EXPORT int32_t BASS_ChannelGetAttributes(uint32_t channel, uint32_t* frequency,
                                            uint32_t* volume, int32_t* pan)
{
    if (!ready()) return 0;
    const Channel* c = findChannel(channel);
    if (!c) return fail(QM_AUDIO_ERROR_HANDLE);
    if (frequency) *frequency = c->frequency;
    if (volume) *volume = c->volume;
    if (pan) *pan = c->pan;
    return succeed();
}

QM_EXPORT int32_t BASS_ChannelSetAttributes(uint32_t channel, int32_t frequency, int32_t volume,
                                            int32_t pan)
{
    if (!ready()) return 0;
    Channel* c = findChannel(channel);
    if (!c) return fail(QM_AUDIO_ERROR_HANDLE);
    if (frequency != QM_AUDIO_KEEP_FREQUENCY) {
        const Sample* sample = findSample(c->sample);
        const uint32_t f = frequency <= 0 ? sample->sound->rate
                                          : std::clamp<uint32_t>(uint32_t(frequency), MIN_FREQUENCY, MAX_FREQUENCY);
        if (f != c->frequency) {
            deferChanges();
            c->frequency = f;
            alSourcef(c->source, AL_PITCH, float(f) / float(sample->sound->rate));
        }
    }
    if (volume != QM_AUDIO_KEEP_VOLUME) {
        const uint32_t v = uint32_t(std::clamp(volume, 0, 100));
        if (v != c->volume) {
            deferChanges();
            c->volume = v;
            alSourcef(c->source, AL_GAIN, float(v) / 100.0f);
        }
    }
    if (pan != QM_AUDIO_KEEP_PAN) {
        c->pan = std::clamp(pan, -100, 100);
        deferChanges();
        applyPan(*c);
    }
    return succeed();
}

QM_EXPORT int32_t BASS_ChannelSet3DPosition(uint32_t channel, const QmAudioVector* position,
                                            const QmAudioVector*, const QmAudioVector* velocity)
{
    if (!ready()) return 0;
    Channel* c = findChannel(channel);
    if (!c) return fail(QM_AUDIO_ERROR_HANDLE);
    if (!c->is3D) return fail(QM_AUDIO_ERROR_ILLEGAL);
    if (position) c->position = *position;
    if (velocity) c->velocity = *velocity;
    c->dirty = true;
    return succeed();
}

QM_EXPORT void BASS_Apply3D(void)
{
    Module& m = module();
    if (!ready()) return;
    for (Channel& c : m.channels) {
        if (!c.live || !c.dirty) continue;
        deferChanges();
        c.dirty = false;
        placeSource(c, m.distanceFactor);
    }
    commitChanges();
    succeed();
}

QM_EXPORT int32_t BASS_Set3DFactors(float distance, float rollOff, float doppler)
{
    Module& m = module();
    if (!ready()) return 0;
    if (!std::isfinite(distance) || !std::isfinite(rollOff) || !std::isfinite(doppler))
        return fail(QM_AUDIO_ERROR_ILLEGAL);
    commitChanges();
    if (distance > 0) m.distanceFactor = distance;
    if (rollOff >= 0) m.rollOff = rollOff;
    if (doppler >= 0) alDopplerFactor(doppler);
    for (Channel& c : m.channels) {
        if (!c.live || !c.is3D) continue;
        alSourcef(c.source, AL_ROLLOFF_FACTOR, m.rollOff);
        c.dirty = true;
    }
    return succeed();
}
