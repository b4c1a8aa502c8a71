#include "platform/fake/fake_shell_open.h"

namespace qarvex {

namespace {

const char* PlaceName(ShellPlace place) {
    switch (place) {
        case ShellPlace::Computer:
            return "Computer";
        case ShellPlace::Network:
            return "Network";
        case ShellPlace::Settings:
            return "Settings";
        case ShellPlace::TaskManager:
            return "TaskManager";
        case ShellPlace::Trash:
            return "Trash";
        case ShellPlace::Recent:
            return "Recent";
        case ShellPlace::Printers:
            return "Printers";
    }
    return "?";
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const ShellOpenCall& call) {
    switch (call.kind) {
        case ShellOpenCall::Kind::Open:
            return out << "Open(\"" << call.target << "\")";
        case ShellOpenCall::Kind::OpenDefault:
            return out << "OpenDefault(\"" << call.target << "\")";
        case ShellOpenCall::Kind::Place:
            return out << "OpenPlace(" << PlaceName(call.place) << ")";
        case ShellOpenCall::Kind::Launch:
            return out << "Launch(\"" << call.target << "\")";
        case ShellOpenCall::Kind::Run: {
            out << "Run(";
            for (std::size_t i = 0; i < call.arguments.size(); ++i) {
                out << (i == 0 ? "\"" : ", \"") << call.arguments[i] << "\"";
            }
            return out << ")";
        }
    }
    return out << "?";
}

}  // namespace qarvex
