#include "host/config_dialog.h"
#include "host/screensaver_app.h"
#include "platform/message_box.h"
#include "resources/pictures.h"
#include <cstdio>
#include <utility>

namespace qm {
namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogControls;
using platform::NO_CONTROL_ID;

constexpr uint32_t MIN_WIDTH = 640;
constexpr uint32_t MIN_HEIGHT = 480;
constexpr uint32_t MIN_DEPTH = 16;
constexpr int MAX_LISTED_MODES = 512;
constexpr uint32_t FULL_VOLUME = 100;

// Dialog 101 as the resource lays it out (dialog units); the picture is filled in when first shown.
ControlTemplate configurationControls[] = {
    {IDOK, ControlKind::DefaultButton, "OK", 256, 197, 65, 14, nullptr},
    {IDCANCEL, ControlKind::Button, "Cancel", 331, 197, 65, 14, nullptr},
    {NO_CONTROL_ID, ControlKind::GroupBox, "Video Mode", 6, 2, 93, 89, nullptr},
    {IDC_MODE_LIST, ControlKind::DropDownList, "", 12, 23, 82, 70, nullptr},
    {IDC_USE_DESKTOP, ControlKind::CheckBox, "Use Desktop Settings", 12, 43, 81, 9, nullptr},
    {IDC_VSYNC, ControlKind::CheckBox, "VSync", 12, 57, 81, 9, nullptr},
    {NO_CONTROL_ID, ControlKind::GroupBox, "Options", 105, 2, 102, 89, nullptr},
    {IDC_SHOW_FPS, ControlKind::CheckBox, "Show FPS", 111, 23, 48, 9, nullptr},
    {IDC_MOUSE_EXIT, ControlKind::CheckBox, "Exit on Mouse move", 111, 37, 78, 9, nullptr},
    {IDC_SHOW_TIME, ControlKind::CheckBox, "Show Time", 111, 51, 51, 9, nullptr},
    {IDC_12_HOURS, ControlKind::RadioButton, "12 hrs", 126, 65, 35, 10, nullptr},
    {IDC_24_HOURS, ControlKind::RadioButton, "24 hrs", 165, 65, 35, 10, nullptr},
    {NO_CONTROL_ID, ControlKind::Picture, "", 213, 5, 177, 103, nullptr},
    {NO_CONTROL_ID, ControlKind::GroupBox, "Gamma Control", 6, 94, 201, 43, nullptr},
    {IDC_BRIGHTNESS_LABEL, ControlKind::Text, "Brightness 100%", 12, 105, 57, 8, nullptr},
    {IDC_BRIGHTNESS, ControlKind::TrackBar, "", 72, 105, 128, 12, nullptr},
    {IDC_DEFAULT_GAMMA, ControlKind::CheckBox, "Use default gamma", 12, 119, 96, 10, nullptr},
    {NO_CONTROL_ID, ControlKind::GroupBox, "Sounds", 213, 94, 188, 43, nullptr},
    {IDC_VOLUME_LABEL, ControlKind::Text, "Volume (100%)", 220, 105, 50, 8, nullptr},
    {IDC_VOLUME, ControlKind::TrackBar, "", 273, 105, 113, 12, nullptr},
    {IDC_ENABLE_MUSIC, ControlKind::CheckBox, "Enable Music", 220, 120, 62, 10, nullptr},
    {IDC_ENABLE_SFX, ControlKind::CheckBox, "Enable SFX", 309, 120, 85, 10, nullptr},
    {NO_CONTROL_ID, ControlKind::GroupBox, "Products", 6, 139, 396, 25, nullptr},
    {IDC_PRODUCTS_TEXT, ControlKind::Text, "", 12, 150, 162, 8, nullptr},
    {IDC_VISIT, ControlKind::Button, "Visit...", 256, 147, 65, 12, nullptr},
    {IDC_RESTORE_DEFAULTS, ControlKind::Button, "Restore Defaults", 6, 197, 75, 14, nullptr},
    {IDC_ABOUT, ControlKind::Button, "About...", 331, 147, 65, 12, nullptr},
};

constexpr const char* ABOUT_TEXT =
    "Quillmark\n\n"
    "3D racing screensaver\n"
    "Eighteen cars, four circuits, one sky.\n\n"
    "Copyright Brimholt";

ControlTemplate aboutControls[] = {
    {NO_CONTROL_ID, ControlKind::GroupBox, "", 5, 0, 142, 80, nullptr},
    {NO_CONTROL_ID, ControlKind::CentredText, ABOUT_TEXT, 10, 10, 134, 65, nullptr},
    {IDOK, ControlKind::DefaultButton, "OK", 52, 84, 48, 14, nullptr},
};

// The picture control and the icon take the embedded pictures, found when first asked for.
template <size_t N>
platform::DialogTemplate withPictures(const char* caption, int width, int height, ControlTemplate (&controls)[N])
{
    for (ControlTemplate& control : controls)
        if (control.kind == ControlKind::Picture) control.picture = pictureResource(BITMAP_DIALOG_PICTURE);
    return {caption, width, height, controls, int(N), pictureResource(ICON_PROGRAM)};
}

bool sameMode(const platform::DisplayMode& a, const platform::DisplayMode& b)
{
    return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel;
}

void setLabel(DialogControls& controls, int id, const char* format, long value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    controls.setText(id, text);
}

} // namespace

