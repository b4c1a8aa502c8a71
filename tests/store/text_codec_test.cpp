#include "store/text_codec.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qarvex {
namespace {

// GBK bytes as another program on the users' systems wrote them.
const struct GbkSample {
    std::string_view gbk;
    std::string_view utf8;
} kGbkSamples[] = {
    {"\xCE\xD2\xB5\xC4\xB5\xE7\xC4\xD4", "我的电脑"},
    {"\xCE\xC4\xBC\xFE\xBC\xD0", "文件夹"},
    {"\xCD\xF8\xD2\xB3", "网页"},
    {"C:\\\xCE\xC4\xBC\xFE\xBC\xD0\\a.txt*|*\xB1\xCA\xBC\xC7", "C:\\文件夹\\a.txt*|*笔记"},
    {"\xA2\xE3", "€"},
};

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out(size, '\0');
    for (char& c : out) {
        c = static_cast<char>(byte(rng));
    }
    return out;
}

TEST(TextCodecTest, GbkTextReadsCorrectlyAndWritesBackIdentical) {
    for (const auto& sample : kGbkSamples) {
        const std::string decoded = DecodeStoredText(sample.gbk);
        EXPECT_EQ(decoded, sample.utf8);
        EXPECT_EQ(EncodeStoredText(decoded), sample.gbk);
    }
}

TEST(TextCodecTest, Utf8TextIsTakenAsItIsAndWrittenAsGb18030) {
    EXPECT_EQ(DecodeStoredText("plain ascii"), "plain ascii");
    EXPECT_EQ(DecodeStoredText("我的电脑"), "我的电脑");
    EXPECT_EQ(EncodeStoredText("我的电脑"), "\xCE\xD2\xB5\xC4\xB5\xE7\xC4\xD4");
    // Characters outside GBK take the four-byte GB18030 form and still come back.
    EXPECT_EQ(EncodeStoredText("𠀀"), "\x95\x32\x82\x36");
    EXPECT_EQ(DecodeStoredText("\x95\x32\x82\x36"), "𠀀");
}

// Texts whose GB18030 bytes would also pass for UTF-8 must still read back unchanged,
// and saving what was read must give the same bytes again.
TEST(TextCodecTest, TextWhoseGb18030FormLooksLikeUtf8ReadsBackUnchanged) {
    // "浣犲ソ" is the GB18030 form of the UTF-8 bytes of "你好".
    for (const std::string& text :
         {std::string("锘縲"), std::string("C锘縲.dvaneitl=x\r\n"),
          std::string("[docs]\r\nname0=锘縲\r\n"), std::string("浣犲ソ"), std::string("锘")}) {
        const std::string stored = EncodeStoredText(text);
        EXPECT_EQ(DecodeStoredText(stored), text);
        EXPECT_EQ(EncodeStoredText(DecodeStoredText(stored)), stored);
    }
    // Ordinary Chinese text is still written in GB18030.
    EXPECT_EQ(EncodeStoredText("我的电脑"), "\xce\xd2\xb5\xc4\xb5\xe7\xc4\xd4");
}

// Short GBK texts are often valid UTF-8 too; they must still read as the GBK they are.
TEST(TextCodecTest, ShortGbkTextsThatPassForUtf8ReadAsGbk) {
    const struct {
        std::string_view gbk;
        std::string_view text;
    } samples[] = {
        {"\xD0\xA1\xCB\xB5", "小说"},  // would be "С˵"
        {"\xC4\xBF\xC2\xBC", "目录"},  // would be "Ŀ¼"
        {"D:\\\xD0\xA1\xCB\xB5\\\xC4\xBF\xC2\xBC.txt*|*\xC4\xBF\xC2\xBC\r\n",
         "D:\\小说\\目录.txt*|*目录\r\n"},
    };
    for (const auto& sample : samples) {
        ASSERT_TRUE(IsValidUtf8(sample.gbk));
        EXPECT_EQ(DecodeStoredText(sample.gbk), sample.text);
        EXPECT_EQ(EncodeStoredText(sample.text), sample.gbk);
    }
}

TEST(TextCodecTest, Utf8FromATextEditorStillReadsRight) {
    // Chinese without a byte-order mark, and anything behind one.
    EXPECT_EQ(DecodeStoredText("小说和目录\r\n"), "小说和目录\r\n");
    EXPECT_EQ(DecodeStoredText("笔记: café"), "笔记: café");
    EXPECT_EQ(DecodeStoredText("笔记: café 10×"), "笔记: café 10×");  // as GBK: "绗旇..."
    EXPECT_EQ(DecodeStoredText("\xEF\xBB\xBFПривет, мир\r\n"), "Привет, мир\r\n");
    EXPECT_EQ(DecodeStoredText("\xEF\xBB\xBF小说"), "小说");
    // Saved again, such a file is in the stored encoding.
    EXPECT_EQ(EncodeStoredText(DecodeStoredText("\xEF\xBB\xBF小说")), "\xD0\xA1\xCB\xB5");
}

