#pragma once

#include <string>
#include <vector>

#include "platform/messages.h"

namespace qarvex::test {

// Message boxes that record what they were asked to show and answer yes/no as told.
class RecordingMessages : public Messages {
public:
    struct Shown {
        std::string text;
        std::string caption;
        Icon icon;
        bool defaultNo = false;
    };

    void Show(const std::string& text, const std::string& caption, Icon icon) override {
        shown.push_back({text, caption, icon});
    }
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        asked.push_back({text, caption, Icon::Information});
        return answer;
    }
    bool AskYesNoDefaultNo(const std::string& text, const std::string& caption) override {
        asked.push_back({text, caption, Icon::Information, true});
        return answer;
    }
    void Notify(const std::string& text, const std::string& caption) override {
        notified.push_back({text, caption, Icon::Information});
    }

    std::vector<Shown> shown;
    std::vector<Shown> asked;
    std::vector<Shown> notified;
    bool answer = false;
};

}  // namespace qarvex::test
