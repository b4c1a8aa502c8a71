#include "store/autorun.h"

#include "store/guarded.h"
#include "store/strings.h"

namespace qarvex {

bool IsRunValuePresent(AutostartStore& store, const std::string& name) {
    try {
        const auto data = store.Read(name);
        return data && !Trim(*data).empty();
    } catch (...) {
        return false;
    }
}

std::optional<std::string> QuotedExecArgument(std::string_view path) {
    if (path.find_first_of("\r\n") != std::string_view::npos) {
        return std::nullopt;
    }
    std::string out = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        } else if (c == '%') {
            out += '%';
        }
        out += c;
    }
    out += '"';
    return out;
}

void SetRunValue(AutostartStore& store, const std::string& name, const std::string& path,
                 bool enable) {
    Guarded([&] {
        if (enable) {
            // A path that can't be written as one argument would start something else.
            if (const auto command = QuotedExecArgument(path)) {
                store.Write(name, *command);
            }
        } else {
            store.Remove(name);
        }
    });
}

void RemoveLegacyRunValues(AutostartStore& store) {
    Guarded([&] { store.Remove(kLegacyRunValueName); });
}

}  // namespace qarvex
