#pragma once

#include <optional>
#include <string>

namespace platform {

// Modal message box and input box. The program uses Qt dialogs; tests use a scripted answerer;
// --headless writes messages to standard error. Texts are shown as plain text, never as markup:
// they may come from the network or from other users.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message with an OK button; returns when it was answered.
    virtual void messageBox(const std::string& text, const std::string& caption) = 0;
    // A line of input; std::nullopt when cancelled. All texts are UTF-8.
    virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                                const std::string& initial) = 0;
};

} // namespace platform
