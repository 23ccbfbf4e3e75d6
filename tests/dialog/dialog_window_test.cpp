// The configuration dialog and the About box on GTK under a private X server, driven with xdotool:
// every control of the table in its place, Return and Escape, the track bars' notifications from
// keys, a drag and the wheel. With QM_SCREENSHOT_DIR set, the dialogs are saved there as PNG
// pictures.
#include "host/config_dialog.h"
#include "platform/dialog_inspection.h"
#include "platform/registry_store.h"
#include "tests/support/config_home.h"
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace qm {
namespace {

using platform::ControlKind;
using platform::DialogControls;
using platform::ShownDialog;
using platform::TrackNotification;

std::function<void(const ShownDialog&, DialogControls&)> whenShown;
std::vector<std::thread> drivers;

void dispatchShown(const ShownDialog& shown, DialogControls& controls)
{
    if (whenShown) whenShown(shown, controls);
}

void run(const std::string& command)
{
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "failed: " << command;
}

void pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Runs xdotool steps beside the dialog's own event loop, one at a time.
void drive(std::function<void()> steps)
{
    drivers.emplace_back(std::move(steps));
}

std::string windowArg(unsigned long window)
{
    return std::to_string(window);
}

void key(unsigned long window, const std::string& keys)
{
    run("xdotool windowfocus --sync " + windowArg(window) + " key --delay 60 " + keys);
    pause(0.15);
}

void screenshot(unsigned long window, const char* name)
{
    const char* dir = std::getenv("QM_SCREENSHOT_DIR");
    if (dir && *dir) run("import -window " + windowArg(window) + " '" + std::string(dir) + "/" + name + "'");
}

const platform::ShownControl* find(const ShownDialog& shown, int id)
{
    for (const platform::ShownControl& c : shown.controls)
        if (c.id == id) return &c;
    return nullptr;
}

// Wraps the dialog's procedure and writes down what each track-bar notification left behind.
class Recording final : public platform::DialogProcedure {
public:
    struct Move {
        TrackNotification notification;
        int position;
        uint32_t gamma;
    };
    explicit Recording(ConfigDialog& inner, Settings& s) : inner_(inner), settings_(s) {}
    bool initDialog(DialogControls& c) override { return inner_.initDialog(c); }
    bool command(DialogControls& c, int id) override { return inner_.command(c, id); }
    bool trackBarMoved(DialogControls& c, int id, TrackNotification n) override
    {
        bool handled = inner_.trackBarMoved(c, id, n);
        if (id == IDC_BRIGHTNESS) moves.push_back({n, c.trackPosition(IDC_BRIGHTNESS), settings_.gamma});
        return handled;
    }
    std::vector<Move> moves;

private:
    ConfigDialog& inner_;
    Settings& settings_;
};

class DialogWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::setDialogShownHook(dispatchShown);
        record.load();
        record.useDesktop = true;
        record.defGamma = false;
        record.gamma = 50;
        record.volume = 70;
        record.enableMusic = true;
    }
    void TearDown() override
    {
        for (std::thread& t : drivers) t.join();
        drivers.clear();
        whenShown = nullptr;
        platform::setDialogShownHook(nullptr);
    }
    bool settingsFileExists() const { return std::filesystem::exists(home.settingsFile()); }

    test::ConfigHome home;
    Settings record;
};

