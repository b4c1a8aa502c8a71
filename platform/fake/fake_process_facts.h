#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/app_identity.h"

namespace qarvex {

// Processes and files the test describes.
struct FakeProcess {
    std::optional<std::string> executable = {};
    std::vector<std::string> commandLine = {};
    std::string workingFolder = "/";
    std::map<std::string, std::string> environment = {};
    std::optional<std::string> flatpakInfo = {};
    std::string controlGroups = {};
    std::optional<std::int64_t> parent = {};
    bool ownFileSystem = true;  // false: in a mount namespace or root of its own
};

class FakeProcessFacts : public ProcessFacts {
public:
    void SetProcess(std::int64_t pid, FakeProcess process) {
        m_processes[pid] = std::move(process);
    }
    // An existing file; canonical: what a link there points to (itself when empty).
    void AddFile(const std::string& path, const std::string& canonical = {});
    // A program found on $PATH under name.
    void AddOnPath(const std::string& name, const std::string& path);

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
    const FakeProcess* Find(std::int64_t pid) const;

    std::map<std::int64_t, FakeProcess> m_processes;
    std::map<std::string, std::string> m_files;
    std::map<std::string, std::string> m_path;
};

}  // namespace qarvex
