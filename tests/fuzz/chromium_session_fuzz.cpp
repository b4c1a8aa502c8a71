// Arbitrary bytes as a Chromium-family session log: the replay never crashes, never
// reads outside the input, gives the same pages for the same bytes, and gives no more
// text than the input could hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/linux/chromium_session.h"

using qarvex::fuzz::Check;

namespace {

std::size_t TextSize(const std::vector<qarvex::ShellWindow>& pages) {
    std::size_t total = 0;
    for (const qarvex::ShellWindow& page : pages) {
        total += page.locationUrl.size() + page.title.size();
    }
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = qarvex::fuzz::AsView(data, size);

    // The input is exactly `size` bytes (libFuzzer's own copy), so any read beyond a
    // record or the file is reported by AddressSanitizer.
    const std::vector<qarvex::ShellWindow> pages = qarvex::PagesFromSnss(input);
    for (const qarvex::ShellWindow& page : pages) {
        Check(page.hasDocument && page.hasTitle, "a page without a document or title");
        Check(!page.locationUrl.empty() && !page.title.empty(), "a page with an empty field");
    }
    // Each page costs at least one record of its own; an address appears at most twice
    // (as the title of an untitled page) and UTF-16 grows by half at most in UTF-8.
    Check(pages.size() <= size / 3, "more pages than records");
    Check(TextSize(pages) <= 4 * size, "more text than the input holds");

    const std::vector<qarvex::ShellWindow> again = qarvex::PagesFromSnss(input);
    Check(again.size() == pages.size(), "a second reading differs");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        Check(again[i].locationUrl == pages[i].locationUrl && again[i].title == pages[i].title,
              "a second reading differs");
    }
    return 0;
}
