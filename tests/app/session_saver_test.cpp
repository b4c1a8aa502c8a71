#include "app/session_saver.h"

#include <string>

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QTest>
#include <QTimer>

#include "store/app_state.h"
#include "store/list_file.h"
#include "support/qt/qt_app.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

// How often fav.dat has been replaced: every write is one rename onto it.
class ReplaceCounter {
public:
    explicit ReplaceCounter(const std::string& folder)
        : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        ::inotify_add_watch(m_fd, folder.c_str(), IN_MOVED_TO);
    }
    ~ReplaceCounter() { ::close(m_fd); }
    ReplaceCounter(const ReplaceCounter&) = delete;
    ReplaceCounter& operator=(const ReplaceCounter&) = delete;

    int Count() {
        alignas(inotify_event) char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0 && std::string(event->name) == "fav.dat") {
                    ++m_count;
                }
                p += sizeof(inotify_event) + event->len;
            }
        }
        return m_count;
    }

private:
    int m_fd;
    int m_count = 0;
};

// A burst of changes is one write, seconds later (nothing a second after it); changes
// that keep coming faster than the delay still reach the disk while they go on.
TEST(SessionSaverTest, ABurstIsOneLateWriteAndASteadyStreamIsStillWritten) {
    test::EnsureQtApp();
    test::TempDir dir;
    AppState state(dir.Path() + "/");
    state.LoadFavList();  // as at start: a list never read is never written over
    SessionSaver saver(
        state, [] { return std::string(); }, [] { return true; }, nullptr);
    ReplaceCounter writes(dir.Path());

    for (int i = 0; i < 20; ++i) {
        AddMyLove(state.FavList(), "/home/u/f" + std::to_string(i), "f");
    }
    QTest::qWait(1000);
    EXPECT_EQ(writes.Count(), 0) << "written at once, not after the changes settled";
    ASSERT_TRUE(QTest::qWaitFor([&] { return writes.Count() > 0; }, 20000));
    EXPECT_FALSE(saver.IsPending(AppState::StoredFile::Favourites));
    QTest::qWait(200);
    EXPECT_EQ(writes.Count(), 1) << "a burst of changes written more than once";
    EXPECT_NE(dir.Read("fav.dat").find("/home/u/f19"), std::string::npos);

    int n = 0;
    QTimer stream;
    QObject::connect(&stream, &QTimer::timeout,
                     [&] { AddMyLove(state.FavList(), "/s" + std::to_string(n++), "s"); });
    stream.start(200);
    EXPECT_TRUE(QTest::qWaitFor([&] { return writes.Count() > 1; }, 20000))
        << "changes every 200 ms postponed the write for good";
    stream.stop();
}

}  // namespace
}  // namespace qarvex
