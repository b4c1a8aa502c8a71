#include "store/docs_section.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/ini_file.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

// Keys of the "docs" section in file order, "key=value" as written.
std::vector<std::string> DocsLines(const std::string& bytes) {
    std::vector<std::string> out;
    bool inDocs = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inDocs = line == "[docs]";
        } else if (inDocs && !line.empty()) {
            out.push_back(line);
        }
    }
    return out;
}

TMyDoc Doc(std::string root, std::string path, DocKind kind) {
    TMyDoc doc;
    doc.RootPath = std::move(root);
    doc.Path = std::move(path);
    doc.DisplayName = "shown";
    doc.DocType = kind;
    doc.Date = "2024-03-05";
    return doc;
}

class DocsSectionTest : public ::testing::Test {
protected:
    test::TempDir dir;
    IniFile ini{dir.File("defualt.ini")};
};

TEST_F(DocsSectionTest, WritesSixKeysInTheirFixedOrderThenTheUse) {
    TMyDoc doc = Doc("site-a", "http://site-a/x y.html", dkWebPage);
    doc.Selected = 1;
    doc.LastSeen = "2024-04-01";
    doc.OpenCount = 3;
    SaveDocToIni(ini, 7, doc, "  Title  ");
    EXPECT_EQ(DocsLines(dir.Read("defualt.ini")),
              (std::vector<std::string>{"name7=Title", "date7=2024-03-05", "RootPath7=site-a",
                                        "doctype7=1", "path7=http://site-a/x y.html", "selected7=1",
                                        "last7=2024-04-01", "count7=3"}));
    const StoredDocKeys keys = ReadDocKeys(ini, 7);
    EXPECT_EQ(keys.LastSeen, "2024-04-01");
    EXPECT_EQ(keys.OpenCount, 3);
    EXPECT_TRUE(StoredKeysHold(keys, doc, "Title"));
}

TEST_F(DocsSectionTest, FolderPathsAreStoredInTheirAddressForm) {
    struct Case {
        const char* root;
        const char* path;
        const char* stored;
    };
    const std::vector<Case> cases = {
        {"D:\\Work", "D:\\Work\\x", "file:///D:\\Work\\x"},
        {"/home/u/Documents", "/home/u/Documents/a b.txt", "file:///home/u/Documents/a b.txt"},
        {"C:\\a", "file:///C:/a", "file:///C:/a"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SaveDocToIni(ini, index, Doc(c.root, c.path, dkFolderOrFile), "caller");
        const StoredDocKeys keys = ReadDocKeys(ini, index);
        EXPECT_EQ(keys.Path, c.stored);
        EXPECT_EQ(keys.Name, "caller");
        EXPECT_EQ(keys.DocType, dkFolderOrFile);
        EXPECT_EQ(ini.ReadString(kDocsSection, DocKey("RootPath", index), ""), c.root);
        EXPECT_EQ(ini.ReadString(kDocsSection, DocKey("selected", index), ""), "0");
        ++index;
    }
    // Program paths are never given the file form.
    SaveDocToIni(ini, index, Doc("", "/usr/bin/vim", dkSoftware), "vim");
    EXPECT_EQ(ReadDocKeys(ini, index).Path, "/usr/bin/vim");
}

TEST_F(DocsSectionTest, ReadingToleratesMissingAndMalformedValues) {
    dir.Write("defualt.ini",
              "[docs]\r\npath0=  http://h/a  \r\ndate0= 2020-01-02 \r\n"
              "path1=http://h/b\r\ndoctype1=abc\r\nname1=n\r\n"
              "path2=x\r\ndoctype2=2\r\n");
    const StoredDocKeys first = ReadDocKeys(ini, 0);
    EXPECT_EQ(first.Path, "http://h/a");
    EXPECT_EQ(first.Date, "2020-01-02");
    EXPECT_EQ(first.DocType, dkWebPage);  // missing type reads as a web page
    EXPECT_EQ(first.Name, "");
    EXPECT_EQ(ReadDocKeys(ini, 1).DocType, dkWebPage);
    EXPECT_EQ(ReadDocKeys(ini, 2).DocType, dkSoftware);
    EXPECT_EQ(ReadDocKeys(ini, 3).Path, "");
}

TEST_F(DocsSectionTest, EraseKeepsTheOtherSections) {
    dir.Write("defualt.ini", "[default]\r\nCheckDocInterval=120\r\n[docs]\r\npath0=http://h/\r\n");
    ASSERT_TRUE(EraseDocsSection(ini));
    EXPECT_FALSE(ini.SectionExists(kDocsSection));
    EXPECT_EQ(ini.ReadInteger("default", "CheckDocInterval", 0), 120);
}

TEST(DocsSectionFailureTest, AnUnwritableFileIsQuietAndKeepsTheValuesInMemory) {
    test::TempDir dir;
    IniFile ini(dir.File("missing-folder/defualt.ini"));
    EXPECT_NO_THROW(SaveDocToIni(ini, 0, Doc("h", "http://h/a", dkWebPage), "a"));
    EXPECT_EQ(ReadDocKeys(ini, 0).Path, "http://h/a");
    EXPECT_EQ(dir.Read("missing-folder/defualt.ini"), "");
}

}  // namespace
}  // namespace qarvex
