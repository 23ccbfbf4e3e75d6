#include "tests/dialog/control_board.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace qm::test {

using platform::ControlKind;

ControlBoard::ControlBoard(const platform::DialogTemplate& dialog) : dialog_(dialog)
{
    for (int i = 0; i < dialog.controlCount; ++i) {
        const platform::ControlTemplate& c = dialog.controls[i];
        if (c.id == platform::NO_CONTROL_ID) continue;
        Control control;
        control.kind = c.kind;
        control.text = c.text ? c.text : "";
        controls_[c.id] = control;
    }
}

void ControlBoard::open(platform::DialogProcedure& procedure)
{
    procedure_ = &procedure;
    EXPECT_TRUE(procedure.initDialog(*this));
}

ControlBoard::Control& ControlBoard::at(int id)
{
    auto it = controls_.find(id);
    if (it == controls_.end()) {
        ADD_FAILURE() << "the procedure used control " << id << ", which the dialog does not have";
        static Control nowhere;
        nowhere = Control{};
        return nowhere;
    }
    return it->second;
}

const ControlBoard::Control& ControlBoard::control(int id) const
{
    return const_cast<ControlBoard*>(this)->at(id);
}

// Radio buttons next to each other in the table form one group.
void ControlBoard::untickGroupOf(int id)
{
    int index = 0;
    while (index < dialog_.controlCount && dialog_.controls[index].id != id) ++index;
    int first = index, last = index;
    while (first > 0 && dialog_.controls[first - 1].kind == ControlKind::RadioButton) --first;
    while (last + 1 < dialog_.controlCount && dialog_.controls[last + 1].kind == ControlKind::RadioButton) ++last;
    for (int i = first; i <= last; ++i) at(dialog_.controls[i].id).ticked = false;
}

void ControlBoard::click(int id)
{
    Control& c = at(id);
    ASSERT_TRUE(c.enabled) << "control " << id << " is disabled and cannot be clicked";
    if (c.kind == ControlKind::CheckBox) c.ticked = !c.ticked;
    if (c.kind == ControlKind::RadioButton) {
        untickGroupOf(id);
        at(id).ticked = true;
    }
    procedure_->command(*this, id);
}

void ControlBoard::press(int command)
{
    procedure_->command(*this, command);
}

void ControlBoard::moveTrack(int id, int position, platform::TrackNotification notification)
{
    Control& c = at(id);
    c.position = std::clamp(position, c.minimum, c.maximum);
    procedure_->trackBarMoved(*this, id, notification);
}

void ControlBoard::pick(int id, int index)
{
    selectListEntry(id, index);
}

bool ControlBoard::isTicked(int id) const
{
    return control(id).ticked;
}

void ControlBoard::setTicked(int id, bool on)
{
    Control& c = at(id);
    if (on && c.kind == ControlKind::RadioButton) untickGroupOf(id);
    at(id).ticked = on;
}

void ControlBoard::enable(int id, bool on)
{
    at(id).enabled = on;
}

void ControlBoard::setText(int id, const char* text)
{
    at(id).text = text;
}

void ControlBoard::focus(int id)
{
    at(id);
}

void ControlBoard::addListEntry(int id, const char* text)
{
    at(id).entries.push_back(text);
}

int ControlBoard::listEntryCount(int id) const
{
    return int(control(id).entries.size());
}

void ControlBoard::selectListEntry(int id, int index)
{
    Control& c = at(id);
    c.selected = index >= 0 && index < int(c.entries.size()) ? index : -1;
}

int ControlBoard::selectedListEntry(int id) const
{
    return control(id).selected;
}

std::string ControlBoard::listEntryText(int id, int index) const
{
    const Control& c = control(id);
    return index >= 0 && index < int(c.entries.size()) ? c.entries[size_t(index)] : std::string();
}

void ControlBoard::setTrackRange(int id, int minimum, int maximum)
{
    Control& c = at(id);
    c.minimum = minimum;
    c.maximum = maximum;
    c.position = std::clamp(c.position, minimum, maximum);
}

void ControlBoard::setTrackPosition(int id, int position)
{
    Control& c = at(id);
    c.position = std::clamp(position, c.minimum, c.maximum);
}

int ControlBoard::trackPosition(int id) const
{
    return control(id).position;
}

void ControlBoard::endDialog(int result)
{
    EXPECT_FALSE(ended_) << "the dialog was ended twice";
    ended_ = true;
    result_ = result;
}

int ControlBoard::runOwnedDialog(const platform::DialogTemplate& dialog, platform::DialogProcedure& procedure)
{
    ++ownedDialogs_;
    ControlBoard owned(dialog);
    owned.open(procedure);
    owned.click(1);
    return owned.result();
}

} // namespace qm::test
