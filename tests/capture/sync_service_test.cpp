#include "capture/sync_service.h"

#include <set>
#include <string>
#include <string_view>
#include <utility>

#include <gtest/gtest.h>

namespace qarvex {
namespace {

// What another machine's file says is hostile: only what this machine can open opens, and
// only a program it identified itself is started.
TEST(RemoteEntryOpening, OnlyWhatThisMachineHasOpensAndOnlyItsOwnProgramsStart) {
    const std::set<std::string> here = {"/usr/bin/known", "/usr/bin/stranger", "/home/u/doc"};
    const auto exists = [&here](const std::string& path) { return here.count(path) != 0; };
    const auto identified = [](std::string_view path) { return path == "/usr/bin/known"; };
    struct Case {
        TMyDoc doc;
        RemoteOpening::Way way;
        std::string target;
    };
    const auto doc = [](std::string path, std::string name, DocKind kind) {
        TMyDoc d;
        d.Path = std::move(path);
        d.DisplayName = std::move(name);
        d.DocType = kind;
        return d;
    };
    const Case cases[] = {
        {doc("https://example.com/a", "A", dkWebPage), RemoteOpening::Way::Open,
         "https://example.com/a"},
        {doc("/usr/bin/known", "known", dkSoftware), RemoteOpening::Way::Launch, "/usr/bin/known"},
        // Present here, but never identified here as a program.
        {doc("/usr/bin/stranger", "stranger", dkSoftware), RemoteOpening::Way::Elsewhere, ""},
        {doc("/opt/missing/tool", "tool", dkSoftware), RemoteOpening::Way::Elsewhere, ""},
        {doc("/home/u/doc", "/home/u/doc", dkFolderOrFile), RemoteOpening::Way::Open,
         "/home/u/doc"},
        {doc("/home/u/elsewhere", "/home/u/elsewhere", dkFolderOrFile),
         RemoteOpening::Way::Elsewhere, ""},
        // Called a page, but no web address: a path like any other.
        {doc("file:///usr/bin/stranger.desktop", "x", dkWebPage), RemoteOpening::Way::Elsewhere,
         ""},
        {doc("smb://nas/share/", "share", dkFolderOrFile), RemoteOpening::Way::Open,
         "smb://nas/share/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.doc.Path);
        const RemoteOpening opening = HowRemoteEntryOpens(c.doc, exists, identified);
        EXPECT_EQ(opening.way, c.way);
        EXPECT_EQ(opening.target, c.target);
    }
    EXPECT_EQ(ElsewhereText({"办公室", "笔记本"}), "该项在 办公室、笔记本 上");
}

}  // namespace
}  // namespace qarvex
