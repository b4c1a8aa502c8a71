#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/recent_documents.h"

namespace qarvex {

// The resources KDE's activity manager saw used (its "resources/database", SQLite), the
// most recently used first, at most limit of them, each with the time of its last use.
// The database belongs to a running service: it is opened read-only, and a lock held for
// longer than a moment makes this give nothing rather than wait. Nothing too when the
// file is missing, damaged, or not of the layout Plasma 5 writes. busy, when given, tells
// whether it was a lock that stood in the way (worth trying again later).
std::optional<std::vector<RecentDocument>> ReadActivityDatabase(const std::string& path,
                                                                std::size_t limit,
                                                                bool* busy = nullptr);

}  // namespace qarvex
