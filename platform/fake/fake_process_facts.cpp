#include "platform/fake/fake_process_facts.h"

namespace qarvex {

void FakeProcessFacts::AddFile(const std::string& path, const std::string& canonical) {
    m_files[path] = canonical.empty() ? path : canonical;
    m_files.emplace(m_files[path], m_files[path]);
}

void FakeProcessFacts::AddOnPath(const std::string& name, const std::string& path) {
    m_path[name] = path;
    m_files.emplace(path, path);
}

const FakeProcess* FakeProcessFacts::Find(std::int64_t pid) const {
    const auto it = m_processes.find(pid);
    return it == m_processes.end() ? nullptr : &it->second;
}

std::optional<std::string> FakeProcessFacts::Executable(std::int64_t pid) {
    const FakeProcess* process = Find(pid);
    return process != nullptr ? process->executable : std::nullopt;
}

std::vector<std::string> FakeProcessFacts::CommandLine(std::int64_t pid) {
    const FakeProcess* process = Find(pid);
    return process != nullptr ? process->commandLine : std::vector<std::string>();
}

std::optional<std::string> FakeProcessFacts::WorkingFolder(std::int64_t pid) {
    const FakeProcess* process = Find(pid);
    return process != nullptr ? std::optional<std::string>(process->workingFolder) : std::nullopt;
}

std::map<std::string, std::string> FakeProcessFacts::EnvironmentVariables(
    std::int64_t pid, const std::vector<std::string>& names) {
    std::map<std::string, std::string> values;
    if (const FakeProcess* process = Find(pid)) {
        for (const std::string& name : names) {
            const auto it = process->environment.find(name);
            if (it != process->environment.end()) {
                values.emplace(name, it->second);
            }
        }
    }
    return values;
}

bool FakeProcessFacts::SeesOurFileSystem(std::int64_t pid) {
    const FakeProcess* process = Find(pid);
    return process != nullptr && process->ownFileSystem;
}

std::optional<std::string> FakeProcessFacts::FlatpakInfo(std::int64_t pid) {
    const FakeProcess* process = Find(pid);
    return process != nullptr ? process->flatpakInfo : std::nullopt;
}

std::string FakeProcessFacts::ControlGroups(std::int64_t pid) {
    const FakeProcess* process = Find(pid);
    return process != nullptr ? process->controlGroups : std::string();
}

std::optional<std::int64_t> FakeProcessFacts::ParentProcess(std::int64_t pid) {
    const FakeProcess* process = Find(pid);
    return process != nullptr ? process->parent : std::nullopt;
}

std::optional<std::string> FakeProcessFacts::CanonicalFile(const std::string& path) {
    const auto it = m_files.find(path);
    return it == m_files.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::optional<std::string> FakeProcessFacts::FindOnPath(const std::string& name) {
    const auto it = m_path.find(name);
    return it == m_path.end() ? std::nullopt : std::optional<std::string>(it->second);
}

}  // namespace qarvex
