// Test helper: collects every message box shown while it lives, instead of showing it.
#pragma once
#include <string>
#include <vector>

namespace qm::test {

class MessageRecorder {
public:
    struct Message {
        std::string text;
        std::string caption;
    };

    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<Message>& shown() const;
};

} // namespace qm::test
