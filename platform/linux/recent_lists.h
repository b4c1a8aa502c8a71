#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/recent_documents.h"
#include "store/atomic_file.h"

namespace qarvex {

// The recent-files lists of the desktop's programs, below the user's data folder: GTK's
// "recently-used.xbel", KDE's "RecentDocuments" links, and KDE's activity database. A
// list is read again only when its files changed (size, time, identity), so a pass over
// lists nobody touched reads nothing.
class DesktopRecentLists : public RecentDocuments {
public:
    // dataHome is $XDG_DATA_HOME as set (possibly empty: home + "/.local/share" then).
    DesktopRecentLists(std::string home, const std::string& dataHome);

    std::vector<RecentDocument> ChangedDocuments() override;
    void Forget() override;

    // How many times a list was read and parsed; for the tests and the benchmark.
    std::size_t Parses() const { return m_parses; }

    // KDE keeps only a few links; this many of the newest are read at most.
    static constexpr std::size_t kMaxKdeLinks = 1000;
    // The newest resources taken from the activity database.
    static constexpr std::size_t kMaxActivityResources = 100000;

private:
    // What the files of one list looked like when last read.
    using Signature = std::vector<std::optional<FileStamp>>;

    bool Changed(const Signature& now, std::optional<Signature>& last);
    void ReadXbel(std::vector<RecentDocument>& out);
    void ReadKdeLinks(std::vector<RecentDocument>& out);
    void ReadActivities(std::vector<RecentDocument>& out);

    std::string m_home;
    std::string m_xbel;
    std::string m_kdeFolder;
    std::string m_activities;
    std::optional<Signature> m_xbelSeen;
    std::optional<Signature> m_kdeSeen;
    std::optional<Signature> m_activitiesSeen;
    std::size_t m_parses = 0;
};

// A KDE link's URL value with "$HOME", "${HOME}" and "$$" expanded, as its "[$e]" asks.
std::string ExpandKdeValue(const std::string& value, const std::string& home);

}  // namespace qarvex
