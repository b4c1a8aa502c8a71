// Arbitrary bytes as a desktop entry and as an Exec value: no crash, escaping keeps a
// value on one line, and a key set in an entry reads back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/linux/desktop_entry.h"
#include "store/text_codec.h"

using qarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [text, value] = qarvex::fuzz::SplitAtNul(qarvex::fuzz::AsView(data, size));

    const auto entry = qarvex::ParseDesktopEntry(text);
    if (entry && entry->exec) {
        (void)qarvex::SplitExec(*entry->exec);
    }
    (void)qarvex::SplitExec(value);
    (void)qarvex::UnescapeDesktopValue(value);

    const std::string escaped = qarvex::EscapeDesktopValue(value);
    Check(escaped.find_first_of(std::string("\r\n\0", 3)) == std::string::npos,
          "an escaped value spans lines");
    std::string flattened(value);
    for (char& c : flattened) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    Check(qarvex::UnescapeDesktopValue(escaped) == flattened, "escaping does not round-trip");

    const auto updated = qarvex::SetDesktopEntryKey(text, "Exec", escaped);
    if (updated && entry) {
        // The rest of the entry is untouched, so it is still text; the key reads back.
        const auto reread = qarvex::ParseDesktopEntry(*updated);
        if (qarvex::IsValidUtf8(value)) {
            Check(reread.has_value() && reread->exec == flattened,
                  "a key set in an entry does not read back");
            Check(reread->name == entry->name && reread->type == entry->type,
                  "setting one key changed another");
        }
    }
    return 0;
}
