#include "audio/audio_device.h"

namespace qm {
namespace {

template <typename F>
void lookUp(const platform::SharedLibrary& library, const char* name, F& entry, int& found)
{
    entry = reinterpret_cast<F>(library.symbol(name));
    if (entry) ++found;
}

} // namespace

bool AudioDevice::load(const std::string& folder)
{
    return loadFile(folder + AUDIO_MODULE_FILE);
}

bool AudioDevice::loadFile(const std::string& path)
{
    unload();
    if (!library_.load(path.c_str())) return false;
    static const char* const NAMES[AUDIO_ENTRY_POINT_COUNT] = {QM_AUDIO_ENTRY_POINT_NAMES};
    AudioEntryPoints e;
    int found = 0;
    lookUp(library_, NAMES[0], e.errorGetCode, found);
    lookUp(library_, NAMES[1], e.init, found);
    lookUp(library_, NAMES[2], e.free, found);
    lookUp(library_, NAMES[3], e.setVolume, found);
    lookUp(library_, NAMES[4], e.start, found);
    lookUp(library_, NAMES[5], e.stop, found);
    lookUp(library_, NAMES[6], e.getVolume, found);
    lookUp(library_, NAMES[7], e.sampleLoad, found);
    lookUp(library_, NAMES[8], e.samplePlay3D, found);
    lookUp(library_, NAMES[9], e.samplePlay, found);
    lookUp(library_, NAMES[10], e.channelGetAttributes, found);
    lookUp(library_, NAMES[11], e.channelSetAttributes, found);
    lookUp(library_, NAMES[12], e.channelSet3DPosition, found);
    lookUp(library_, NAMES[13], e.apply3D, found);
    lookUp(library_, NAMES[14], e.set3DFactors, found);
    // Calling a missing entry point would crash: an incomplete module is no module.
    if (found != AUDIO_ENTRY_POINT_COUNT) {
        library_.unload();
        return false;
    }
    entry_ = e;
    initLoopback_ = reinterpret_cast<QmAudioInitLoopback>(library_.symbol(QM_AUDIO_INIT_LOOPBACK_NAME));
    renderLoopback_ = reinterpret_cast<QmAudioRenderLoopback>(library_.symbol(QM_AUDIO_RENDER_LOOPBACK_NAME));
    bound_ = true;
    return true;
}

void AudioDevice::unload()
{
    library_.unload();
    entry_ = AudioEntryPoints();
    initLoopback_ = nullptr;
    renderLoopback_ = nullptr;
    bound_ = false;
}

bool AudioDevice::initLoopback(uint32_t frequency)
{
    return initLoopback_ && initLoopback_(frequency);
}

bool AudioDevice::renderLoopback(int16_t* out, uint32_t frames)
{
    return renderLoopback_ && renderLoopback_(out, frames);
}

int32_t AudioDevice::errorGetCode()
{
    return bound_ ? entry_.errorGetCode() : QM_AUDIO_ERROR_INIT;
}

bool AudioDevice::init(int32_t device, uint32_t frequency, uint32_t flags, void* window)
{
    return bound_ && entry_.init(device, frequency, flags, window, nullptr);
}

bool AudioDevice::free()
{
    return bound_ && entry_.free();
}

bool AudioDevice::setVolume(uint32_t volume)
{
    return bound_ && entry_.setVolume(volume);
}

bool AudioDevice::start()
{
    return bound_ && entry_.start();
}

bool AudioDevice::stop()
{
    return bound_ && entry_.stop();
}

int32_t AudioDevice::getVolume()
{
    return bound_ ? entry_.getVolume() : -1;
}

uint32_t AudioDevice::sampleLoad(bool memory, const void* file, uint64_t offset, uint32_t length,
                                 uint32_t maxPlaybacks, uint32_t flags)
{
    return bound_ ? entry_.sampleLoad(memory ? 1 : 0, file, offset, length, maxPlaybacks, flags) : 0;
}

uint32_t AudioDevice::samplePlay3D(uint32_t sample, const QmAudioVector* position,
                                   const QmAudioVector* orientation, const QmAudioVector* velocity)
{
    return bound_ ? entry_.samplePlay3D(sample, position, orientation, velocity) : 0;
}

uint32_t AudioDevice::samplePlay(uint32_t sample)
{
    return bound_ ? entry_.samplePlay(sample) : 0;
}

bool AudioDevice::channelGetAttributes(uint32_t channel, uint32_t* frequency, uint32_t* volume, int32_t* pan)
{
    return bound_ && entry_.channelGetAttributes(channel, frequency, volume, pan);
}

bool AudioDevice::channelSetAttributes(uint32_t channel, int32_t frequency, int32_t volume, int32_t pan)
{
    return bound_ && entry_.channelSetAttributes(channel, frequency, volume, pan);
}

bool AudioDevice::channelSet3DPosition(uint32_t channel, const QmAudioVector* position,
                                       const QmAudioVector* orientation, const QmAudioVector* velocity)
{
    return bound_ && entry_.channelSet3DPosition(channel, position, orientation, velocity);
}

void AudioDevice::apply3D()
{
    if (bound_) entry_.apply3D();
}

bool AudioDevice::set3DFactors(float distance, float rollOff, float doppler)
{
    return bound_ && entry_.set3DFactors(distance, rollOff, doppler);
}

AudioDevice& audioDevice()
{
    static AudioDevice device;
    return device;
}

void resetAudioDevice()
{
    audioDevice().unload();
}

} // namespace qm
