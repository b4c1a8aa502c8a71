#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/app_identity.h"

namespace qarvex {

// Process facts read from /proc (or another mount of it, for tests).
class ProcProcessFacts : public ProcessFacts {
public:
    explicit ProcProcessFacts(std::string procRoot = "/proc");

    std::optional<std::string> Executable(std::int64_t pid) override;
    std::vector<std::string> CommandLine(std::int64_t pid) override;
    std::optional<std::string> WorkingFolder(std::int64_t pid) override;
    std::map<std::string, std::string> EnvironmentVariables(
        std::int64_t pid, const std::vector<std::string>& names) override;
    std::optional<std::string> FlatpakInfo(std::int64_t pid) override;
    std::string ControlGroups(std::int64_t pid) override;
    std::optional<std::int64_t> ParentProcess(std::int64_t pid) override;
    bool SeesOurFileSystem(std::int64_t pid) override;
    std::optional<std::string> CanonicalFile(const std::string& path) override;
    std::optional<std::string> FindOnPath(const std::string& name) override;

private:
    std::string PidFolder(std::int64_t pid) const;

    std::string m_procRoot;
    // Our own mount namespace and root, read once: they do not change while we run.
    struct OwnView {
        std::string mountNamespace;
        std::uint64_t rootDevice = 0;
        std::uint64_t rootInode = 0;
    };
    std::optional<OwnView> m_ownView;
    bool m_ownViewRead = false;
};

}  // namespace qarvex
