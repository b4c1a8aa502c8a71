#include "store/atomic_file.h"

#include <csignal>
#include <string>
#include <vector>

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/cannot_run.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

using test::TempDir;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode;
}

TEST(AtomicFileTest, WritesAndReplacesWholeContent) {
    TempDir dir;
    const std::string path = dir.File("rec.dat");
    ASSERT_TRUE(WriteFileAtomic(path, "first, longer content"));
    EXPECT_EQ(ReadFileBytes(path), "first, longer content");

    ASSERT_TRUE(WriteFileAtomic(path, std::string("sh\0rt", 5)));
    EXPECT_EQ(ReadFileBytes(path), std::string("sh\0rt", 5));
    ASSERT_TRUE(WriteFileAtomic(path, ""));
    EXPECT_EQ(ReadFileBytes(path), "");  // an empty file is content, not "unreadable"
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"rec.dat"});
}

TEST(AtomicFileTest, KeepsTheModeOfTheFileItReplaces) {
    TempDir dir;
    const std::string path = dir.Write("note.txt", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(WriteFileAtomic(path, "new"));
    EXPECT_EQ(ModeOf(path) & 07777, 0600u);
}

// A fav.dat kept in a synchronised folder and linked into ZeqConfig stays linked.
TEST(AtomicFileTest, WritesThroughASymlinkToItsTarget) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("synced").c_str(), 0755), 0);
    const std::string target = dir.Write("synced/fav.dat", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("synced/fav.dat", dir.File("relative").c_str()), 0);  // relative
    ASSERT_EQ(::symlink(dir.File("relative").c_str(), dir.File("fav.dat").c_str()), 0);
    ASSERT_TRUE(WriteFileAtomic(dir.File("fav.dat"), "new"));
    EXPECT_TRUE(S_ISLNK(ModeOf(dir.File("fav.dat"))));
    EXPECT_TRUE(S_ISLNK(ModeOf(dir.File("relative"))));
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(ModeOf(target) & 07777, 0600u);
    EXPECT_EQ(FolderEntries(dir.File("synced")), std::vector<std::string>{"fav.dat"});
}

TEST(AtomicFileTest, FailsCleanlyWhereNothingCanBeWritten) {
    TempDir dir;
    const std::string plainFile = dir.Write("plain", "keep me");
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    const std::string cases[] = {
        dir.File("missing/folder/defualt.ini"),  // no folder
        plainFile + "/defualt.ini",              // a file where a folder should be
        dir.File("sub"),                         // a folder where the file should be
        dir.Path() + "/",                        // no file name at all
    };
    for (const std::string& path : cases) {
        EXPECT_FALSE(WriteFileAtomic(path, "data")) << path;
    }
    EXPECT_EQ(ReadFileBytes(plainFile), "keep me");
    EXPECT_TRUE(DirectoryExists(dir.File("sub")));
    for (const std::string& name : FolderEntries(dir.Path())) {
        EXPECT_FALSE(IsAtomicTempName(name)) << name;
    }
}

TEST(AtomicFileTest, ReadOnlyFolderLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.Write("defualt.ini", "old");
    QARVEX_RUN_UNPRIVILEGED(dir.Path(), [&] {
        ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
        EXPECT_FALSE(WriteFileAtomic(path, "new"));
        ::chmod(dir.Path().c_str(), 0755);
    });
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"defualt.ini"});
}

TEST(AtomicFileTest, FullDiskLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const std::string path = dir.Write("defualt.ini", "old content");
    // A file size limit makes the write fail part-way, as a full disk does; it runs in a
    // child so the limit cannot reach the rest of the tests.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool ok = WriteFileAtomic(path, std::string(1 << 20, 'x'));
        ::_exit(ok ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write must report failure";
    EXPECT_EQ(ReadFileBytes(path), "old content");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"defualt.ini"});
}

TEST(AtomicFileTest, ReadGivesNothingForWhatIsNotARegularFile) {
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string dangling = dir.File("dangling");
    ASSERT_EQ(::symlink(dir.File("nowhere").c_str(), dangling.c_str()), 0);
    for (const std::string& path : {dir.File("missing"), dir.Path(), fifo, dangling}) {
        EXPECT_EQ(ReadFileBytes(path), std::nullopt) << path;  // and a FIFO must not block
        EXPECT_FALSE(FileExists(path)) << path;
    }
    EXPECT_TRUE(DirectoryExists(dir.Path()));
    EXPECT_FALSE(DirectoryExists(fifo));
}

TEST(AtomicFileTest, StampChangesWithEveryReplace) {
    TempDir dir;
    const std::string path = dir.File("defualt.ini");
    EXPECT_EQ(StatFile(path), std::nullopt);
    ASSERT_TRUE(WriteFileAtomic(path, "a"));
    FileStamp readStamp;
    ASSERT_TRUE(ReadFileBytes(path, &readStamp));
    EXPECT_EQ(StatFile(path), readStamp);
    ASSERT_TRUE(WriteFileAtomic(path, "a"));  // same size, same content: still a new version
    EXPECT_NE(StatFile(path), readStamp);
}

TEST(AtomicFileTest, TemporaryNamesAreRecognisable) {
    const struct {
        std::string_view name;
        bool temp;
    } cases[] = {
        {".defualt.ini.tmp-a1B2c3", true},
        {".rec.dat.tmp-XXXXXX", true},
        {"defualt.ini", false},
        {".defualt.ini", false},
        {"defualt.ini.tmp-a1B2c3", false},    // not hidden
        {".defualt.ini.tmp-a1B2c", false},    // too short
        {".defualt.ini.tmp-a1B2c3d", false},  // too long
        {".defualt.ini.tmp-a1-2c3", false},
        {".tmp-abcdef", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsAtomicTempName(c.name), c.temp) << c.name;
    }
}

TEST(AtomicFileTest, RemovesOnlyTheLeftoversOfTheGivenFile) {
    TempDir dir;
    dir.Write("defualt.ini", "data");
    dir.Write(".defualt.ini.tmp-abc123", "partial");
    dir.Write(".defualt.ini.tmp-ZZZ999", "partial");
    dir.Write(".rec.dat.tmp-abc123", "someone else's");
    dir.Write(".defualt.ini.tmp-abc", "not ours: wrong shape");
    EXPECT_EQ(RemoveStaleTempFiles(dir.File("defualt.ini")), 2);
    std::vector<std::string> left = FolderEntries(dir.Path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".defualt.ini.tmp-abc", ".rec.dat.tmp-abc123",
                                              "defualt.ini"}));
    EXPECT_EQ(RemoveStaleTempFiles(dir.File("missing/defualt.ini")), 0);
}

}  // namespace
}  // namespace qarvex
