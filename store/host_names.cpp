#include "store/host_names.h"

#include <algorithm>

#include <unicode/uidna.h>

#include "store/strings.h"

namespace qarvex {

std::string AsciiHostName(std::string_view host) {
    const bool ascii = std::all_of(host.begin(), host.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii || host.size() > 1024) {
        return AsciiLower(host);
    }
    UErrorCode status = U_ZERO_ERROR;
    // Immutable once made, so one serves every call.
    static UIDNA* const idna = uidna_openUTS46(UIDNA_NONTRANSITIONAL_TO_ASCII, &status);
    if (idna == nullptr) {
        return AsciiLower(host);
    }
    status = U_ZERO_ERROR;
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    std::string out(host.size() * 4 + 64, '\0');
    const int32_t length =
        uidna_nameToASCII_UTF8(idna, host.data(), static_cast<int32_t>(host.size()), out.data(),
                               static_cast<int32_t>(out.size()), &info, &status);
    if (U_FAILURE(status) || info.errors != 0 || length < 0 ||
        static_cast<std::size_t>(length) > out.size()) {
        return AsciiLower(host);
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

}  // namespace qarvex
