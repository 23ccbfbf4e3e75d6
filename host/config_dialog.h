// The configuration dialog (dialog 101) and the About box (dialog 105): their control tables and
// their procedures, written against platform::DialogControls so that any backend can run them.
#pragma once
#include "host/settings.h"
#include "platform/dialog.h"
#include "platform/display.h"
#include <string>
#include <vector>

namespace qm {

class ScreensaverApp;

// Control ids of dialog 101.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_MODE_LIST = 1000;
constexpr int IDC_USE_DESKTOP = 1001;
constexpr int IDC_ENABLE_MUSIC = 1003;
constexpr int IDC_SHOW_TIME = 1004;
constexpr int IDC_ENABLE_SFX = 1005;
constexpr int IDC_RESTORE_DEFAULTS = 1006;
constexpr int IDC_VISIT = 1007;
constexpr int IDC_ABOUT = 1008;
constexpr int IDC_MOUSE_EXIT = 1011;
constexpr int IDC_VOLUME_LABEL = 1017;
constexpr int IDC_VOLUME = 1026;
constexpr int IDC_SHOW_FPS = 1027;
constexpr int IDC_VSYNC = 1028;
constexpr int IDC_BRIGHTNESS = 1029;
constexpr int IDC_BRIGHTNESS_LABEL = 1030;
constexpr int IDC_DEFAULT_GAMMA = 1032;
constexpr int IDC_PRODUCTS_TEXT = 1035;
constexpr int IDC_24_HOURS = 1049;
constexpr int IDC_12_HOURS = 1054;

constexpr const char* PRODUCTS_TEXT = "Visit our website for more great 3D screensavers";
constexpr const char* MAKER_WEB_SITE = "https://www.brimholt.example/screensavers/";
constexpr const char* SAVE_FAILED_TEXT = "The settings could not be saved; the previous settings are kept.";

const platform::DialogTemplate& configurationDialog();   // dialog 101
const platform::DialogTemplate& aboutBox();               // dialog 105

// What the mode list is made from: the primary display's modes in the system's order and its
// current mode.
struct ModeChoices {
    std::vector<platform::DisplayMode> listed;
    platform::DisplayMode desktop;
};
ModeChoices primaryDisplayModes();

// The entries of the mode list: modes of at least 640 x 480 and 16 bits, a mode that repeats the
// one kept just before it left out.
std::vector<std::string> modeListEntries(const std::vector<platform::DisplayMode>& modes);
std::string modeText(const platform::DisplayMode& mode);

// The procedure of dialog 101: edits the settings record in place, saves it on OK.
class ConfigDialog final : public platform::DialogProcedure {
public:
    ConfigDialog(Settings& settings, ModeChoices modes);

    bool initDialog(platform::DialogControls& controls) override;
    bool command(platform::DialogControls& controls, int id) override;
    bool trackBarMoved(platform::DialogControls& controls, int id,
                       platform::TrackNotification notification) override;

private:
    void fillModeList(platform::DialogControls& controls);
    void selectDesktopMode(platform::DialogControls& controls);
    void selectMode(platform::DialogControls& controls, const platform::DisplayMode& mode);
    void showVolume(platform::DialogControls& controls);
    void showBrightness(platform::DialogControls& controls);
    void enableVolume(platform::DialogControls& controls);
    void enableBrightness(platform::DialogControls& controls);
    void enableClockFormat(platform::DialogControls& controls);
    void toggle(platform::DialogControls& controls, int id, bool& flag);
    void confirm(platform::DialogControls& controls);
    void restoreDefaults(platform::DialogControls& controls);

    Settings& settings_;
    ModeChoices modes_;
};

// The procedure of the About box: OK and Cancel close it.
class AboutBox final : public platform::DialogProcedure {
public:
    bool initDialog(platform::DialogControls& controls) override;
    bool command(platform::DialogControls& controls, int id) override;
    bool trackBarMoved(platform::DialogControls& controls, int id,
                       platform::TrackNotification notification) override;
};

// Runs dialog 101 modally above the host window of the command line. Returns the dialog's
// result (IDOK or IDCANCEL), or platform::DIALOG_NO_DISPLAY after one line on standard error.
int showConfiguration(const ScreensaverApp& app);

} // namespace qm
