#include <gtest/gtest.h>

#include "platform/x11/folder_address.h"

namespace qarvex {
namespace {

TEST(FolderAddressFromUri, DecodesFileAddressesExceptWhatTheHistoryMustSee) {
    struct Case {
        const char* uri;
        const char* expected;
    };
    const Case cases[] = {
        {"file:///home/u/Docs", "file:///home/u/Docs"},
        // %20 is left for the add routine, which turns it into a blank itself.
        {"file:///home/u/My%20Docs", "file:///home/u/My%20Docs"},
        {"file:///home/u/%E6%96%87", "file:///home/u/文"},
        {"file:///home/u/%e6%96%87%20x", "file:///home/u/文%20x"},
        {"file:///a%2Cb%28c%29", "file:///a,b(c)"},
        {"FILE:///a%41", "FILE:///aA"},
        // A literal "%" stays escaped so the text can't turn into a fresh escape later.
        {"file:///tmp/100%25", "file:///tmp/100%25"},
        {"file:///tmp/100%2541", "file:///tmp/100%2541"},
        // A slash inside a name stays escaped: decoded it would change the path's parts.
        {"file:///tmp/a%2Fb%2f..%2Fc", "file:///tmp/a%2Fb%2f..%2Fc"},
        {"file:///tmp/%E6%96%87%2F%E6%96%87", "file:///tmp/文%2F文"},
        // Control characters and bytes that are not UTF-8 stay as they were sent.
        {"file:///tmp/a%0Ab", "file:///tmp/a%0Ab"},
        {"file:///tmp/a%00b", "file:///tmp/a%00b"},
        {"file:///tmp/%FF%FE", "file:///tmp/%FF%FE"},
        {"file:///tmp/%E6%96", "file:///tmp/%E6%96"},
        // Broken escapes are text.
        {"file:///tmp/50%", "file:///tmp/50%"},
        {"file:///tmp/%zz%4", "file:///tmp/%zz%4"},
        // Other schemes pass as they are.
        {"trash:///", "trash:///"},
        {"smb://server/share/a%20b%E6%96%87", "smb://server/share/a%20b%E6%96%87"},
        {"sftp://h/%41", "sftp://h/%41"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uri);
        EXPECT_EQ(FolderAddressFromUri(c.uri), c.expected);
    }
}

}  // namespace
}  // namespace qarvex
