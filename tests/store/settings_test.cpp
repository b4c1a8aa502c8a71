#include "store/settings.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/config_dir.h"
#include "store/ini_file.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

using namespace std::string_literals;

class SettingsTest : public ::testing::Test {
protected:
    std::string IniPath() const { return ConfigFilePath(m_dir, config_files::kSettings); }
    void WriteIni(std::string_view bytes) const { m_tmp.Write(config_files::kSettings, bytes); }
    std::string ReadIni() const { return m_tmp.Read(config_files::kSettings); }

    test::TempDir m_tmp;
    const std::string m_dir = m_tmp.Path() + "/";
};

TEST(SettingsValuesTest, CheckIntervalIsClampedTo60Through600) {
    const std::pair<int, int> cases[] = {{-5, 60},   {0, 60},    {30, 60},   {59, 60},   {60, 60},
                                         {120, 120}, {600, 600}, {601, 600}, {1000, 600}};
    for (const auto& [stored, used] : cases) {
        SCOPED_TRACE(stored);
        EXPECT_EQ(ClampCheckDocInterval(stored), used);
    }
}

TEST(SettingsValuesTest, HistoryBoundIsAPositiveCountOrNone) {
    EXPECT_EQ(ClampMaxDocs(-1), kDefaultMaxDocs);
    EXPECT_EQ(ClampMaxDocs(0), 0);
    EXPECT_EQ(ClampMaxDocs(500), 500);
}

TEST(SettingsValuesTest, StoredFileNamesAreTheHistoricOnes) {
    EXPECT_EQ(config_files::kSettings, "defualt.ini");
    EXPECT_EQ(config_files::kNote, "note.txt");
    EXPECT_EQ(config_files::kFavourites, "fav.dat");
    EXPECT_EQ(config_files::kRecent, "rec.dat");
    EXPECT_EQ(config_files::kRun, "run.dat");
    EXPECT_EQ(config_files::kLastRun, "lr.dat");
}

TEST_F(SettingsTest, MissingFileGivesEveryDefault) {
    IniFile ini(IniPath());
    const DefaultSettings s = ReadDefaultSettings(ini);
    EXPECT_TRUE(s.showFavEdit);
    EXPECT_FALSE(s.needRemoveUrl);
    EXPECT_FALSE(s.runSelectDoc);
    EXPECT_TRUE(s.cbRefresh);
    EXPECT_FALSE(s.queryAutoRunDoc);
    EXPECT_EQ(s.controlIndex, 0);
    EXPECT_EQ(s.checkDocInterval, 120);
    EXPECT_EQ(s.width, 620);
    EXPECT_EQ(s.height, 380);
    EXPECT_TRUE(s.needRemoveAllStart);
    EXPECT_FALSE(std::filesystem::exists(IniPath()));  // reading creates nothing
}

// A file written by hand or by the old program, keys spelled as they always were.
TEST_F(SettingsTest, StoredValuesAreReadUnderTheirExactKeys) {
    WriteIni(
        "[docs]\r\nShowFavEdit=1\r\n"
        "[default]\r\nShowFavEdit=0\r\nneedremoveurl=1\r\nRunSelectDoc=1\r\n"
        "CbRefresh=0\r\nQueryAutoRunDoc=1\r\nControlIndex=2\r\nCheckDocInterval=300\r\n"
        "width=800\r\nheight=500\r\nneedRemoveAllStart=0\r\n");
    IniFile ini(IniPath());
    const DefaultSettings s = ReadDefaultSettings(ini);
    EXPECT_FALSE(s.showFavEdit);
    EXPECT_TRUE(s.needRemoveUrl);
    EXPECT_TRUE(s.runSelectDoc);
    EXPECT_FALSE(s.cbRefresh);
    EXPECT_TRUE(s.queryAutoRunDoc);
    EXPECT_EQ(s.controlIndex, 2);
    EXPECT_EQ(s.checkDocInterval, 300);
    EXPECT_EQ(s.width, 800);
    EXPECT_EQ(s.height, 500);
    EXPECT_FALSE(s.needRemoveAllStart);
}

TEST_F(SettingsTest, StoredIntervalIsClampedAndGarbageGivesTheDefault) {
    const std::pair<const char*, int> cases[] = {
        {"30", 60}, {"1000", 600}, {"abc", 120}, {"", 120}, {"12 seconds", 120}, {"\xFF\xFE", 120},
    };
    for (const auto& [stored, used] : cases) {
        SCOPED_TRACE(stored);
        WriteIni(std::string("[default]\r\nCheckDocInterval=") + stored + "\r\n");
        IniFile ini(IniPath());
        EXPECT_EQ(DefaultSection::CheckDocInterval(ini), used);
    }
}

TEST_F(SettingsTest, CorruptedFileGivesDefaultsForWhatItCannotRead) {
    std::string bytes = "\xEF\xBB\xBF\x00\x01garbage\r\n[default\r\n=1\r\n[default]\r\n"s;
    bytes += "width=wide\r\nheight=\x81\x30\r\nCbRefresh=yes\r\nShowFavEdit\r\n";
    bytes += std::string(1 << 20, '\xB0');
    WriteIni(bytes);
    IniFile ini(IniPath());
    const DefaultSettings s = ReadDefaultSettings(ini);
    EXPECT_EQ(s.width, 620);
    EXPECT_EQ(s.height, 380);
    EXPECT_TRUE(s.cbRefresh);
    EXPECT_TRUE(s.showFavEdit);
    EXPECT_EQ(s.checkDocInterval, 120);
}

