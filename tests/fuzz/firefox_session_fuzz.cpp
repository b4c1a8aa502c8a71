// Arbitrary bytes as a browser session file: decoding and reading never crash, and any
// JSON wrapped the way the browser does it decodes back to itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include <lz4.h>

#include "fuzz/fuzz_support.h"
#include "platform/linux/firefox_session.h"

using qarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = qarvex::fuzz::AsView(data, size);

    if (const auto json = qarvex::DecodeMozLz4(input)) {
        (void)qarvex::PagesFromSessionJson(*json);
    }
    for (const qarvex::ShellWindow& page : qarvex::PagesFromSessionJson(input)) {
        Check(page.hasDocument, "a page without a document");
    }

    std::string file("mozLz40\0", 8);
    const auto length = static_cast<std::uint32_t>(size);
    for (int shift = 0; shift < 32; shift += 8) {
        file.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    std::string block(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(size))), '\0');
    const int packed = LZ4_compress_default(input.data(), block.data(), static_cast<int>(size),
                                            static_cast<int>(block.size()));
    if (packed <= 0 && size > 0) {
        return 0;
    }
    file.append(block.data(), static_cast<std::size_t>(packed));
    const auto decoded = qarvex::DecodeMozLz4(file);
    Check(decoded.has_value() && *decoded == input, "a well-formed session file did not decode");
    return 0;
}
