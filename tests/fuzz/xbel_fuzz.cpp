// Arbitrary bytes as a recent-files list: no crash, no hang, and what it gives is sound:
// every document has an address, and a list that parses still parses with a comment put
// in front of its root.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/linux/xbel_reader.h"

using qarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = qarvex::fuzz::AsView(data, size);
    const auto documents = qarvex::ParseXbel(text);
    if (documents) {
        for (const auto& document : *documents) {
            Check(!document.uri.empty(), "a document without an address");
        }
        if (text.find("<?") == std::string_view::npos && text.find("\xEF\xBB\xBF") != 0) {
            const auto again = qarvex::ParseXbel("<!-- x -->" + std::string(text));
            Check(again && again->size() == documents->size(), "a comment changed the list");
        }
    }
    (void)qarvex::ParseXbelTime(text.substr(0, 40));
    return 0;
}
