#include "platform/fake/fake_environment.h"

namespace qarvex {

std::optional<std::string> FakeEnvironment::SpecialFolderPath(int csidl) {
    auto it = m_special.find(csidl);
    if (it == m_special.end()) {
        return std::nullopt;
    }
    return it->second;
}

}  // namespace qarvex
