#include "host/hack_options.h"
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qm {
namespace {

// Managers write options with one dash; two are accepted too.
const char* optionName(const char* arg)
{
    if (arg[0] != '-') return nullptr;
    return arg[1] == '-' ? arg + 2 : arg + 1;
}

bool isTargetWord(const char* arg)
{
    const char* name = optionName(arg);
    return name && (std::strcmp(name, "window-id") == 0 || std::strcmp(name, "root") == 0);
}

struct Switch {
    const char* name;
    std::optional<bool> HackOptions::*field;
    bool value;
};

constexpr Switch SWITCHES[] = {
    {"fps", &HackOptions::showFPS, true},
    {"no-fps", &HackOptions::showFPS, false},
    {"clock", &HackOptions::showClock, true},
    {"no-clock", &HackOptions::showClock, false},
    {"12h", &HackOptions::twelveHourClock, true},
    {"24h", &HackOptions::twelveHourClock, false},
    {"music", &HackOptions::enableMusic, true},
    {"no-music", &HackOptions::enableMusic, false},
    {"sounds", &HackOptions::enableSFX, true},
    {"no-sounds", &HackOptions::enableSFX, false},
};

bool parseVolume(const char* text, uint32_t& volume)
{
    if (!text || *text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (errno || *end || value > HACK_VOLUME_MAX) return false;
    volume = uint32_t(value);
    return true;
}

HackCommand invalid(HackCommand command, const std::string& problem)
{
    command.kind = HackCommandKind::Invalid;
    command.problem = problem;
    return command;
}

bool setSwitch(const char* name, HackOptions& options)
{
    for (const Switch& s : SWITCHES) {
        if (std::strcmp(name, s.name) != 0) continue;
        options.*s.field = s.value;
        return true;
    }
    return false;
}

} // namespace

bool parseWindowId(const char* text, uint64_t& id)
{
    if (!text || !*text || *text == '-' || *text == '+' || *text == ' ') return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex && !text[2]) return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(hex ? text + 2 : text, &end, hex ? 16 : 10);
    if (errno || *end || value == 0 || value > UINT32_MAX) return false;
    id = value;
    return true;
}

HackCommand parseHackCommand(int argc, const char* const* argv, const char* screensaverWindow)
{
    HackCommand command;
    const bool fromEnvironment = screensaverWindow && *screensaverWindow;
    bool targetWord = false;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] && std::strcmp(argv[i], "--help") == 0) {
            command.kind = HackCommandKind::Help;
            return command;
        }
        if (argv[i] && isTargetWord(argv[i])) targetWord = true;
    }
    if (!fromEnvironment && !targetWord) return command;

    command.kind = HackCommandKind::Run;
    bool haveTarget = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i] ? argv[i] : "";
        const char* name = optionName(arg);
        if (!name) return invalid(command, std::string("unexpected argument \"") + arg + "\"");
        if (std::strcmp(name, "root") == 0) {
            command.root = true;
            command.windowId = 0;
            haveTarget = true;
        } else if (std::strcmp(name, "window-id") == 0) {
            uint64_t id = 0;
            if (i + 1 >= argc || !parseWindowId(argv[i + 1], id))
                return invalid(command, "-window-id needs a window number (decimal or 0x hex)");
            command.root = false;
            command.windowId = id;
            haveTarget = true;
            ++i;
        } else if (std::strcmp(name, "volume") == 0) {
            uint32_t volume = 0;
            if (i + 1 >= argc || !parseVolume(argv[i + 1], volume))
                return invalid(command, "-volume needs a number from 0 to 100");
            command.options.volume = volume;
            ++i;
        } else if (!setSwitch(name, command.options)) {
            return invalid(command, std::string("unknown option \"") + arg + "\"");
        }
    }
    if (fromEnvironment) {
        uint64_t id = 0;
        if (!parseWindowId(screensaverWindow, id))
            return invalid(command, std::string("XSCREENSAVER_WINDOW is not a window number: \"") +
                                        screensaverWindow + "\"");
        command.root = false;
        command.windowId = id;
        haveTarget = true;
    }
    if (!haveTarget) return invalid(command, "no window to draw into");
    return command;
}

void applyHackOptions(const HackOptions& options, Settings& s)
{
    if (options.showFPS) s.showFPS = *options.showFPS;
    if (options.showClock) s.showClock = *options.showClock;
    if (options.twelveHourClock) s.timeFormat = *options.twelveHourClock;
    if (options.enableMusic) s.enableMusic = *options.enableMusic;
    if (options.enableSFX) s.enableSFX = *options.enableSFX;
    if (options.volume) s.volume = *options.volume;
}

const char* hackUsageLine()
{
    return "usage: quillmark -window-id ID | -root [-fps | -no-fps] [-clock | -no-clock] "
           "[-12h | -24h] [-music | -no-music] [-sounds | -no-sounds] [-volume 0-100]";
}

std::string helpText()
{
    std::string text =
        "Quillmark, a 3D racing screensaver.\n"
        "\n"
        "As a screensaver program:\n"
        "  quillmark /s          run the saver full-screen (also -s, /S, or any letter but c, p, t)\n"
        "  quillmark /t          the same as /s\n"
        "  quillmark /c[:N]      the configuration dialog (also with no switch at all)\n"
        "  quillmark /p N        the preview picture inside window N\n"
        "\n"
        "As an XScreenSaver hack:\n"
        "  ";
    text += hackUsageLine() + std::strlen("usage: ");
    text +=
        "\n"
        "  -window-id ID         draw into window ID (decimal or 0x hex); the window in\n"
        "                        XSCREENSAVER_WINDOW, when set, wins over -window-id and -root\n"
        "  -root                 draw on the root window (or the desktop's virtual root)\n"
        "  -fps, -no-fps         show or hide the frame rate\n"
        "  -clock, -no-clock     show or hide the clock\n"
        "  -12h, -24h            12- or 24-hour clock\n"
        "  -music, -no-music     music on or off\n"
        "  -sounds, -no-sounds   engine sounds on or off\n"
        "  -volume N             output volume, 0 to 100\n"
        "  Options may also be written with two dashes. Each overrides the settings file for this\n"
        "  run only; SIGTERM ends the run.\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/Brimholt/Quillmark.reg (~/.config/Brimholt/Quillmark.reg).\n";
    return text;
}

} // namespace qm