TEST_F(SettingsTest, ImmediateWritesUseTheStoredKeyNames) {
    IniFile ini(IniPath());
    EXPECT_TRUE(DefaultSection::SetCbRefresh(ini, false));
    EXPECT_TRUE(DefaultSection::SetRunSelectDoc(ini, true));
    EXPECT_TRUE(DefaultSection::SetQueryAutoRunDoc(ini, true));
    EXPECT_TRUE(DefaultSection::SetCheckDocInterval(ini, 180));
    const std::string text = ReadIni();
    for (const char* line : {"[default]\r\n", "CbRefresh=0\r\n", "RunSelectDoc=1\r\n",
                             "QueryAutoRunDoc=1\r\n", "CheckDocInterval=180\r\n"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(text.find(line), std::string::npos) << text;
    }
    IniFile again(IniPath());
    EXPECT_FALSE(DefaultSection::CbRefresh(again));
    EXPECT_EQ(DefaultSection::CheckDocInterval(again), 180);
}

TEST_F(SettingsTest, ExitWritesItsValuesInOrder) {
    IniFile ini(IniPath());
    ExitSettings state;
    state.controlIndex = 2;
    state.showFavEdit = false;
    state.rememberedWidth = 700;
    state.rememberedHeight = 400;
    state.windowWidth = 1024;
    state.windowHeight = 0;  // a collapsed window keeps the remembered height
    ASSERT_TRUE(SaveDefaultSettings(ini, state));
    EXPECT_EQ(ReadIni(),
              "[default]\r\nControlIndex=2\r\nShowFavEdit=0\r\nneedRemoveAllStart=0\r\n"
              "needremoveurl=0\r\nwidth=1024\r\nheight=400\r\n");

    state.windowHeight = 300;
    ASSERT_TRUE(SaveDefaultSettings(ini, state));
    IniFile again(IniPath());
    const DefaultSettings s = ReadDefaultSettings(again);
    EXPECT_FALSE(s.needRemoveUrl);
    EXPECT_FALSE(s.needRemoveAllStart);
    EXPECT_EQ(s.height, 300);
}

TEST_F(SettingsTest, ExitKeepsOtherSectionsAndUnknownLines) {
    WriteIni("[docs]\r\npath0=https://a.org/\r\n; a remark\r\n[default]\r\nOther=x\r\n");
    IniFile ini(IniPath());
    ASSERT_TRUE(SaveDefaultSettings(ini, ExitSettings{}));
    const std::string text = ReadIni();
    EXPECT_NE(text.find("path0=https://a.org/\r\n"), std::string::npos);
    EXPECT_NE(text.find("; a remark\r\n"), std::string::npos);
    EXPECT_NE(text.find("Other=x\r\n"), std::string::npos);
}

TEST_F(SettingsTest, UnwritableFolderFailsQuietly) {
    const std::string dir = m_dir + "missing/";
    IniFile ini(ConfigFilePath(dir, config_files::kSettings));
    EXPECT_FALSE(SaveDefaultSettings(ini, ExitSettings{}));
    EXPECT_FALSE(DefaultSection::SetCbRefresh(ini, false));
    EXPECT_FALSE(WriteNote(dir, "text"));
    EXPECT_FALSE(ReadNote(dir).has_value());
}

TEST_F(SettingsTest, NoteRoundTripsWithCrLfInGb18030) {
    EXPECT_FALSE(ReadNote(m_dir).has_value());
    ASSERT_TRUE(WriteNote(m_dir, "笔记\n第二行\n\nend"));
    EXPECT_EQ(m_tmp.Read("note.txt"),
              "\xB1\xCA\xBC\xC7\r\n\xB5\xDA\xB6\xFE\xD0\xD0\r\n\r\nend\r\n");
    EXPECT_EQ(ReadNote(m_dir), std::optional<std::string>("笔记\n第二行\n\nend"));
}

TEST_F(SettingsTest, NoteFromElsewhereKeepsEveryByte) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"gbk", "\xB1\xCA\xBC\xC7\r\nline", "笔记\nline"},
        {"utf-8", "笔记\nline\n", "笔记\nline"},
        {"mixed line ends", "a\rb\nc\r\n", "a\nb\nc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_tmp.Write("note.txt", c.bytes);
        EXPECT_EQ(ReadNote(m_dir), std::optional<std::string>(c.text));
    }

    // Bytes that are no text at all come back as they were.
    const std::string garbage = "\xFF\x80\x00\x81\x20z\r\n"s;
    m_tmp.Write("note.txt", garbage);
    const std::optional<std::string> note = ReadNote(m_dir);
    ASSERT_TRUE(note.has_value());
    ASSERT_TRUE(WriteNote(m_dir, *note));
    EXPECT_EQ(m_tmp.Read("note.txt"), garbage);
}

TEST_F(SettingsTest, HugeNoteRoundTrips) {
    std::string text;
    for (int i = 0; i < 200000; ++i) {
        text += "第" + std::to_string(i) + "行 note line\n";
    }
    text += "last";
    ASSERT_TRUE(WriteNote(m_dir, text));
    EXPECT_EQ(ReadNote(m_dir), std::optional<std::string>(text));
}

}  // namespace
}  // namespace qarvex
