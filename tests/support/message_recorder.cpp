// Test helper: collects every message box shown while it lives, instead of showing it.
#include "tests/support/message_recorder.h"

#include "platform/message_box.h"

namespace qm::test {
namespace {

// The hook is a plain function, so what it records lives here.
std::vector<MessageRecorder::Message>& messages()
{
    static std::vector<MessageRecorder::Message> all;
    return all;
}

void record(const char* text, const char* caption)
{
    messages().push_back({text ? text : "", caption ? caption : ""});
}

} // namespace

MessageRecorder::MessageRecorder()
{
    messages().clear();
    platform::setMessageBoxHook(&record);
}

MessageRecorder::~MessageRecorder() { platform::setMessageBoxHook(nullptr); }

const std::vector<MessageRecorder::Message>& MessageRecorder::shown() const { return messages(); }

} // namespace qm::test
