#include "platform/linux/xdg_autostart_store.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/desktop_entry.h"
#include "store/autorun.h"
#include "support/cannot_run.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using test::TempDir;

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file under the folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path().string());
        }
    }
    return files;
}

// Another program's entry, with everything a real one may carry.
const std::string kOtherEntry =
    "[Desktop Entry]\r\n"
    "Type=Application\r\n"
    "Name=Other\r\n"
    "Name[zh_CN]=\xE5\x85\xB6\xE4\xBB\x96\r\n"
    "Exec=/usr/bin/other --tray %U\r\n"
    "# comment\r\n"
    "X-GNOME-Autostart-Delay=5\r\n"
    "\r\n"
    "[Desktop Action quit]\r\n"
    "Exec=/usr/bin/other --quit\r\n";

class XdgAutostartStoreTest : public ::testing::Test {
protected:
    std::string Folder() const { return m_dir.Path() + "/config/autostart"; }
    std::string File(const std::string& name) const { return Folder() + "/" + name + ".desktop"; }
    void Seed(const std::string& name, const std::string& bytes) {
        fs::create_directories(Folder());
        WriteBytes(File(name), bytes);
    }

    TempDir m_dir;
    XdgAutostartStore m_store{m_dir.Path() + "/config/autostart/"};
};

TEST_F(XdgAutostartStoreTest, ValuesComeBackAsWritten) {
    const std::string values[] = {
        "\"/opt/Qarvex App/qarvex\"",
        "/usr/bin/tool --opt \"a b\" %U",
        R"(C:\Program Files\x.exe)",
        "   ",
        "  padded  ",
        "中文路径/程序",
        "tab\there",
        "",
    };
    for (const std::string& value : values) {
        ASSERT_TRUE(m_store.Write("Qarvex", value)) << value;
        EXPECT_EQ(m_store.Read("Qarvex"), value);
    }
    auto entry = ParseDesktopEntry(ReadBytes(File("Qarvex")));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->type, "Application");
    EXPECT_EQ(entry->name, "Qarvex");
}

