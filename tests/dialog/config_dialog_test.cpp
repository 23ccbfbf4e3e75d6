// The configuration dialog's procedure on plain control records: what each command, track-bar
// notification and OK does to the controls, the settings record and the settings file.
#include "host/config_dialog.h"
#include "platform/registry_store.h"
#include "tests/dialog/control_board.h"
#include "tests/support/config_home.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_files.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <map>

namespace qm {
namespace {

using platform::DisplayMode;
using platform::TrackNotification;
using test::ControlBoard;

const DisplayMode DESKTOP{1024, 768, 32};

// A display that lists 800 x 600 at 16 bits twice in a row (two refresh rates), modes below the
// minimum, and its own mode.
ModeChoices displayModes()
{
    return {{{1280, 1024, 32}, {1024, 768, 32}, {1024, 768, 16}, {800, 600, 32}, {800, 600, 16},
             {800, 600, 16}, {640, 480, 32}, {640, 480, 8}, {512, 384, 32}},
            DESKTOP};
}

const std::vector<std::string> LISTED = {"1280 x 1024 32 bits", "1024 x 768 32 bits", "1024 x 768 16 bits",
                                         "800 x 600 32 bits",   "800 x 600 16 bits",  "640 x 480 32 bits"};

// A record whose every field differs from what Restore Defaults gives.
Settings unusualSettings()
{
    Settings s;
    s.showClock = false;
    s.timeFormat = true;
    s.english = true;
    s.random = true;
    s.enableMusic = false;
    s.enableSFX = false;
    s.useDesktop = false;
    s.showFlame = true;
    s.defGamma = false;
    s.width = 800;
    s.height = 600;
    s.depth = 16;
    s.volume = 30;
    s.gamma = 80;
    s.detail = 7;
    s.showFPS = true;
    s.vSync = true;
    s.mouseExit = true;
    return s;
}

std::map<std::string, uint32_t> storedValues()
{
    platform::RegistryKey key;
    key.open("Software\\Brimholt\\Quillmark");
    std::map<std::string, uint32_t> values;
    for (const char* name : {"ShowClock", "TimeFormat", "English", "Random", "EnableMusic", "EnableSFX",
                             "UseDesktop", "ShowFlame", "DefGamma", "Width", "Height", "Depth", "Volume",
                             "Gamma", "Detail", "ShowFPS", "VSync", "MouseExit"}) {
        uint32_t value = 0, size = 4;
        platform::RegistryType type;
        if (key.query(name, &value, &size, &type) == platform::RegistryResult::Ok) values[name] = value;
    }
    key.close();
    return values;
}

class ConfigDialogTest : public ::testing::Test {
protected:
    void open(const Settings& start)
    {
        record = start;
        dialog = std::make_unique<ConfigDialog>(record, displayModes());
        board.open(*dialog);
    }
    const ControlBoard::Control& control(int id) const { return board.control(id); }
    std::string selectedMode() const
    {
        return board.listEntryText(IDC_MODE_LIST, board.selectedListEntry(IDC_MODE_LIST));
    }

