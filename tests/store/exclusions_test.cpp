#include "store/exclusions.h"

#include <gtest/gtest.h>

namespace qarvex {
namespace {

TMyDoc Doc(std::int32_t type, const std::string& path, const std::string& name = "x") {
    TMyDoc doc;
    doc.DocType = type;
    doc.Path = path;
    doc.DisplayName = name;
    return doc;
}

TEST(ExclusionsTest, CommentsBlankLinesAndRuleKinds) {
    const Exclusions rules({"# private things", "", "   ", "  *.Bank.Example.  # my bank",
                            "https://User@Mail.Example:8443/inbox", "~/private/",
                            "file:///srv/a%20b", "/home/u/C#", "org.gnome.Evince.desktop", "gimp"},
                           "/home/u");
    ASSERT_EQ(rules.Rules().size(), 7U);
    using Kind = ExclusionRule::Kind;
    EXPECT_EQ(rules.Rules()[0].kind, Kind::HostAndSubdomains);
    EXPECT_EQ(rules.Rules()[0].text, "bank.example");
    EXPECT_EQ(rules.Rules()[1].kind, Kind::Host);
    EXPECT_EQ(rules.Rules()[1].text, "mail.example");
    EXPECT_EQ(rules.Rules()[2].kind, Kind::Path);
    EXPECT_EQ(rules.Rules()[2].text, "/home/u/private");
    EXPECT_EQ(rules.Rules()[3].text, "/srv/a b");
    EXPECT_EQ(rules.Rules()[4].text, "/home/u/C#");
    EXPECT_EQ(rules.Rules()[5].kind, Kind::DesktopId);
    EXPECT_EQ(rules.Rules()[6].kind, Kind::Name);
    EXPECT_TRUE(Exclusions({"# only a comment"}, "/home/u").Empty());
}

TEST(ExclusionsTest, HostRulesMatchTheHostAndOnlyWildcardsTakeSubdomains) {
    const Exclusions rules({"*.bank.example", "mail.example"}, "");
    EXPECT_TRUE(rules.MatchesSighting("https://bank.example/", "B", false));
    EXPECT_TRUE(rules.MatchesSighting("https://www.online.BANK.example:443/login", "B", false));
    EXPECT_TRUE(rules.MatchesSighting("http://mail.example/x?y#z", "M", false));
    EXPECT_FALSE(rules.MatchesSighting("http://www.mail.example/", "M", false));
    EXPECT_FALSE(rules.MatchesSighting("http://notbank.example/", "N", false));
    EXPECT_FALSE(rules.MatchesSighting("http://bank.example.evil.test/", "E", false));
    EXPECT_FALSE(rules.MatchesSighting("http://site.test/?go=bank.example", "Q", false));
    EXPECT_TRUE(rules.MatchesDoc(Doc(dkWebPage, "http://a.bank.example/p")));
    EXPECT_FALSE(rules.MatchesDoc(Doc(dkWebPage, "http://bank.example.org/p")));
}

TEST(ExclusionsTest, FolderRulesTakeWholePathComponentsOnly) {
    const Exclusions rules({"/home/u/doc", "C:\\Secret\\"}, "");
    EXPECT_TRUE(rules.MatchesSighting("file:///home/u/doc", "", false));
    EXPECT_TRUE(rules.MatchesSighting("file:///home/u/doc/", "", false));
    EXPECT_TRUE(rules.MatchesSighting("file:///home/u/doc/a/b.txt", "", false));
    EXPECT_FALSE(rules.MatchesSighting("file:///home/u/docs", "", false));
    EXPECT_FALSE(rules.MatchesSighting("file:///home/u/do", "", false));
    EXPECT_FALSE(rules.MatchesSighting("file:///home/u", "", false));
    EXPECT_TRUE(rules.MatchesSighting("file:///C:/Secret/plans", "", false));
    EXPECT_FALSE(rules.MatchesSighting("file:///C:/Secrets", "", false));
    EXPECT_TRUE(rules.MatchesDoc(Doc(dkFolderOrFile, "/home/u/doc/x")));
    EXPECT_FALSE(rules.MatchesDoc(Doc(dkFolderOrFile, "/home/u/docs/x")));
    // A folder rule says nothing about web pages that mention it.
    EXPECT_FALSE(rules.MatchesSighting("http://site.test/home/u/doc", "P", false));

    const Exclusions spaced({"/home/u/My Docs"}, "");
    EXPECT_TRUE(spaced.MatchesSighting("file:///home/u/My%20Docs/a", "", false));
    const Exclusions chinese({"/home/u/私人"}, "");
    EXPECT_TRUE(chinese.MatchesSighting("file:///home/u/%E7%A7%81%E4%BA%BA/a", "", false));
}

TEST(ExclusionsTest, ProgramRulesByPathDesktopIdOrName) {
    const Exclusions rules({"/opt/secret", "org.example.Chat.desktop", "Gimp", "密码管理器"}, "");
    EXPECT_TRUE(rules.MatchesSighting("/opt/secret/bin/tool", "工具", true));
    EXPECT_FALSE(rules.MatchesSighting("/opt/secretive/tool", "工具", true));
    EXPECT_TRUE(
        rules.MatchesSighting("/usr/share/applications/org.example.Chat.desktop", "Chat", true));
    EXPECT_TRUE(rules.MatchesSighting("/usr/bin/gimp", "GNU Image Manipulation Program", true));
    EXPECT_TRUE(rules.MatchesSighting("/usr/share/applications/gimp.desktop", "GIMP", true));
    EXPECT_TRUE(rules.MatchesSighting("/usr/bin/keepass", "密码管理器", true));
    EXPECT_FALSE(rules.MatchesSighting("/usr/bin/gimp-console", "Console", true));
    // Seen by its executable, a program matches the id's last part.
    EXPECT_TRUE(rules.MatchesSighting("/usr/bin/chat", "聊天", true));
    EXPECT_FALSE(rules.MatchesSighting("/usr/bin/chatty", "聊天", true));
    EXPECT_FALSE(rules.MatchesSighting("/usr/share/applications/chat.desktop", "聊天", true));
    // Names stand for programs, not for folders or pages of that name.
    EXPECT_FALSE(rules.MatchesSighting("file:///home/u/gimp", "", false));
    EXPECT_TRUE(rules.MatchesDoc(Doc(dkSoftware, "/usr/bin/gimp", "图像")));
}

TEST(ExclusionsTest, TheNarrowestRuleOfAnEntryMatchesIt) {
    const TMyDoc page = Doc(dkWebPage, "https://Www.News.Example:8080/a/b.html");
    const TMyDoc folder = Doc(dkFolderOrFile, "/home/u/doc");
    const TMyDoc program = Doc(dkSoftware, "/usr/bin/gimp", "GIMP");
    EXPECT_EQ(NarrowestRuleFor(page), "www.news.example");
    EXPECT_EQ(NarrowestRuleFor(folder), "/home/u/doc");
    EXPECT_EQ(NarrowestRuleFor(program), "/usr/bin/gimp");

    const DocTable docs = {page,
                           folder,
                           program,
                           Doc(dkWebPage, "https://news.example/"),
                           Doc(dkFolderOrFile, "/home/u/docs"),
                           Doc(dkSoftware, "/usr/bin/gimp2")};
    const Exclusions rules(
        {NarrowestRuleFor(page), NarrowestRuleFor(folder), NarrowestRuleFor(program)}, "");
    EXPECT_EQ(rules.MatchingDocs(docs), (std::vector<int>{0, 1, 2}));
}

}  // namespace
}  // namespace qarvex