TEST_F(XdgAutostartStoreTest, TickingAnEntryTheDesktopSwitchedOffSwitchesItOnAgain) {
    Seed("Qarvex",
         "[Desktop Entry]\nType=Application\nName=Qarvex\nExec=\"/usr/bin/qarvex\"\n"
         "Hidden=true\nX-GNOME-Autostart-enabled=false\nX-GNOME-Autostart-Delay=5\n");
    EXPECT_FALSE(IsRunValuePresent(m_store, "Qarvex"));  // the tick shows it off

    SetRunValue(m_store, "Qarvex", "/usr/bin/qarvex", true);
    EXPECT_TRUE(IsRunValuePresent(m_store, "Qarvex"));
    const std::string text = ReadBytes(File("Qarvex"));
    EXPECT_EQ(text.find("Hidden"), std::string::npos);
    EXPECT_EQ(text.find("X-GNOME-Autostart-enabled"), std::string::npos);
    EXPECT_NE(text.find("X-GNOME-Autostart-Delay=5"), std::string::npos);  // the rest stays

    Seed("Other", "[Desktop Entry]\nExec=other\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(IsRunValuePresent(m_store, "Other"));
}

TEST_F(XdgAutostartStoreTest, TheOwnEntryStartsExactlyThatProgramWhateverItsPath) {
    for (const std::string path : {"/opt/100%done/qarvex", "/opt/my \"q\"/qarvex",
                                   "/opt/$HOME `id` \\x/qarvex", "/opt/Qarvex App/qarvex"}) {
        SCOPED_TRACE(path);
        SetRunValue(m_store, "Qarvex", path, true);
        const auto entry = ParseDesktopEntry(ReadBytes(File("Qarvex")));
        ASSERT_TRUE(entry && entry->exec);
        EXPECT_EQ(SplitExec(*entry->exec), std::vector<std::string>{path});
    }
    const std::string before = ReadBytes(File("Qarvex"));
    SetRunValue(m_store, "Qarvex", "/opt/a\nHidden=true/qarvex", true);
    EXPECT_EQ(ReadBytes(File("Qarvex")), before);  // refused, not written
    EXPECT_EQ(QuotedExecArgument("/opt/100%done/qarvex"), "\"/opt/100%%done/qarvex\"");
}

TEST_F(XdgAutostartStoreTest, NewlinesInDataCannotInjectKeys) {
    ASSERT_TRUE(m_store.Write("Qarvex", "run\n[Desktop Entry]\nHidden=true\r\nExec=evil"));
    auto entry = ParseDesktopEntry(ReadBytes(File("Qarvex")));
    ASSERT_TRUE(entry.has_value());
    EXPECT_FALSE(entry->hidden);
    EXPECT_EQ(entry->exec, "run [Desktop Entry] Hidden=true  Exec=evil");
    EXPECT_EQ(m_store.List()->size(), 1u);
}

TEST_F(XdgAutostartStoreTest, ListIsSortedByFileNameAndSkipsWhatIsNoEntry) {
    Seed("zeta", "[Desktop Entry]\nExec=z\n");
    Seed("Alpha", "[Desktop Entry]\nExec=a\n");
    Seed("beta", "[Desktop Entry]\nName=no exec\n");
    Seed("binary", std::string("\x7f"
                               "ELF\0\0\0\x01[Desktop Entry]\nExec=x\n",
                               32));
    Seed("gbk", "[Desktop Entry]\nExec=\xD6\xD0\xCE\xC4\n");
    fs::create_directories(Folder() + "/folder.desktop");
    WriteBytes(Folder() + "/notes.txt", "[Desktop Entry]\nExec=not an entry\n");
    WriteBytes(Folder() + "/.desktop", "[Desktop Entry]\nExec=no name\n");

    auto list = m_store.List();
    ASSERT_TRUE(list.has_value());
    std::vector<std::pair<std::string, std::optional<std::string>>> got;
    for (const auto& v : *list) {
        got.emplace_back(v.name, v.data);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> expected = {
        {"Alpha", "a"},        {"beta", std::nullopt}, {"binary", std::nullopt},
        {"gbk", std::nullopt}, {"zeta", "z"},
    };
    EXPECT_EQ(got, expected);
}

TEST_F(XdgAutostartStoreTest, MissingFolderIsEmptyAndUnusableFolderIsAFailure) {
    auto empty = m_store.List();
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
    EXPECT_EQ(m_store.Read("Qarvex"), std::nullopt);
    EXPECT_TRUE(m_store.Remove("Qarvex"));

    fs::create_directories(m_dir.Path() + "/config");
    WriteBytes(Folder(), "a file where the folder should be");
    EXPECT_EQ(m_store.List(), std::nullopt);
    EXPECT_FALSE(m_store.Write("Qarvex", "x"));
    EXPECT_EQ(ReadBytes(Folder()), "a file where the folder should be");
}

TEST_F(XdgAutostartStoreTest, UnreadableFolderIsAFailure) {
    Seed("x", "[Desktop Entry]\nExec=x\n");
    QARVEX_RUN_UNPRIVILEGED(m_dir.Path(), [&] {
        fs::permissions(Folder(), fs::perms::none);
        EXPECT_EQ(m_store.List(), std::nullopt);
        fs::permissions(Folder(), fs::perms::owner_all);
    });
}

TEST_F(XdgAutostartStoreTest, CreatesTheFolderWhenMissing) {
    ASSERT_TRUE(m_store.Write("Qarvex", "\"/opt/q/qarvex\""));
    EXPECT_TRUE(fs::is_directory(Folder()));
    auto list = m_store.List();
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->size(), 1u);
    EXPECT_EQ((*list)[0].name, "Qarvex");
    EXPECT_EQ((*list)[0].data, "\"/opt/q/qarvex\"");
}

TEST_F(XdgAutostartStoreTest, OtherEntriesSurviveEveryOperationByteForByte) {
    Seed("other", kOtherEntry);
    Seed("broken", "\xFF\xFE garbage \x00\x01"s);
    auto before = Snapshot(Folder());

    ASSERT_TRUE(m_store.Write("Qarvex", "first"));
    ASSERT_TRUE(m_store.Write("Qarvex", "second"));
    ASSERT_TRUE(m_store.List().has_value());
    ASSERT_TRUE(m_store.Remove("Qarvex"));
    ASSERT_TRUE(m_store.Remove("never-there"));
    EXPECT_EQ(Snapshot(Folder()), before);
}

TEST_F(XdgAutostartStoreTest, OverwritingAnotherEntryChangesOnlyItsExecLine) {
    Seed("other", kOtherEntry);
    ASSERT_TRUE(m_store.Write("other", "/usr/bin/other --changed\\path"));
    std::string expected = kOtherEntry;
    std::string oldLine = "Exec=/usr/bin/other --tray %U\r\n";
    expected.replace(expected.find(oldLine), oldLine.size(),
                     "Exec=/usr/bin/other --changed\\\\path\r\n");
    EXPECT_EQ(ReadBytes(File("other")), expected);
    EXPECT_EQ(m_store.Read("other"), "/usr/bin/other --changed\\path");
}

TEST_F(XdgAutostartStoreTest, FilesThatAreNoEntryTextAreNeverOverwritten) {
    const std::string binary =
        "\x7f"
        "ELF\x02\x01\x01\x00\x00[Desktop Entry]\nExec=x\n"s;
    const std::string gbk = "[Desktop Entry]\nName=\xD6\xD0\xCE\xC4\nExec=old\n";
    std::string huge = "[Desktop Entry]\nExec=old\n";
    huge += std::string(2 * 1024 * 1024, '#');
    Seed("binary", binary);
    Seed("gbk", gbk);
    Seed("huge", huge);
    for (const char* name : {"binary", "gbk", "huge"}) {
        EXPECT_EQ(m_store.Read(name), std::nullopt) << name;
        EXPECT_FALSE(m_store.Write(name, "new")) << name;
    }
    EXPECT_EQ(ReadBytes(File("binary")), binary);
    EXPECT_EQ(ReadBytes(File("gbk")), gbk);
    EXPECT_EQ(ReadBytes(File("huge")), huge);
}

TEST_F(XdgAutostartStoreTest, TextWithoutTheGroupGetsOneInFrontAndKeepsTheRest) {
    Seed("plain", "just some notes\n");
    ASSERT_TRUE(m_store.Write("plain", "run"));
    EXPECT_EQ(m_store.Read("plain"), "run");
    std::string text = ReadBytes(File("plain"));
    EXPECT_EQ(text.substr(0, 15), "[Desktop Entry]");
    EXPECT_NE(text.find("\njust some notes\n"), std::string::npos);
}

TEST_F(XdgAutostartStoreTest, NamesThatCouldLeaveTheFolderAreRefused) {
    fs::create_directories(Folder());
    Seed("victim", kOtherEntry);
    const std::string names[] = {
        "", ".", "..", "../escape", "../../config/escape", "a/b", "/etc/passwd", "x\0y"s,
    };
    for (const std::string& name : names) {
        EXPECT_FALSE(m_store.Write(name, "evil")) << name;
        EXPECT_EQ(m_store.Read(name), std::nullopt) << name;
        EXPECT_FALSE(m_store.Remove(name)) << name;
    }
    auto files = Snapshot(m_dir.Path());
    EXPECT_EQ(files.size(), 1u);
    EXPECT_EQ(files["config/autostart/victim.desktop"], kOtherEntry);
}

TEST_F(XdgAutostartStoreTest, OddButHarmlessNamesWork) {
    // A name may hold a line break; it must not leak into the entry as a new key.
    const std::string names[] = {"with blank", "中文", ".hidden", "x\nHidden=true", "a\\b"};
    for (const std::string& name : names) {
        ASSERT_TRUE(m_store.Write(name, "run")) << name;
        EXPECT_EQ(m_store.Read(name), "run") << name;
        auto entry = ParseDesktopEntry(ReadBytes(File(name)));
        ASSERT_TRUE(entry.has_value());
        EXPECT_FALSE(entry->hidden) << name;
    }
    EXPECT_EQ(m_store.List()->size(), std::size(names));
    for (const std::string& name : names) {
        EXPECT_TRUE(m_store.Remove(name));
    }
    EXPECT_TRUE(m_store.List()->empty());
}

TEST(XdgAutostartSystemEntries, ListedWithTheirStateAndRemovedByAUserOverride) {
    TempDir root;
    const std::string user = root.Path() + "/user";
    const std::string first = root.Path() + "/xdg1/autostart";
    const std::string second = root.Path() + "/xdg2/autostart";
    fs::create_directories(user);
    fs::create_directories(first);
    fs::create_directories(second);
    const std::string applet =
        "[Desktop Entry]\nType=Application\nName=Applet\nName[zh_CN]=小程序\n"
        "Exec=/usr/bin/applet\n";
    WriteBytes(first + "/applet.desktop", applet);
    WriteBytes(second + "/applet.desktop", "[Desktop Entry]\nExec=/usr/bin/shadowed\n");
    WriteBytes(second + "/off.desktop",
               "[Desktop Entry]\nExec=/usr/bin/off\nX-GNOME-Autostart-enabled=false\n");
    WriteBytes(user + "/mine.desktop", "[Desktop Entry]\nExec=/usr/bin/mine\nHidden=true\n");

    EXPECT_EQ(XdgAutostartStore::SystemFolders(nullptr),
              std::vector<std::string>{"/etc/xdg/autostart"});
    EXPECT_EQ(XdgAutostartStore::SystemFolders("/a/:relative:/b"),
              (std::vector<std::string>{"/a/autostart", "/b/autostart"}));

    XdgAutostartStore store(user, {first, second});
    struct Row {
        std::string name, data;
        bool enabled, system;
        bool operator==(const Row&) const = default;
    };
    const auto rows = [&] {
        std::vector<Row> out;
        const std::optional<std::vector<AutostartStore::Value>> listed = store.ListAll();
        if (!listed) {
            return out;
        }
        for (const auto& v : *listed) {
            out.push_back({v.name, v.data.value_or(""), v.enabled, v.system});
        }
        return out;
    };
    EXPECT_EQ(rows(), (std::vector<Row>{{"applet", "/usr/bin/applet", true, true},
                                        {"mine", "/usr/bin/mine", false, false},
                                        {"off", "/usr/bin/off", false, true}}));
    // Known to the user by its name in their language.
    setenv("LANGUAGE", "zh_CN", 1);
    EXPECT_EQ(store.ListAll()->front().label, "小程序");
    unsetenv("LANGUAGE");

    // Removing a system entry hides it for this user; the system's file stays as it was.
    ASSERT_TRUE(store.Remove("applet"));
    EXPECT_EQ(ReadBytes(first + "/applet.desktop"), applet);
    EXPECT_EQ(rows().front(), (Row{"applet", "/usr/bin/applet", false, false}));
    // The user's own entries are still deleted outright.
    ASSERT_TRUE(store.Remove("mine"));
    EXPECT_FALSE(fs::exists(user + "/mine.desktop"));
}

}  // namespace
}  // namespace qarvex