const platform::DialogTemplate& configurationDialog()
{
    static const platform::DialogTemplate dialog =
        withPictures("Quillmark Configuration", 406, 215, configurationControls);
    return dialog;
}

const platform::DialogTemplate& aboutBox()
{
    static const platform::DialogTemplate dialog = withPictures("About", 151, 101, aboutControls);
    return dialog;
}

ModeChoices primaryDisplayModes()
{
    ModeChoices choices;
    static platform::DisplayMode listed[MAX_LISTED_MODES];
    int count = platform::listDisplayModes(0, listed, MAX_LISTED_MODES);
    choices.listed.assign(listed, listed + count);
    platform::currentDisplayMode(0, choices.desktop);
    return choices;
}

std::string modeText(const platform::DisplayMode& mode)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d x %d %d bits", int(mode.width), int(mode.height), int(mode.bitsPerPixel));
    return text;
}

std::vector<std::string> modeListEntries(const std::vector<platform::DisplayMode>& modes)
{
    std::vector<std::string> entries;
    bool havePrevious = false;
    platform::DisplayMode previous;
    for (const platform::DisplayMode& mode : modes) {
        if (mode.width < MIN_WIDTH || mode.height < MIN_HEIGHT || mode.bitsPerPixel < MIN_DEPTH) continue;
        if (!havePrevious || !sameMode(mode, previous)) entries.push_back(modeText(mode));
        previous = mode;
        havePrevious = true;
    }
    return entries;
}

ConfigDialog::ConfigDialog(Settings& settings, ModeChoices modes) : settings_(settings), modes_(std::move(modes)) {}

void ConfigDialog::fillModeList(DialogControls& controls)
{
    for (const std::string& entry : modeListEntries(modes_.listed))
        controls.addListEntry(IDC_MODE_LIST, entry.c_str());
}

void ConfigDialog::selectMode(DialogControls& controls, const platform::DisplayMode& mode)
{
    std::string wanted = modeText(mode);
    int count = controls.listEntryCount(IDC_MODE_LIST);
    for (int i = 0; i < count; ++i) {
        if (controls.listEntryText(IDC_MODE_LIST, i) == wanted) {
            controls.selectListEntry(IDC_MODE_LIST, i);
            return;
        }
    }
}

void ConfigDialog::selectDesktopMode(DialogControls& controls)
{
    selectMode(controls, modes_.desktop);
}

void ConfigDialog::showVolume(DialogControls& controls)
{
    setLabel(controls, IDC_VOLUME_LABEL, "Volume (%ld%%)", long(settings_.volume));
}

void ConfigDialog::showBrightness(DialogControls& controls)
{
    setLabel(controls, IDC_BRIGHTNESS_LABEL, "Brightness (%ld%%)", long(settings_.gamma) + 50);
}

