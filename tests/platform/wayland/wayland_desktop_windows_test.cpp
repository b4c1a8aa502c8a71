#include "platform/wayland/wayland_desktop_windows.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_process_facts.h"

namespace qarvex {
namespace {

class OneWindowSource : public ToplevelSource {
public:
    std::optional<std::vector<WaylandToplevel>> Read() override {
        WaylandToplevel window;
        window.title = "Editor";
        window.pid = 4242;
        return std::vector<WaylandToplevel>{window};
    }
};

// A process id comes back once its process has ended: the next pass must not take the new
// program for the old one.
TEST(WaylandDesktopWindowsTest, EachPassReadsItsProcessesAfresh) {
    auto facts = std::make_unique<FakeProcessFacts>();
    FakeProcessFacts& processes = *facts;
    processes.SetProcess(4242, {.executable = "/usr/bin/gedit"});
    std::vector<std::unique_ptr<ToplevelSource>> sources;
    sources.push_back(std::make_unique<OneWindowSource>());
    WaylandDesktopWindows windows(
        std::move(sources), nullptr,
        std::make_shared<AppLookup>(std::move(facts), std::vector<std::string>{}));

    std::vector<TopWindow> pass = windows.TopWindows();
    ASSERT_EQ(pass.size(), 1u);
    EXPECT_EQ(windows.ProgramPath(pass[0].id), "/usr/bin/gedit");

    processes.SetProcess(4242, {.executable = "/usr/bin/vlc"});
    pass = windows.TopWindows();
    ASSERT_EQ(pass.size(), 1u);
    EXPECT_EQ(windows.ProgramPath(pass[0].id), "/usr/bin/vlc");
}

}  // namespace
}  // namespace qarvex
