#pragma once

#include <string>

namespace qarvex {

// Message boxes. Only the texts the program quotes are ever shown; tests replace the
// boxes with a recorder.
class Messages {
public:
    enum class Icon { Information, Error };

    Messages() = default;
    virtual ~Messages() = default;
    Messages(const Messages&) = delete;
    Messages& operator=(const Messages&) = delete;

    // A box with an OK button.
    virtual void Show(const std::string& text, const std::string& caption, Icon icon) = 0;
    // A yes/no question; true for yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // The same question where "yes" loses something: Enter alone must not say yes.
    virtual bool AskYesNoDefaultNo(const std::string& text, const std::string& caption) {
        return AskYesNo(text, caption);
    }
    // A notice that needs no answer: a tray balloon where there is a tray, else a box.
    virtual void Notify(const std::string& text, const std::string& caption) {
        Show(text, caption, Icon::Information);
    }
};

}  // namespace qarvex
