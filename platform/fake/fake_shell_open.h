#pragma once

#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/shell_open.h"

namespace qarvex {

// One request handed to the fake shell. `target` is empty for a place, `place` is only
// meaningful for a place.
struct ShellOpenCall {
    enum class Kind { Open, OpenDefault, Place, Launch, Run };
    Kind kind = Kind::Open;
    std::string target;
    ShellPlace place = ShellPlace::Computer;
    std::vector<std::string> arguments;  // Run: the whole argument vector

    static ShellOpenCall MakeOpen(std::string target) {
        return {Kind::Open, std::move(target), ShellPlace::Computer, {}};
    }
    static ShellOpenCall MakeOpenDefault(std::string target) {
        return {Kind::OpenDefault, std::move(target), ShellPlace::Computer, {}};
    }
    static ShellOpenCall MakePlace(ShellPlace place) { return {Kind::Place, {}, place, {}}; }
    static ShellOpenCall MakeLaunch(std::string program) {
        return {Kind::Launch, std::move(program), ShellPlace::Computer, {}};
    }
    static ShellOpenCall MakeRun(std::vector<std::string> argv) {
        return {Kind::Run, {}, ShellPlace::Computer, std::move(argv)};
    }

    friend bool operator==(const ShellOpenCall&, const ShellOpenCall&) = default;
};

// Readable failure messages in tests.
std::ostream& operator<<(std::ostream& out, const ShellOpenCall& call);

// Records every request in order and opens nothing.
class FakeShellOpen : public ShellOpen {
public:
    void Open(const std::string& target) override {
        m_calls.push_back(ShellOpenCall::MakeOpen(target));
        FailWhenTold(target);
    }
    void OpenDefault(const std::string& target) override {
        m_calls.push_back(ShellOpenCall::MakeOpenDefault(target));
        FailWhenTold(target);
    }
    void OpenPlace(ShellPlace place) override {
        m_calls.push_back(ShellOpenCall::MakePlace(place));
    }
    void Launch(const std::string& program) override {
        m_calls.push_back(ShellOpenCall::MakeLaunch(program));
        FailWhenTold(program);
    }
    void Run(const std::vector<std::string>& argv) override {
        m_calls.push_back(ShellOpenCall::MakeRun(argv));
    }

    bool HasPlace(ShellPlace place) const override { return m_missing.count(place) == 0; }
    // A desktop without a program for the place.
    void SetMissingPlace(ShellPlace place) { m_missing.insert(place); }
    // A target no handler can open: its request is reported as failed, at once.
    void SetFailing(std::string target) { m_failing.insert(std::move(target)); }

    const std::vector<ShellOpenCall>& Calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }

private:
    void FailWhenTold(const std::string& target) const {
        if (m_failing.count(target) != 0 && *FailureSink()) {
            (*FailureSink())(target);
        }
    }

    std::vector<ShellOpenCall> m_calls;
    std::set<ShellPlace> m_missing;
    std::set<std::string> m_failing;
};

}  // namespace qarvex
