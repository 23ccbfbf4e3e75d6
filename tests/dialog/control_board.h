// Test helper: the controls of a dialog table as plain records, so a dialog procedure runs without
// a display. Clicks toggle check boxes and radio buttons the way automatic buttons do before the
// procedure hears of them; a call for an id the table does not have fails the test.
#pragma once
#include "platform/dialog.h"
#include <map>
#include <string>
#include <vector>

namespace qm::test {

class ControlBoard final : public platform::DialogControls {
public:
    struct Control {
        platform::ControlKind kind = platform::ControlKind::Text;
        std::string text;
        bool ticked = false;
        bool enabled = true;
        std::vector<std::string> entries;
        int selected = -1;
        int minimum = 0, maximum = 100, position = 0;
    };

    explicit ControlBoard(const platform::DialogTemplate& dialog);

    // Runs initDialog, as opening the dialog does.
    void open(platform::DialogProcedure& procedure);
    // A user's click on a button, check box or radio button.
    void click(int id);
    // Return (1) or Escape (2): the command comes without a control of its own.
    void press(int command);
    // The user moves a track bar to position; the bar reports the notification afterwards.
    void moveTrack(int id, int position, platform::TrackNotification notification);
    // The user picks a list entry (lists report nothing the procedure handles).
    void pick(int id, int index);

    const Control& control(int id) const;
    bool ended() const { return ended_; }
    int result() const { return result_; }
    int ownedDialogs() const { return ownedDialogs_; }

    bool isTicked(int id) const override;
    void setTicked(int id, bool on) override;
    void enable(int id, bool on) override;
    void setText(int id, const char* text) override;
    void focus(int id) override;
    void addListEntry(int id, const char* text) override;
    int listEntryCount(int id) const override;
    void selectListEntry(int id, int index) override;
    int selectedListEntry(int id) const override;
    std::string listEntryText(int id, int index) const override;
    void setTrackRange(int id, int minimum, int maximum) override;
    void setTrackPosition(int id, int position) override;
    int trackPosition(int id) const override;
    void endDialog(int result) override;
    int runOwnedDialog(const platform::DialogTemplate& dialog, platform::DialogProcedure& procedure) override;

private:
    Control& at(int id);
    void untickGroupOf(int id);

    const platform::DialogTemplate& dialog_;
    platform::DialogProcedure* procedure_ = nullptr;
    std::map<int, Control> controls_;
    bool ended_ = false;
    int result_ = 0;
    int ownedDialogs_ = 0;
};

} // namespace qm::test
