#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/recent_documents.h"

namespace qarvex {

// GTK's recent-files list is rewritten whole on every change; one larger than this is
// no list a desktop wrote.
inline constexpr std::size_t kMaxRecentListBytes = 64u * 1024u * 1024u;

// The bookmarks of an XBEL document (the desktop bookmark format of
// "recently-used.xbel"): each one's href with the latest of its added, modified and
// visited times. Bookmarks marked private (meant for the one program that added them) are
// left out. Nothing when the text is not UTF-8, is not well-formed XML, or its root is
// not "xbel".
std::optional<std::vector<RecentDocument>> ParseXbel(std::string_view text);

// "2026-12-09T13:49:05.516173Z" (fraction optional, "Z" or "+hh:mm" / "-hh:mm") as
// seconds since 1970; nothing for any other text.
std::optional<std::int64_t> ParseXbelTime(std::string_view text);

}  // namespace qarvex