void ConfigDialog::enableVolume(DialogControls& controls)
{
    bool on = settings_.enableMusic || settings_.enableSFX;
    controls.enable(IDC_VOLUME, on);
    controls.enable(IDC_VOLUME_LABEL, on);
}

void ConfigDialog::enableBrightness(DialogControls& controls)
{
    controls.enable(IDC_BRIGHTNESS, !settings_.defGamma);
    controls.enable(IDC_BRIGHTNESS_LABEL, !settings_.defGamma);
}

void ConfigDialog::enableClockFormat(DialogControls& controls)
{
    controls.enable(IDC_12_HOURS, settings_.showClock);
    controls.enable(IDC_24_HOURS, settings_.showClock);
}

bool ConfigDialog::initDialog(DialogControls& controls)
{
    fillModeList(controls);
    if (settings_.useDesktop) {
        selectDesktopMode(controls);
        controls.enable(IDC_MODE_LIST, false);
    } else {
        selectMode(controls, {settings_.width, settings_.height, settings_.depth});
    }
    controls.setTicked(IDC_USE_DESKTOP, settings_.useDesktop);
    controls.setTicked(IDC_ENABLE_MUSIC, settings_.enableMusic);
    controls.setTicked(IDC_ENABLE_SFX, settings_.enableSFX);
    controls.setTicked(IDC_DEFAULT_GAMMA, settings_.defGamma);
    controls.setTicked(IDC_SHOW_TIME, settings_.showClock);
    controls.setTicked(IDC_SHOW_FPS, settings_.showFPS);
    controls.setTicked(IDC_VSYNC, settings_.vSync);
    controls.setTicked(IDC_MOUSE_EXIT, settings_.mouseExit);
    controls.setTicked(settings_.timeFormat ? IDC_12_HOURS : IDC_24_HOURS, true);

    showVolume(controls);
    controls.setTrackRange(IDC_VOLUME, 1, 100);
    controls.setTrackPosition(IDC_VOLUME, int(settings_.volume));
    enableVolume(controls);

    showBrightness(controls);
    controls.setTrackRange(IDC_BRIGHTNESS, 0, 100);
    controls.setTrackPosition(IDC_BRIGHTNESS, int(settings_.gamma));
    enableBrightness(controls);

    enableClockFormat(controls);
    controls.setText(IDC_PRODUCTS_TEXT, PRODUCTS_TEXT);
    return true;
}

void ConfigDialog::toggle(DialogControls& controls, int id, bool& flag)
{
    flag = !flag;
    controls.setTicked(id, flag);
}

// Width, height and depth come from the selected entry; a failed save keeps the old file and says so.
void ConfigDialog::confirm(DialogControls& controls)
{
    int selected = controls.selectedListEntry(IDC_MODE_LIST);
    if (selected >= 0) {
        std::string text = controls.listEntryText(IDC_MODE_LIST, selected);
        int fields[3] = {int(settings_.width), int(settings_.height), int(settings_.depth)};
        std::sscanf(text.c_str(), "%d x %d %d bits", &fields[0], &fields[1], &fields[2]);
        settings_.width = uint32_t(fields[0]);
        settings_.height = uint32_t(fields[1]);
        settings_.depth = uint32_t(fields[2]);
    }
    settings_.timeFormat = controls.isTicked(IDC_12_HOURS);
    settings_.english = false;
    if (!settings_.save()) platform::messageBox(SAVE_FAILED_TEXT, "Quillmark Configuration");
    controls.endDialog(IDOK);
}

