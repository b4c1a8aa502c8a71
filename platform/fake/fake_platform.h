#pragma once

#include "platform/fake/fake_autostart_store.h"
#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_environment.h"
#include "platform/fake/fake_recent_documents.h"
#include "platform/fake/fake_shell_open.h"
#include "platform/fake/fake_shell_windows.h"
#include "platform/platform.h"

namespace qarvex {

// Raw handles on the fakes inside a Platform, so that a test can drive them after the
// Platform (which owns them) has been handed to the code under test. They stay valid as
// long as that Platform's members live.
struct FakeParts {
    FakeDesktopWindows* desktopWindows = nullptr;
    FakeShellWindows* shellWindows = nullptr;
    FakeShellOpen* shellOpen = nullptr;
    FakeAutostartStore* autostart = nullptr;
    FakeEnvironment* environment = nullptr;
    FakeRecentDocuments* recentDocuments = nullptr;
};

// A Platform of fresh fakes; `parts` receives pointers to each of them.
Platform MakeFakePlatform(FakeParts& parts);

}  // namespace qarvex
