#include "store/text_file.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/atomic_file.h"
#include "store/text_codec.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

using test::TempDir;
using Lines = std::vector<std::string>;

TEST(TextFileTest, SplitLinesAcceptsEveryLineEnd) {
    const struct {
        std::string_view text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\n", {"a"}},
        {"a\r", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"\r\n", {""}},
        {"a\r\n\r\n", {"a", ""}},
        {"a\n\rb", {"a", "", "b"}},  // LF CR is two line ends, not one
        {"a\r\r\nb", {"a", "", "b"}},
        {std::string_view("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitLines(c.text), c.lines) << testing::PrintToString(std::string(c.text));
    }
}

TEST(TextFileTest, WritesGb18030WithCrLfAfterEveryLine) {
    TempDir dir;
    ASSERT_TRUE(WriteTextLines(dir.File("fav.dat"), {"C:\\文件夹*|*文件夹", "", "我的电脑*|*x"}));
    EXPECT_EQ(dir.Read("fav.dat"),
              "C:\\\xCE\xC4\xBC\xFE\xBC\xD0*|*\xCE\xC4\xBC\xFE\xBC\xD0\r\n\r\n"
              "\xCE\xD2\xB5\xC4\xB5\xE7\xC4\xD4*|*x\r\n");
    ASSERT_TRUE(WriteTextLines(dir.File("empty.dat"), {}));
    EXPECT_EQ(dir.Read("empty.dat"), "");
}

TEST(TextFileTest, ReadsFilesOtherProgramsWrote) {
    TempDir dir;
    dir.Write("gbk.dat", "\xCE\xD2\xB5\xC4\xB5\xE7\xC4\xD4*|*a\r\nb\nc\r");
    EXPECT_EQ(ReadTextLines(dir.File("gbk.dat")), (Lines{"我的电脑*|*a", "b", "c"}));
    // Written by an editor as UTF-8: read as UTF-8, written back as GB18030.
    dir.Write("utf8.dat", "文件夹\n");
    const auto lines = ReadTextLines(dir.File("utf8.dat"));
    EXPECT_EQ(lines, Lines{"文件夹"});
    ASSERT_TRUE(WriteTextLines(dir.File("utf8.dat"), *lines));
    EXPECT_EQ(dir.Read("utf8.dat"), "\xCE\xC4\xBC\xFE\xBC\xD0\r\n");
}

TEST(TextFileTest, MissingOrUnreadableFileGivesNothing) {
    TempDir dir;
    EXPECT_EQ(ReadTextLines(dir.File("missing.dat")), std::nullopt);
    EXPECT_EQ(ReadTextLines(dir.Path()), std::nullopt);
    EXPECT_EQ(ReadTextFile(dir.File("missing.dat")), std::nullopt);
    EXPECT_FALSE(WriteTextLines(dir.File("no/such/folder.dat"), {"x"}));
}

TEST(TextFileTest, CorruptedFileWritesBackByteIdentical) {
    // Random bytes in CR LF terminated lines: whatever is in them (stray GBK lead bytes,
    // NULs, invalid sequences) comes back exactly when the lines are saved again.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes;
    for (int line = 0; line < 2000; ++line) {
        const int length = byte(rng);
        for (int i = 0; i < length; ++i) {
            char c = static_cast<char>(byte(rng));
            if (c == '\r' || c == '\n') {
                c = '\x80';
            }
            bytes.push_back(c);
        }
        bytes += "\r\n";
    }
    TempDir dir;
    dir.Write("rec.dat", bytes);
    const auto lines = ReadTextLines(dir.File("rec.dat"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->size(), 2000u);
    ASSERT_TRUE(WriteTextLines(dir.File("rec.dat"), *lines));
    EXPECT_TRUE(dir.Read("rec.dat") == bytes);
}

TEST(TextFileTest, HugeFileUpToTheLimitIsReadWhole) {
    TempDir dir;
    const std::string line = "C:\\\xCE\xC4\xBC\xFE\xBC\xD0\\" + std::string(990, 'x') + "*|*n";
    {
        std::string bytes;
        const auto size = static_cast<std::size_t>(kMaxStoredFileBytes) - 4096;
        bytes.reserve(size);
        while (bytes.size() + line.size() + 2 < size) {
            bytes += line;
            bytes += "\r\n";
        }
        bytes += "\xFF\xFE last line without an end";
        dir.Write("rec.dat", bytes);
    }
    const auto lines = ReadTextLines(dir.File("rec.dat"));
    ASSERT_TRUE(lines);
    EXPECT_GT(lines->size(), 60000u);
    EXPECT_EQ(lines->front(), DecodeStoredText(line));
    EXPECT_EQ(EncodeStoredText(lines->back()), "\xFF\xFE last line without an end");
}

TEST(TextFileTest, WholeTextRoundTripsThroughTheFile) {
    const struct {
        std::string_view text;
        std::string_view bytes;
    } cases[] = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\nb", "a\r\nb\r\n"},
        {"a\n", "a\r\n\r\n"},  // a trailing empty line of the notes is kept
        {"\n", "\r\n\r\n"},
        {"笔记\n\n", "\xB1\xCA\xBC\xC7\r\n\r\n\r\n"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteTextFile(dir.File("note.txt"), c.text));
        EXPECT_EQ(dir.Read("note.txt"), c.bytes) << testing::PrintToString(std::string(c.text));
        EXPECT_EQ(ReadTextFile(dir.File("note.txt")), c.text);
    }
    // Line ends of any kind inside the text become CR LF on disk.
    ASSERT_TRUE(WriteTextFile(dir.File("note.txt"), "a\r\nb\rc"));
    EXPECT_EQ(dir.Read("note.txt"), "a\r\nb\r\nc\r\n");
}

}  // namespace
}  // namespace qarvex