void ConfigDialog::restoreDefaults(DialogControls& controls)
{
    selectDesktopMode(controls);
    controls.enable(IDC_MODE_LIST, false);
    settings_.useDesktop = true;
    controls.setTicked(IDC_USE_DESKTOP, true);
    settings_.enableMusic = true;
    controls.setTicked(IDC_ENABLE_MUSIC, true);
    settings_.volume = FULL_VOLUME;
    settings_.gamma = NEUTRAL_GAMMA;
    showVolume(controls);
    showBrightness(controls);
    enableVolume(controls);   // music is on now
    controls.setTrackPosition(IDC_VOLUME, int(FULL_VOLUME));
    controls.setTrackPosition(IDC_BRIGHTNESS, int(NEUTRAL_GAMMA));
    settings_.showClock = true;
    controls.setTicked(IDC_SHOW_TIME, true);
    enableClockFormat(controls);
    settings_.showFPS = settings_.vSync = settings_.mouseExit = false;
    controls.setTicked(IDC_SHOW_FPS, false);
    controls.setTicked(IDC_VSYNC, false);
    controls.setTicked(IDC_MOUSE_EXIT, false);
    settings_.random = false;
    settings_.defGamma = true;
    controls.setTicked(IDC_DEFAULT_GAMMA, true);
    enableBrightness(controls);
}

bool ConfigDialog::command(DialogControls& controls, int id)
{
    switch (id) {
    case IDOK: confirm(controls); return true;
    case IDCANCEL: controls.endDialog(IDCANCEL); return true;
    case IDC_USE_DESKTOP:
        toggle(controls, id, settings_.useDesktop);
        controls.enable(IDC_MODE_LIST, !settings_.useDesktop);
        if (settings_.useDesktop) selectDesktopMode(controls);
        return true;
    case IDC_ENABLE_MUSIC:
    case IDC_ENABLE_SFX:
        toggle(controls, id, id == IDC_ENABLE_MUSIC ? settings_.enableMusic : settings_.enableSFX);
        enableVolume(controls);
        return true;
    case IDC_SHOW_TIME:
        toggle(controls, id, settings_.showClock);
        enableClockFormat(controls);
        return true;
    case IDC_MOUSE_EXIT: toggle(controls, id, settings_.mouseExit); return true;
    case IDC_SHOW_FPS: toggle(controls, id, settings_.showFPS); return true;
    case IDC_VSYNC: toggle(controls, id, settings_.vSync); return true;
    case IDC_DEFAULT_GAMMA:
        toggle(controls, id, settings_.defGamma);
        settings_.gamma = NEUTRAL_GAMMA;
        controls.setTrackPosition(IDC_BRIGHTNESS, int(NEUTRAL_GAMMA));
        showBrightness(controls);
        enableBrightness(controls);
        return true;
    case IDC_RESTORE_DEFAULTS: restoreDefaults(controls); return true;
    case IDC_VISIT: platform::openWebPage(MAKER_WEB_SITE); return true;
    case IDC_ABOUT: {
        AboutBox about;
        controls.runOwnedDialog(aboutBox(), about);
        return true;
    }
    default: return false;
    }
}

// Only a drag or a page step changes the settings; arrow keys, Home and End move the thumb alone.
bool ConfigDialog::trackBarMoved(DialogControls& controls, int, platform::TrackNotification notification)
{
    using platform::TrackNotification;
    if (notification != TrackNotification::PageUp && notification != TrackNotification::PageDown &&
        notification != TrackNotification::ThumbTrack)
        return true;
    settings_.volume = uint32_t(controls.trackPosition(IDC_VOLUME));
    showVolume(controls);
    settings_.gamma = uint32_t(controls.trackPosition(IDC_BRIGHTNESS));
    showBrightness(controls);
    settings_.detail = 0;
    return true;
}

bool AboutBox::initDialog(DialogControls&)
{
    return true;
}

bool AboutBox::command(DialogControls& controls, int id)
{
    if (id != IDOK && id != IDCANCEL) return false;
    controls.endDialog(id);
    return true;
}

bool AboutBox::trackBarMoved(DialogControls&, int, platform::TrackNotification)
{
    return false;
}

int showConfiguration(const ScreensaverApp& app)
{
    ConfigDialog dialog(settings(), primaryDisplayModes());
    int result = platform::runDialog(configurationDialog(), dialog, app.hostWindow);
    if (result == platform::DIALOG_NO_DISPLAY)
        std::fprintf(stderr, "quillmark: no display to show the configuration dialog on (%s)\n",
                     platform::dialogError());
    return result;
}

} // namespace qm