TEST(TextCodecTest, ArbitraryBytesSurviveARoundTrip) {
    std::vector<std::string> inputs;
    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte.push_back(static_cast<char>(b));
        inputs.emplace_back(1, static_cast<char>(b));
    }
    inputs.push_back(everyByte);
    // Every pair of bytes, one after another: crosses the decoder's internal slices and
    // covers every lead byte with every trail byte.
    std::string pairs;
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            pairs.push_back(static_cast<char>(a));
            pairs.push_back(static_cast<char>(b));
        }
    }
    inputs.push_back(pairs);
    for (unsigned seed = 1; seed <= 4; ++seed) {
        inputs.push_back(RandomBytes(300 * 1024 + seed, seed));
    }
    // Codes that the converter maps onto a character shared with another code.
    inputs.push_back("\x95\x32\x90\x31|\x95\x32\x90\x33|\x95\x32\x97\x30|\x96\x30\xBA\x35");
    // Cut characters at the very end.
    inputs.push_back("abc\xCE");
    inputs.push_back("abc\x95\x32\x82");
    // A UTF-8 file that holds characters of the range used for undecodable bytes.
    inputs.push_back("x\xEF\x9E\x80y\xEF\x9F\xBFz");

    for (const std::string& input : inputs) {
        const std::string decoded = DecodeStoredText(input);
        EXPECT_TRUE(IsValidUtf8(decoded)) << "size " << input.size();
        const std::string encoded = EncodeStoredText(decoded);
        ASSERT_EQ(encoded.size(), input.size());
        EXPECT_TRUE(encoded == input) << "size " << input.size();
    }
}

// The range that stands for undecodable bytes also holds real characters, which a window
// title may carry: they must come back as themselves, not as the bytes they stand for.
TEST(TextCodecTest, RealCharactersOfTheEscapeRangeReadBackAsThemselves) {
    for (const std::string title :
         {"窗口\uF7B0标题", "\uF780x\uF7FF", "a\uF7B0\r\n", "\uF7B0\uF7B1"}) {
        EXPECT_EQ(DecodeStoredText(EncodeStoredText(title)), title);
    }
}

TEST(TextCodecTest, UndecodableBytesDoNotSpoilTheirNeighbours) {
    // A stray byte in front of GBK text: the text around it still reads as text.
    const std::string decoded = DecodeStoredText("\xFF\xCE\xC4\xBC\xFE\xBC\xD0\x80!");
    EXPECT_NE(decoded.find("文件夹"), std::string::npos);
    EXPECT_EQ(decoded.back(), '!');
}

TEST(TextCodecTest, CharacterCutByTheDecoderSliceIsDecodedWhole) {
    for (std::size_t lead : {65534u, 65535u, 65536u, 65537u}) {
        const std::string input = std::string(lead, 'a') + "\xCE\xC4" + "\xFF" +
                                  std::string(lead, 'b') + "\x95\x32\x82\x36";
        const std::string decoded = DecodeStoredText(input);
        EXPECT_EQ(decoded.substr(lead, 3), "文") << lead;
        EXPECT_EQ(decoded.substr(decoded.size() - 4), "𠀀") << lead;
        EXPECT_EQ(EncodeStoredText(decoded), input);
    }
}

TEST(TextCodecTest, MalformedUtf8InMemoryIsWrittenRawNotDropped) {
    EXPECT_EQ(EncodeStoredText("a\xFF"
                               "b\xE6\x96"),
              "a\xFF"
              "b\xE6\x96");
}

TEST(TextCodecTest, Utf8Validation) {
    const struct {
        std::string_view bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"abc", true},
        {"文件夹", true},
        {"𠀀", true},
        {"\xC0\x80", false},          // overlong NUL
        {"\xE0\x80\xAF", false},      // overlong slash
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xE6\x96", false},          // cut short
        {"\x80", false},              // lone continuation byte
        {"\xCE\xD2\xB5\xC4", false},  // GBK
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(std::string(c.bytes));
    }
}

TEST(TextCodecTest, CutsNeverSplitACharacter) {
    EXPECT_EQ(CutToChars("我的电脑", 2), "我的");
    EXPECT_EQ(CutToChars("ab", 5), "ab");
    EXPECT_EQ(CutToChars("a\xFF"
                         "bc",
                         3),
              "a\xFF"
              "b");  // a stray byte counts as one
    EXPECT_EQ(CutToChars("abc", 0), "");

    EXPECT_EQ(CutToEncodedBytes("我的电脑", 5), "我的");  // 2 bytes each on disk
    EXPECT_EQ(CutToEncodedBytes("我的电脑", 8), "我的电脑");
    EXPECT_EQ(CutToEncodedBytes("a𠀀b", 4), "a");  // 4 bytes on disk
    EXPECT_EQ(CutToEncodedBytes("a𠀀b", 5), "a𠀀");
    EXPECT_EQ(CutToEncodedBytes(DecodeStoredText("\xFF\xFF"), 1),
              DecodeStoredText("\xFF"));  // an escaped byte is one byte on disk
}

}  // namespace
}  // namespace qarvex