    test::ConfigHome home;
    Settings record;
    std::unique_ptr<ConfigDialog> dialog;
    ControlBoard board{configurationDialog()};
};

TEST(ModeList, KeepsUsableModesOnceEachInTheSystemsOrder)
{
    EXPECT_EQ(modeListEntries(displayModes().listed), LISTED);

    struct Case {
        const char* what;
        std::vector<DisplayMode> modes;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"a repeat after a dropped mode is still a repeat",
         {{800, 600, 16}, {320, 200, 16}, {800, 600, 16}}, {"800 x 600 16 bits"}},
        {"the same mode apart from another one appears twice",
         {{800, 600, 16}, {640, 480, 16}, {800, 600, 16}},
         {"800 x 600 16 bits", "640 x 480 16 bits", "800 x 600 16 bits"}},
        {"the minimum itself is kept", {{640, 480, 16}}, {"640 x 480 16 bits"}},
        {"too narrow, too low or too few bits", {{639, 480, 32}, {640, 479, 32}, {640, 480, 15}}, {}},
        {"nothing listed", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(modeListEntries(c.modes), c.entries) << c.what;
}

TEST_F(ConfigDialogTest, OpensWithTheDesktopModeWhenUseDesktopIsOn)
{
    Settings start = unusualSettings();
    start.useDesktop = true;
    open(start);
    EXPECT_EQ(control(IDC_MODE_LIST).entries, LISTED);
    EXPECT_EQ(selectedMode(), "1024 x 768 32 bits");
    EXPECT_FALSE(control(IDC_MODE_LIST).enabled);
    EXPECT_TRUE(control(IDC_USE_DESKTOP).ticked);
    EXPECT_TRUE(control(IDC_SHOW_FPS).ticked);
    EXPECT_TRUE(control(IDC_VSYNC).ticked);
    EXPECT_TRUE(control(IDC_MOUSE_EXIT).ticked);
    EXPECT_FALSE(control(IDC_SHOW_TIME).ticked);
    EXPECT_FALSE(control(IDC_ENABLE_MUSIC).ticked);
    EXPECT_FALSE(control(IDC_ENABLE_SFX).ticked);
    EXPECT_FALSE(control(IDC_DEFAULT_GAMMA).ticked);
    EXPECT_TRUE(control(IDC_12_HOURS).ticked);
    EXPECT_FALSE(control(IDC_24_HOURS).ticked);
    EXPECT_FALSE(control(IDC_12_HOURS).enabled) << "the clock is off";
    EXPECT_FALSE(control(IDC_24_HOURS).enabled);
    EXPECT_EQ(control(IDC_VOLUME_LABEL).text, "Volume (30%)");
    EXPECT_EQ(control(IDC_VOLUME).minimum, 1);
    EXPECT_EQ(control(IDC_VOLUME).maximum, 100);
    EXPECT_EQ(control(IDC_VOLUME).position, 30);
    EXPECT_FALSE(control(IDC_VOLUME).enabled) << "music and sounds are off";
    EXPECT_FALSE(control(IDC_VOLUME_LABEL).enabled);
    EXPECT_EQ(control(IDC_BRIGHTNESS_LABEL).text, "Brightness (130%)");
    EXPECT_EQ(control(IDC_BRIGHTNESS).minimum, 0);
    EXPECT_EQ(control(IDC_BRIGHTNESS).maximum, 100);
    EXPECT_EQ(control(IDC_BRIGHTNESS).position, 80);
    EXPECT_TRUE(control(IDC_BRIGHTNESS).enabled);
    EXPECT_EQ(control(IDC_PRODUCTS_TEXT).text, "Visit our website for more great 3D screensavers");
}

TEST_F(ConfigDialogTest, OpensWithTheStoredModeOrNoneWhenItIsNotListed)
{
    open(unusualSettings());
    EXPECT_EQ(selectedMode(), "800 x 600 16 bits");
    EXPECT_TRUE(control(IDC_MODE_LIST).enabled);

    ControlBoard other(configurationDialog());
    Settings start = unusualSettings();
    start.width = 1152;
    start.height = 864;
    ConfigDialog unlisted(start, displayModes());
    other.open(unlisted);
    EXPECT_EQ(other.selectedListEntry(IDC_MODE_LIST), -1);
    EXPECT_TRUE(other.control(IDC_MODE_LIST).enabled);
}

TEST_F(ConfigDialogTest, UseDesktopSettingsTogglesTheList)
{
    Settings start = unusualSettings();
    start.useDesktop = true;
    open(start);
    board.click(IDC_USE_DESKTOP);
    EXPECT_FALSE(record.useDesktop);
    EXPECT_FALSE(control(IDC_USE_DESKTOP).ticked);
    EXPECT_TRUE(control(IDC_MODE_LIST).enabled);
    EXPECT_EQ(selectedMode(), "1024 x 768 32 bits") << "switching off keeps the selection";

    board.pick(IDC_MODE_LIST, 4);
    board.click(IDC_USE_DESKTOP);
    EXPECT_TRUE(record.useDesktop);
    EXPECT_TRUE(control(IDC_USE_DESKTOP).ticked);
    EXPECT_FALSE(control(IDC_MODE_LIST).enabled);
    EXPECT_EQ(selectedMode(), "1024 x 768 32 bits") << "switching on selects the desktop's mode";
}

TEST_F(ConfigDialogTest, UseDefaultGammaResetsTheBrightnessEitherWay)
{
    open(unusualSettings());
    board.click(IDC_DEFAULT_GAMMA);
    EXPECT_TRUE(record.defGamma);
    EXPECT_TRUE(control(IDC_DEFAULT_GAMMA).ticked);
    EXPECT_EQ(record.gamma, 50u);
    EXPECT_EQ(control(IDC_BRIGHTNESS).position, 50);
    EXPECT_EQ(control(IDC_BRIGHTNESS_LABEL).text, "Brightness (100%)");
    EXPECT_FALSE(control(IDC_BRIGHTNESS).enabled);
    EXPECT_FALSE(control(IDC_BRIGHTNESS_LABEL).enabled);

    board.moveTrack(IDC_BRIGHTNESS, 90, TrackNotification::ThumbTrack);   // as if it could be dragged
    board.click(IDC_DEFAULT_GAMMA);
    EXPECT_FALSE(record.defGamma);
    EXPECT_EQ(record.gamma, 50u);
    EXPECT_EQ(control(IDC_BRIGHTNESS).position, 50);
    EXPECT_EQ(control(IDC_BRIGHTNESS_LABEL).text, "Brightness (100%)");
    EXPECT_TRUE(control(IDC_BRIGHTNESS).enabled);
    EXPECT_TRUE(control(IDC_BRIGHTNESS_LABEL).enabled);
}

TEST_F(ConfigDialogTest, OnlyDragsAndPageStepsChangeTheSettings)
{
    struct Case {
        TrackNotification notification;
        bool changes;
    };
    const Case cases[] = {
        {TrackNotification::ThumbTrack, true},   {TrackNotification::PageUp, true},
        {TrackNotification::PageDown, true},     {TrackNotification::LineUp, false},
        {TrackNotification::LineDown, false},    {TrackNotification::Top, false},
        {TrackNotification::Bottom, false},      {TrackNotification::ThumbPosition, false},
        {TrackNotification::EndTrack, false},
    };
    for (const Case& c : cases) {
        ControlBoard fresh(configurationDialog());
        Settings s = unusualSettings();
        s.enableMusic = true;
        ConfigDialog procedure(s, displayModes());
        fresh.open(procedure);
        fresh.moveTrack(IDC_VOLUME, 64, c.notification);
        fresh.moveTrack(IDC_BRIGHTNESS, 10, c.notification);
        SCOPED_TRACE(int(c.notification));
        EXPECT_EQ(s.volume, c.changes ? 64u : 30u);
        EXPECT_EQ(s.gamma, c.changes ? 10u : 80u);
        EXPECT_EQ(s.detail, c.changes ? 0u : 7u);
        EXPECT_EQ(fresh.control(IDC_VOLUME_LABEL).text, c.changes ? "Volume (64%)" : "Volume (30%)");
        EXPECT_EQ(fresh.control(IDC_BRIGHTNESS_LABEL).text, c.changes ? "Brightness (60%)" : "Brightness (130%)");
    }
}

TEST_F(ConfigDialogTest, BrightnessLabelAtBothEnds)
{
    open(unusualSettings());
    board.moveTrack(IDC_BRIGHTNESS, 0, TrackNotification::ThumbTrack);
    EXPECT_EQ(record.gamma, 0u);
    EXPECT_EQ(control(IDC_BRIGHTNESS_LABEL).text, "Brightness (50%)");
    board.moveTrack(IDC_BRIGHTNESS, 100, TrackNotification::PageDown);
    EXPECT_EQ(record.gamma, 100u);
    EXPECT_EQ(control(IDC_BRIGHTNESS_LABEL).text, "Brightness (150%)");
    EXPECT_EQ(record.volume, 30u) << "the volume bar was read too and kept its place";
}

TEST_F(ConfigDialogTest, SwitchesEnableTheirDependentControls)
{
    open(unusualSettings());
    board.click(IDC_ENABLE_SFX);
    EXPECT_TRUE(record.enableSFX);
    EXPECT_TRUE(control(IDC_VOLUME).enabled);
    board.click(IDC_ENABLE_MUSIC);
    board.click(IDC_ENABLE_SFX);
    EXPECT_TRUE(control(IDC_VOLUME).enabled) << "music alone keeps the volume";
    board.click(IDC_ENABLE_MUSIC);
    EXPECT_FALSE(record.enableMusic);
    EXPECT_FALSE(control(IDC_VOLUME).enabled);
    EXPECT_FALSE(control(IDC_VOLUME_LABEL).enabled);

    board.click(IDC_SHOW_TIME);
    EXPECT_TRUE(record.showClock);
    EXPECT_TRUE(control(IDC_12_HOURS).enabled);
    EXPECT_TRUE(control(IDC_24_HOURS).enabled);

    board.click(IDC_SHOW_FPS);
    board.click(IDC_VSYNC);
    board.click(IDC_MOUSE_EXIT);
    EXPECT_FALSE(record.showFPS || record.vSync || record.mouseExit);
    EXPECT_FALSE(control(IDC_SHOW_FPS).ticked || control(IDC_VSYNC).ticked || control(IDC_MOUSE_EXIT).ticked);
}

TEST_F(ConfigDialogTest, RestoreDefaultsThenOkWritesTheDefaults)
{
    open(unusualSettings());
    board.click(IDC_RESTORE_DEFAULTS);
    EXPECT_EQ(selectedMode(), "1024 x 768 32 bits");
    EXPECT_FALSE(control(IDC_MODE_LIST).enabled);
    EXPECT_EQ(control(IDC_VOLUME_LABEL).text, "Volume (100%)");
    EXPECT_EQ(control(IDC_BRIGHTNESS_LABEL).text, "Brightness (100%)");
    EXPECT_EQ(control(IDC_VOLUME).position, 100);
    EXPECT_EQ(control(IDC_BRIGHTNESS).position, 50);
    EXPECT_TRUE(control(IDC_VOLUME).enabled);
    EXPECT_TRUE(control(IDC_VOLUME_LABEL).enabled);
    EXPECT_FALSE(control(IDC_BRIGHTNESS).enabled);
    EXPECT_FALSE(control(IDC_BRIGHTNESS_LABEL).enabled);
    EXPECT_TRUE(control(IDC_12_HOURS).enabled);
    for (int id : {IDC_USE_DESKTOP, IDC_ENABLE_MUSIC, IDC_SHOW_TIME, IDC_DEFAULT_GAMMA})
        EXPECT_TRUE(control(id).ticked) << id;
    for (int id : {IDC_SHOW_FPS, IDC_VSYNC, IDC_MOUSE_EXIT, IDC_ENABLE_SFX}) EXPECT_FALSE(control(id).ticked) << id;
    EXPECT_TRUE(record.english) << "Restore Defaults leaves it; OK writes it as 0";

    board.click(IDOK);
    EXPECT_TRUE(board.ended());
    EXPECT_EQ(board.result(), IDOK);
    const std::map<std::string, uint32_t> expected = {
        {"UseDesktop", 1}, {"EnableMusic", 1}, {"Volume", 100}, {"Gamma", 50}, {"ShowClock", 1},
        {"ShowFPS", 0}, {"VSync", 0}, {"MouseExit", 0}, {"Random", 0}, {"DefGamma", 1},
        {"Width", 1024}, {"Height", 768}, {"Depth", 32},
        // untouched by Restore Defaults
        {"EnableSFX", 0}, {"TimeFormat", 1}, {"ShowFlame", 1}, {"Detail", 7},
        // OK always writes it as 0
        {"English", 0}};
    EXPECT_EQ(storedValues(), expected);
}

TEST_F(ConfigDialogTest, OkWritesThePickedModeAndClockFormat)
{
    open(unusualSettings());
    board.pick(IDC_MODE_LIST, 0);
    board.click(IDC_SHOW_TIME);
    board.click(IDC_24_HOURS);
    board.click(IDOK);
    std::map<std::string, uint32_t> values = storedValues();
    EXPECT_EQ(values["Width"], 1280u);
    EXPECT_EQ(values["Height"], 1024u);
    EXPECT_EQ(values["Depth"], 32u);
    EXPECT_EQ(values["TimeFormat"], 0u);
    EXPECT_EQ(values["ShowClock"], 1u);
}

TEST_F(ConfigDialogTest, OkWithNoSelectionKeepsTheMode)
{
    Settings start = unusualSettings();
    start.width = 1152;
    start.height = 864;
    start.depth = 24;
    open(start);
    ASSERT_EQ(board.selectedListEntry(IDC_MODE_LIST), -1);
    board.click(IDOK);
    std::map<std::string, uint32_t> values = storedValues();
    EXPECT_EQ(values["Width"], 1152u);
    EXPECT_EQ(values["Height"], 864u);
    EXPECT_EQ(values["Depth"], 24u);
}

TEST_F(ConfigDialogTest, CancelWritesNothing)
{
    open(unusualSettings());
    board.click(IDC_RESTORE_DEFAULTS);
    board.click(IDCANCEL);
    EXPECT_TRUE(board.ended());
    EXPECT_EQ(board.result(), IDCANCEL);
    EXPECT_FALSE(std::filesystem::exists(home.settingsFile()));
}

TEST_F(ConfigDialogTest, AFailedSaveSaysSoOnceAndKeepsTheOldFile)
{
    // A file too large to be a settings file is never overwritten.
    std::string old = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n"
                      "\"Volume\"=dword:00000021\n" + std::string(1100000, ';') + "\n";
    test::writeText(home.settingsFile(), old);
    test::MessageRecorder messages;
    open(unusualSettings());
    board.click(IDOK);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, SAVE_FAILED_TEXT);
    EXPECT_TRUE(board.ended());
    EXPECT_EQ(test::readText(home.settingsFile()), old);
}

TEST_F(ConfigDialogTest, AboutRunsTheAboutBoxOwnedByTheDialog)
{
    open(unusualSettings());
    board.click(IDC_ABOUT);
    EXPECT_EQ(board.ownedDialogs(), 1);
    EXPECT_FALSE(board.ended());

    for (int id : {IDOK, IDCANCEL}) {
        ControlBoard box(aboutBox());
        AboutBox about;
        box.open(about);
        box.press(id);
        EXPECT_TRUE(box.ended());
        EXPECT_EQ(box.result(), id);
    }
}

TEST(DialogTables, MirrorTheResources)
{
    const platform::DialogTemplate& config = configurationDialog();
    EXPECT_STREQ(config.caption, "Quillmark Configuration");
    EXPECT_EQ(config.width, 406);
    EXPECT_EQ(config.height, 215);
    EXPECT_EQ(config.controlCount, 27);
    ASSERT_NE(config.icon, nullptr);
    bool picture = false;
    for (int i = 0; i < config.controlCount; ++i) {
        const platform::ControlTemplate& c = config.controls[i];
        if (c.kind != platform::ControlKind::Picture) continue;
        picture = true;
        ASSERT_NE(c.picture, nullptr);
        EXPECT_EQ(c.picture->width, 280);
        EXPECT_EQ(c.picture->height, 140);
    }
    EXPECT_TRUE(picture);
    const platform::DialogTemplate& about = aboutBox();
    EXPECT_STREQ(about.caption, "About");
    EXPECT_EQ(about.width, 151);
    EXPECT_EQ(about.height, 101);
    ASSERT_EQ(about.controlCount, 3);
    EXPECT_EQ(std::string(about.controls[1].text).rfind("Quillmark", 0), 0u) << "starts with the product name";
}

} // namespace
} // namespace qm
