#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qarvex {

// One document of the desktop's recent-files lists, as the list names it: a "file://"
// URI (escaped or not), an absolute path, or a remote URI ("sftp://h/x").
struct RecentDocument {
    std::string uri;
    std::int64_t usedAt = 0;  // seconds since 1970 of its last use; 0 when unknown
};

// The recent-files lists the user's programs keep.
class RecentDocuments {
public:
    RecentDocuments() = default;
    virtual ~RecentDocuments() = default;
    RecentDocuments(const RecentDocuments&) = delete;
    RecentDocuments& operator=(const RecentDocuments&) = delete;

    // Every document of each list that changed since the last call; nothing for a list
    // that is unchanged, missing or unreadable.
    virtual std::vector<RecentDocument> ChangedDocuments() = 0;
    // The next call gives every list, changed or not.
    virtual void Forget() = 0;
};

}  // namespace qarvex
