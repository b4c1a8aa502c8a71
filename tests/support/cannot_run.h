#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace qarvex::test {

// True when the tests run in CI (CI=true), where every test must run.
bool InCi();

// Runs body as an unprivileged user, so that file permissions bind: here when the tests
// already run as one; as root, in a child process that owns folder (and everything in
// it) and has dropped to the user "nobody". The child's failures are printed as they
// happen and count as one failure here. Gives false when no such child could be made.
bool RunUnprivileged(const std::string& folder, const std::function<void()>& body);

}  // namespace qarvex::test

// A case that cannot run on this machine (a tool, a privilege or a service it lacks):
// skipped on a developer's machine (scripts/test.sh lists it at its end), failed in CI.
// Ends the test either way; the reason says what is missing.
#define QARVEX_CANNOT_RUN(reason)                     \
    switch (0)                                        \
    case 0:                                           \
    default:                                          \
        if (!::qarvex::test::InCi()) {                \
            GTEST_SKIP() << "cannot run: " << reason; \
        } else                                        \
            FAIL() << "cannot run in CI: " << reason

// Runs body (a lambda) unprivileged in folder, or ends the case as one that cannot run.
#define QARVEX_RUN_UNPRIVILEGED(folder, body)                       \
    if (!::qarvex::test::RunUnprivileged((folder), (body))) {       \
        QARVEX_CANNOT_RUN("no process can run as the user nobody"); \
    }
