#pragma once

#include <string>

namespace ondrel {

inline constexpr const char* kMessageTitle = "Message VALMORENT";

// The modal boxes of the screen, all titled kMessageTitle: an error has the
// exclamation icon and an OK button; a question the question icon, Yes and No,
// Yes the default.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void error(const std::string& text) = 0;
    virtual bool question(const std::string& text) = 0;
};

}  // namespace ondrel
