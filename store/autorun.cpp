#include "store/autorun.h"

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

void SetRunValue(AutostartStore& store, const std::string& name, const std::string& path,
                 bool enable) {
    try {
        if (enable) {
            store.Write(name, "\"" + path + "\"");
        } else {
            store.Remove(name);
        }
    } catch (...) {
    }
}

void RemoveLegacyRunValues(AutostartStore& store) {
    try {
        store.Remove(kLegacyRunValueName);
    } catch (...) {
    }
}

}  // namespace qarvex