TEST_F(DialogWindowTest, ShowsEveryControlOfTheTableInItsPlaceAndReturnConfirms)
{
    ConfigDialog dialog(record, primaryDisplayModes());
    ShownDialog seen;
    whenShown = [&](const ShownDialog& shown, DialogControls&) {
        seen = shown;
        screenshot(shown.window, "configuration-dialog.png");
        drive([w = shown.window] { key(w, "Return"); });
    };
    EXPECT_EQ(platform::runDialog(configurationDialog(), dialog, 0), IDOK);
    EXPECT_TRUE(settingsFileExists()) << "OK saves";

    const platform::DialogTemplate& table = configurationDialog();
    EXPECT_EQ(seen.caption, "Quillmark Configuration");
    ASSERT_GT(seen.baseUnitX, 0);
    ASSERT_GT(seen.baseUnitY, 0);
    auto px = [&](int units) { return int(std::lround(units * seen.baseUnitX / 4.0)); };
    auto py = [&](int units) { return int(std::lround(units * seen.baseUnitY / 8.0)); };
    EXPECT_GE(seen.width, px(table.width));
    EXPECT_GE(seen.height, py(table.height));
    ASSERT_EQ(int(seen.controls.size()), table.controlCount);
    for (int i = 0; i < table.controlCount; ++i) {
        const platform::ControlTemplate& t = table.controls[i];
        const platform::ShownControl& c = seen.controls[size_t(i)];
        SCOPED_TRACE("control " + std::to_string(i) + " (" + std::to_string(t.id) + ")");
        EXPECT_EQ(c.id, t.id);
        EXPECT_EQ(c.kind, t.kind);
        EXPECT_TRUE(c.visible);
        EXPECT_EQ(c.x, px(t.x));
        EXPECT_EQ(c.y, py(t.y));
        if (t.kind == ControlKind::Picture) {
            EXPECT_EQ(c.pictureWidth, 280);
            EXPECT_EQ(c.pictureHeight, 140);
            continue;
        }
        EXPECT_GE(c.width, px(t.width));
        if (t.kind != ControlKind::DropDownList) {
            EXPECT_GE(c.height, py(t.height));
        }
        bool textSetAtOpening = t.id == IDC_BRIGHTNESS_LABEL || t.id == IDC_VOLUME_LABEL || t.id == IDC_PRODUCTS_TEXT;
        if (t.kind != ControlKind::DropDownList && t.kind != ControlKind::TrackBar && !textSetAtOpening) {
            EXPECT_EQ(c.text, t.text);
        }
    }
    EXPECT_EQ(find(seen, IDC_BRIGHTNESS_LABEL)->text, "Brightness (100%)");
    EXPECT_EQ(find(seen, IDC_VOLUME_LABEL)->text, "Volume (70%)");
    EXPECT_EQ(find(seen, IDC_PRODUCTS_TEXT)->text, PRODUCTS_TEXT);
    EXPECT_FALSE(find(seen, IDC_MODE_LIST)->enabled) << "Use Desktop Settings is on";
    EXPECT_TRUE(find(seen, IDC_BRIGHTNESS)->enabled);
}

TEST_F(DialogWindowTest, EscapeCancelsAndWritesNothing)
{
    ConfigDialog dialog(record, primaryDisplayModes());
    whenShown = [&](const ShownDialog& shown, DialogControls&) {
        drive([w = shown.window] {
            key(w, "Tab Tab space");   // whatever the keys changed stays unsaved
            key(w, "Escape");
        });
    };
    EXPECT_EQ(platform::runDialog(configurationDialog(), dialog, 0), IDCANCEL);
    EXPECT_FALSE(settingsFileExists());
}

TEST_F(DialogWindowTest, TrackBarKeysMoveTheThumbButOnlyDragsAndPagesChangeTheSetting)
{
    ConfigDialog inner(record, primaryDisplayModes());
    Recording dialog(inner, record);
    whenShown = [&](const ShownDialog& shown, DialogControls& controls) {
        const platform::ShownControl* bar = find(shown, IDC_BRIGHTNESS);
        controls.focus(IDC_BRIGHTNESS);
        int y = bar->y + bar->height / 2;
        std::string w = windowArg(shown.window);
        // The thumb sits in the middle (50 of 0..100); drag it beyond the left end.
        std::string drag = "xdotool mousemove --window " + w + " " + std::to_string(bar->x + bar->width / 2) + " " +
                           std::to_string(y) + " sleep 0.1 mousedown 1 sleep 0.1 mousemove --window " + w + " " +
                           std::to_string(bar->x + bar->width / 4) + " " + std::to_string(y) +
                           " sleep 0.1 mousemove --window " + w + " " + std::to_string(bar->x - 40) + " " +
                           std::to_string(y) + " sleep 0.1 mouseup 1";
        drive([=] {
            key(shown.window, "Right Right Left");
            key(shown.window, "End");
            key(shown.window, "Home");
            run(drag);
            pause(0.2);
            key(shown.window, "End");
            key(shown.window, "Page_Up");
            key(shown.window, "Escape");
        });
    };
    EXPECT_EQ(platform::runDialog(configurationDialog(), dialog, 0), IDCANCEL);

    // Arrow keys, End and Home: the thumb moves, the setting stays.
    std::vector<Recording::Move> keys;
    for (const Recording::Move& m : dialog.moves)
        if (m.notification != TrackNotification::EndTrack) keys.push_back(m);
    ASSERT_GE(keys.size(), 6u);
    EXPECT_EQ(keys[0].notification, TrackNotification::LineDown);
    EXPECT_EQ(keys[0].position, 51);
    EXPECT_EQ(keys[2].notification, TrackNotification::LineUp);
    EXPECT_EQ(keys[3].notification, TrackNotification::Bottom);
    EXPECT_EQ(keys[3].position, 100);
    EXPECT_EQ(keys[4].notification, TrackNotification::Top);
    EXPECT_EQ(keys[4].position, 0);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(keys[i].gamma, 50u) << i;

    // The drag reports the thumb's track and leaves the setting at the left end.
    bool dragged = false;
    size_t i = 5;
    for (; i < keys.size() && keys[i].notification == TrackNotification::ThumbTrack; ++i) {
        dragged = true;
        EXPECT_EQ(keys[i].gamma, uint32_t(keys[i].position));
    }
    EXPECT_TRUE(dragged);
    EXPECT_EQ(keys[i - 1].gamma, 0u);

    // End moves the thumb alone; Page Up then changes the setting to where the thumb went.
    ASSERT_EQ(keys.size(), i + 2);
    EXPECT_EQ(keys[i].notification, TrackNotification::Bottom);
    EXPECT_EQ(keys[i].gamma, 0u);
    EXPECT_TRUE(keys[i + 1].notification == TrackNotification::PageUp ||
                keys[i + 1].notification == TrackNotification::PageDown);
    EXPECT_EQ(keys[i + 1].gamma, uint32_t(keys[i + 1].position));
    EXPECT_NE(keys[i + 1].gamma, 0u);
    EXPECT_EQ(record.gamma, keys[i + 1].gamma);
    EXPECT_FALSE(settingsFileExists());
}

