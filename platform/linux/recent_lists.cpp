#include "platform/linux/recent_lists.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/linux/activity_database.h"
#include "platform/linux/bounded_read.h"
#include "platform/linux/desktop_entry.h"
#include "platform/linux/xbel_reader.h"
#include "store/strings.h"

namespace qarvex {

namespace {

// A link is a few hundred bytes.
constexpr std::size_t kMaxLinkBytes = 64 * 1024;

struct Link {
    std::string path;
    FileStamp stamp;
};

// The newest links of the folder, newest first, at most max of them.
std::vector<Link> NewestLinks(const std::string& folder, std::size_t max) {
    std::vector<Link> links;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string path = it->path().string();
        if (!EndsWith(path, ".desktop")) {
            continue;
        }
        if (const auto stamp = StatFile(path)) {
            links.push_back({path, *stamp});
        }
    }
    std::sort(links.begin(), links.end(), [](const Link& a, const Link& b) {
        return a.stamp.mtimeNs != b.stamp.mtimeNs ? a.stamp.mtimeNs > b.stamp.mtimeNs
                                                  : a.path < b.path;
    });
    if (links.size() > max) {
        links.resize(max);
    }
    return links;
}

}  // namespace

std::string ExpandKdeValue(const std::string& value, const std::string& home) {
    std::string out;
    std::size_t i = 0;
    while (i < value.size()) {
        if (value[i] != '$') {
            out += value[i++];
        } else if (value.compare(i, 2, "$$") == 0) {
            out += '$';
            i += 2;
        } else if (value.compare(i, 7, "${HOME}") == 0) {
            out += home;
            i += 7;
        } else if (value.compare(i, 5, "$HOME") == 0 &&
                   (i + 5 == value.size() || value[i + 5] == '/')) {
            out += home;
            i += 5;
        } else {
            out += value[i++];
        }
    }
    return out;
}

DesktopRecentLists::DesktopRecentLists(std::string home, const std::string& dataHome)
    : m_home(std::move(home)) {
    // A relative $XDG_DATA_HOME is invalid and is to be ignored.
    const std::string data =
        StartsWith(dataHome, "/") ? dataHome : JoinPath(m_home, ".local/share");
    m_xbel = JoinPath(data, "recently-used.xbel");
    m_kdeFolder = JoinPath(data, "RecentDocuments");
    m_activities = JoinPath(data, "kactivitymanagerd/resources/database");
}

void DesktopRecentLists::Forget() {
    m_xbelSeen.reset();
    m_kdeSeen.reset();
    m_activitiesSeen.reset();
}

bool DesktopRecentLists::Changed(const Signature& now, std::optional<Signature>& last) {
    if (last && *last == now) {
        return false;
    }
    last = now;
    // A list that is gone has nothing to give.
    return std::any_of(now.begin(), now.end(), [](const auto& stamp) { return stamp.has_value(); });
}

std::vector<RecentDocument> DesktopRecentLists::ChangedDocuments() {
    std::vector<RecentDocument> documents;
    ReadXbel(documents);
    ReadKdeLinks(documents);
    ReadActivities(documents);
    return documents;
}

void DesktopRecentLists::ReadXbel(std::vector<RecentDocument>& out) {
    if (!Changed({StatFile(m_xbel)}, m_xbelSeen)) {
        return;
    }
    ++m_parses;
    // A broken or huge list gives nothing, and is not read again until it changes.
    const auto text = ReadFileUpTo(m_xbel, kMaxRecentListBytes);
    if (!text) {
        return;
    }
    if (auto documents = ParseXbel(*text)) {
        out.insert(out.end(), std::make_move_iterator(documents->begin()),
                   std::make_move_iterator(documents->end()));
    }
}

void DesktopRecentLists::ReadKdeLinks(std::vector<RecentDocument>& out) {
    const std::vector<Link> links = NewestLinks(m_kdeFolder, kMaxKdeLinks);
    Signature now;
    now.reserve(links.size());
    for (const Link& link : links) {
        now.emplace_back(link.stamp);
    }
    if (!Changed(now, m_kdeSeen)) {
        return;
    }
    ++m_parses;
    for (const Link& link : links) {
        const auto text = ReadFileUpTo(link.path, kMaxLinkBytes);
        const auto entry = text ? ParseDesktopEntry(*text) : std::nullopt;
        if (!entry || !entry->url || entry->url->empty()) {
            continue;
        }
        RecentDocument document;
        document.uri = entry->urlExpands ? ExpandKdeValue(*entry->url, m_home) : *entry->url;
        // KDE rewrites the link each time the document is opened again.
        document.usedAt = link.stamp.mtimeNs / 1000000000;
        out.push_back(std::move(document));
    }
}

void DesktopRecentLists::ReadActivities(std::vector<RecentDocument>& out) {
    // Plasma writes through the journal first; the database proper changes only when it
    // is folded back in.
    if (!Changed({StatFile(m_activities), StatFile(m_activities + "-wal")}, m_activitiesSeen)) {
        return;
    }
    ++m_parses;
    bool busy = false;
    if (auto documents = ReadActivityDatabase(m_activities, kMaxActivityResources, &busy)) {
        out.insert(out.end(), std::make_move_iterator(documents->begin()),
                   std::make_move_iterator(documents->end()));
    } else if (busy) {
        m_activitiesSeen.reset();  // locked now, readable on a later pass
    }
}

}  // namespace qarvex
