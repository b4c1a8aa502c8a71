// Arbitrary addresses through the two decoders of "file:" addresses (the file managers'
// and the browsers'): no crash, other schemes untouched, nothing longer than it was, and
// nothing decoded into a control character, a "%" or a "/" that would change the path.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/linux/browser_text.h"
#include "platform/x11/folder_address.h"
#include "store/strings.h"
#include "store/text_codec.h"

using qarvex::fuzz::Check;

namespace {

std::size_t Count(std::string_view text, char c) {
    std::size_t n = 0;
    for (const char t : text) {
        n += t == c ? 1 : 0;
    }
    return n;
}

std::size_t Controls(std::string_view text) {
    std::size_t n = 0;
    for (const char t : text) {
        n += static_cast<unsigned char>(t) < 0x20 || t == 0x7F ? 1 : 0;
    }
    return n;
}

void CheckDecoded(std::string_view input, const std::string& out) {
    const bool fileAddress = qarvex::EqualsIgnoreAsciiCase(input.substr(0, 7), "file://");
    if (!fileAddress || Count(input, '%') == 0) {
        Check(out == input, "an address that needs no decoding changed");
        return;
    }
    Check(out.size() <= input.size(), "a decoded address grew");
    Check(Count(out, '/') == Count(input, '/'), "decoding made or lost a folder");
    Check(Controls(out) == Controls(input), "decoding made a control character");
    Check(!qarvex::IsValidUtf8(input) || qarvex::IsValidUtf8(out), "decoding broke the UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = qarvex::fuzz::AsView(data, size);
    CheckDecoded(input, qarvex::FolderAddressFromUri(input));
    CheckDecoded(input, qarvex::DecodeFileAddress(input));
    return 0;
}