// The wheel over a track bar steps the thumb a line at a time, as the arrow keys do: the setting
// stays where it was.
TEST_F(DialogWindowTest, TheWheelStepsTheThumbByLinesAndLeavesTheSetting)
{
    ConfigDialog inner(record, primaryDisplayModes());
    Recording dialog(inner, record);
    whenShown = [&](const ShownDialog& shown, DialogControls&) {
        const platform::ShownControl* bar = find(shown, IDC_BRIGHTNESS);
        const std::string w = windowArg(shown.window);
        const std::string over = "xdotool mousemove --window " + w + " " + std::to_string(bar->x + bar->width / 2) +
                                 " " + std::to_string(bar->y + bar->height / 2) + " sleep 0.1 ";
        drive([=] {
            run(over + "click --delay 150 --repeat 3 4");
            pause(0.2);
            run(over + "click --delay 150 --repeat 2 5");
            pause(0.2);
            key(shown.window, "Escape");
        });
    };
    EXPECT_EQ(platform::runDialog(configurationDialog(), dialog, 0), IDCANCEL);
    std::vector<Recording::Move> steps;
    for (const Recording::Move& m : dialog.moves)
        if (m.notification != TrackNotification::EndTrack) steps.push_back(m);
    ASSERT_GE(steps.size(), 2u) << "the wheel reached the track bar";
    int up = 0, down = 0;
    for (const Recording::Move& m : steps) {
        EXPECT_TRUE(m.notification == TrackNotification::LineUp || m.notification == TrackNotification::LineDown);
        (m.notification == TrackNotification::LineUp ? up : down) += 1;
        EXPECT_EQ(m.gamma, 50u);
    }
    EXPECT_GT(up, 0);
    EXPECT_GT(down, 0);
    EXPECT_NE(steps.front().position, 50) << "the thumb moved";
    EXPECT_EQ(record.gamma, 50u);
}

TEST_F(DialogWindowTest, AboutOpensTheAboutBoxOverTheDialog)
{
    ConfigDialog dialog(record, primaryDisplayModes());
    ShownDialog about;
    std::atomic<bool> aboutClosed{false};
    whenShown = [&](const ShownDialog& shown, DialogControls&) {
        if (shown.caption == "About") {
            about = shown;
            screenshot(shown.window, "about-box.png");
            drive([&, w = shown.window] {
                key(w, "Return");
                aboutClosed = true;
            });
            return;
        }
        const platform::ShownControl* button = find(shown, IDC_ABOUT);
        std::string click = "xdotool mousemove --window " + windowArg(shown.window) + " " +
                            std::to_string(button->x + button->width / 2) + " " +
                            std::to_string(button->y + button->height / 2) + " click 1";
        drive([&, click, w = shown.window] {
            run(click);
            for (int i = 0; i < 100 && !aboutClosed; ++i) pause(0.05);
            pause(0.2);
            key(w, "Escape");
        });
    };
    EXPECT_EQ(platform::runDialog(configurationDialog(), dialog, 0), IDCANCEL);
    EXPECT_TRUE(aboutClosed);
    EXPECT_EQ(about.caption, "About");
    ASSERT_EQ(about.controls.size(), 3u);
    EXPECT_EQ(about.controls[0].kind, ControlKind::GroupBox);
    EXPECT_EQ(about.controls[1].kind, ControlKind::CentredText);
    EXPECT_EQ(about.controls[1].text.rfind("Quillmark", 0), 0u);
    EXPECT_EQ(about.controls[2].text, "OK");
    EXPECT_FALSE(settingsFileExists());
}

} // namespace
} // namespace qm
