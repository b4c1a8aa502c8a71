#include "platform/fake/fake_platform.h"

#include <memory>

namespace qarvex {

Platform MakeFakePlatform(FakeParts& parts) {
    auto desktopWindows = std::make_unique<FakeDesktopWindows>();
    auto shellWindows = std::make_unique<FakeShellWindows>();
    auto shellOpen = std::make_unique<FakeShellOpen>();
    auto autostart = std::make_unique<FakeAutostartStore>();
    auto environment = std::make_unique<FakeEnvironment>();
    auto recentDocuments = std::make_unique<FakeRecentDocuments>();
    parts = FakeParts{desktopWindows.get(), shellWindows.get(), shellOpen.get(),
                      autostart.get(),      environment.get(),  recentDocuments.get()};
    Platform platform;
    platform.desktopWindows = std::move(desktopWindows);
    platform.shellWindows = std::move(shellWindows);
    platform.shellOpen = std::move(shellOpen);
    platform.autostart = std::move(autostart);
    platform.environment = std::move(environment);
    platform.recentDocuments = std::move(recentDocuments);
    return platform;
}

Platform CreatePlatform() {
    FakeParts ignored;
    return MakeFakePlatform(ignored);
}

}  // namespace qarvex
