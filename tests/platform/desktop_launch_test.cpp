#include "platform/linux/desktop_launch.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qarvex {
namespace {

using Args = std::vector<std::string>;

class DesktopLaunchTest : public ::testing::Test {
protected:
    std::optional<DesktopLaunch> Plan(const std::string& keys,
                                      const std::string& id = "a.desktop") {
        const auto entry = ParseDesktopEntry("[Desktop Entry]\nType=Application\n" + keys);
        return PlanDesktopLaunch(*entry, id, [this](const std::string& name) {
            const auto it = onPath.find(name);
            return it == onPath.end() ? std::nullopt : std::optional<std::string>(it->second);
        });
    }

    std::map<std::string, std::string> onPath = {{"gedit", "/usr/bin/gedit"},
                                                 {"htop", "/usr/bin/htop"}};
};

TEST_F(DesktopLaunchTest, ExecBecomesAnArgumentVectorWithoutFieldCodes) {
    const auto launch = Plan("Exec=gedit --new-window %U \"a b\"\n");
    ASSERT_TRUE(launch);
    EXPECT_TRUE(launch->busName.empty());
    EXPECT_EQ(launch->argv, (Args{"/usr/bin/gedit", "--new-window", "a b"}));
    EXPECT_FALSE(Plan("Exec=missing-program\n"));
    EXPECT_FALSE(Plan("Exec=%U\n"));
    EXPECT_FALSE(Plan("Type=Link\nExec=gedit\n"));
}

TEST_F(DesktopLaunchTest, DBusActivatableEntriesAreActivatedByTheirId) {
    const auto launch = Plan("DBusActivatable=true\nExec=gedit\n", "org.gnome.gedit-beta.desktop");
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->busName, "org.gnome.gedit-beta");
    EXPECT_EQ(launch->objectPath, "/org/gnome/gedit_beta");
    EXPECT_EQ(launch->argv, (Args{"/usr/bin/gedit"}));  // when the bus can't help
    // An id that is no bus name ("kde4-x", a leading digit) can only be run.
    EXPECT_TRUE(Plan("DBusActivatable=true\nExec=gedit\n", "kde4-x.desktop")->busName.empty());
    EXPECT_TRUE(Plan("DBusActivatable=true\nExec=gedit\n", "org.3d.x.desktop")->busName.empty());
}

TEST_F(DesktopLaunchTest, TerminalProgramsRunInTheUsersTerminal) {
    EXPECT_FALSE(
        Plan("Terminal=true\n"
             "Exec=htop\n"));  // no terminal installed: nothing would show
    onPath["xterm"] = "/usr/bin/xterm";
    EXPECT_EQ(Plan("Terminal=true\nExec=htop -d 5\n")->argv,
              (Args{"/usr/bin/xterm", "-e", "/usr/bin/htop", "-d", "5"}));
    onPath["x-terminal-emulator"] = "/etc/alternatives/x-terminal-emulator";
    EXPECT_EQ(Plan("Terminal=true\nExec=htop\n")->argv,
              (Args{"/etc/alternatives/x-terminal-emulator", "-e", "/usr/bin/htop"}));
}

}  // namespace
}  // namespace qarvex
