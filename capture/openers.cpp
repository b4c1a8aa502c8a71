#include "capture/openers.h"

#include "store/address_rules.h"
#include "store/atomic_file.h"
#include "store/guarded.h"
#include "store/list_file.h"
#include "store/strings.h"

namespace qarvex {

namespace {

bool IsDriveFolderPath(std::string_view path) {
    return Contains(path, ":");
}

}  // namespace

Openers::Openers(qarvex::ShellOpen& shell, DesktopWindows& desktop, Environment& environment,
                 Messages& messages, StoredList& recentList)
    : m_shell(shell),
      m_desktop(desktop),
      m_environment(environment),
      m_messages(messages),
      m_recent(recentList) {
    // A handler that fails is told in the user's words, once for each open.
    m_shell.SetFailureReport([this](const std::string& target) {
        Guarded(
            [&] { m_messages.Notify(FormatText(m_texts.openFailed, target), m_texts.caption); });
    });
}

Openers::~Openers() {
    m_shell.SetFailureReport({});
}

bool Openers::IsPosixPath(std::string_view path) const {
    return StartsWith(path, "/");
}

bool Openers::IsProgram(std::string_view path) const {
    return m_isProgram && !Trim(path).empty() && m_isProgram(path);
}

std::string Openers::ExtensionOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    const std::string_view tail = path.substr(dot);
    if (Contains(tail, "\\") || Contains(tail, ":")) {
        return {};
    }
    // A POSIX path's separator ends an extension just as a back-slash does.
    if (StartsWith(path, "/") && Contains(tail, "/")) {
        return {};
    }
    return std::string(tail);
}

std::string Openers::ContainingFolder(std::string_view path) {
    if (IsRemoteFolderAddress(path)) {
        // "smb://nas/share/a" is in "smb://nas/share/"; the scheme's own "//" is no folder.
        const std::size_t host = path.find("://") + 3;
        const std::size_t slash = path.find_last_of('/');
        return slash == std::string_view::npos || slash < host
                   ? std::string()
                   : std::string(path.substr(0, slash + 1));
    }
    std::size_t cut = path.find_last_of(StartsWith(path, "/") ? "/" : "\\:");
    if (cut == std::string_view::npos) {
        return {};
    }
    return std::string(path.substr(0, cut + 1));
}

std::string Openers::EntryOpenTarget(const TMyDoc& doc) {
    return doc.DocType == dkFolderOrFile ? doc.DisplayName : doc.Path;
}

void Openers::ShellOpen(std::string_view target) {
    m_shell.Open(std::string(target));
}

void Openers::ShellOpenDefault(std::string_view target) {
    m_shell.OpenDefault(std::string(target));
}

void Openers::RunCommand(const std::vector<std::string>& argv) {
    Guarded([&] {
        if (!argv.empty() && !argv.front().empty()) {
            m_shell.Run(argv);
        }
    });
}

void Openers::Opened(std::string_view target) const {
    // Counting a use must never undo or stop the opening.
    Guarded([&] {
        if (m_opened) {
            m_opened(target);
        }
    });
}

void Openers::OpenDoc(std::string_view path, std::string_view name,
                      const std::function<void()>& forget) {
    // An opener never lets a failure escape; what was done before it stays done.
    Guarded([&] {
        if (path.empty()) {
            return;
        }
        // Every way out below but the missing folder opened something.
        bool opened = true;
        struct CountUse {
            const Openers& openers;
            std::string_view path;
            const bool& opened;
            ~CountUse() {
                if (opened) {
                    openers.Opened(path);
                }
            }
        } countUse{*this, path, opened};
        if (name == "我的电脑") {
            m_shell.OpenPlace(ShellPlace::Computer);
            return;
        }
        if (name == "桌面") {
            m_desktop.ShowDesktop();
            return;
        }
        if (name == "网上邻居") {
            OpenSpecialFolder(csidl::kNetwork);
            return;
        }
        if (name == "控制面板") {
            m_shell.OpenPlace(ShellPlace::Settings);
            return;
        }

        const std::string ext = ExtensionOf(path);
        const std::string low = AsciiLower(path);
        const bool program = IsProgram(path);
        if (Contains(low, "http://") || Contains(low, "https://")) {
            ShellOpen(path);
        } else if (Contains(low, "res://")) {
            // never opened, but still remembered below
        } else if (program) {
            m_shell.Launch(std::string(path));
        } else if (IsRemoteFolderAddress(path)) {
            // A share or device the file manager reaches itself; no local test can tell
            // whether it is still there. The history keeps "%20" as a blank, which a URI
            // can't hold.
            ShellOpen(ReplaceAll(path, " ", "%20"));
        } else if (ext.empty() && IsPosixPath(path) && FileExists(std::string(path))) {
            // Programs here have no extension: an existing file is opened, not taken for
            // a folder that has gone.
            ShellOpen(path);
        } else if (ext.empty() && (IsDriveFolderPath(path) || IsPosixPath(path))) {
            if (!DirectoryExists(std::string(path))) {
                opened = false;
                const std::string missing = FormatText(m_texts.folderMissing, path);
                if (!forget) {
                    m_messages.Show(missing, m_texts.caption, Messages::Icon::Information);
                } else if (m_messages.AskYesNoDefaultNo(missing + "\n" + m_texts.forgetMissing,
                                                        m_texts.caption)) {
                    forget();
                }
                return;
            }
            ShellOpen(path);
        } else if (ext == ".lnk") {
            ShellOpenDefault(path);
        } else {
            ShellOpen(path);
        }

        if (FitsOneListLine(path) && !IsInRecentList(m_recent, path) &&
            (!m_mayRecord || m_mayRecord(std::string(path), std::string(name), program))) {
            m_recent.InsertLine(0, MakeListLine(path, name));
            m_recent.InsertItem(0, std::string(name));
        }
    });
}

void Openers::LaunchProgram(std::string_view path) {
    Guarded([&] {
        if (!Trim(path).empty()) {
            m_shell.Launch(std::string(path));
            Opened(path);
        }
    });
}

void Openers::OpenPathOrAddress(std::string_view text, bool reportMissing) {
    Guarded([&] {
        const std::string low = AsciiLower(text);
        bool open = false;
        if (IsPosixPath(text)) {
            // A local POSIX path is opened when it is there and is never taken for a host.
            open = FileExists(std::string(text)) || DirectoryExists(std::string(text));
        } else {
            const std::string probe = AsciiLower(SlashesToBackslashes(text));
            if (Contains(probe, "http:") || Contains(probe, "https:")) {
                open = true;
            } else if (IsRemoteFolderAddress(text)) {
                open = true;
            } else if (!Contains(probe, ":")) {
                open = true;
            } else if (DirectoryExists(probe) || FileExists(probe)) {
                open = true;
            }
        }
        if (!open) {
            if (reportMissing) {
                m_messages.Show(FormatText(m_texts.pathMissing, text), m_texts.caption,
                                Messages::Icon::Information);
            }
            return;
        }
        if (IsProgram(text)) {
            m_shell.Launch(std::string(text));
        } else if (Contains(low, ":") || IsPosixPath(text)) {
            m_shell.Open(std::string(text));
        } else {
            m_shell.Open("http://" + std::string(text));
        }
        Opened(text);
    });
}

void Openers::OpenWebAddress(std::string_view address) {
    Guarded([&] {
        std::string target(address);
        if (!Contains(target, "://")) {
            target = "http://" + target;
        }
        m_shell.Open(target);
    });
}

void Openers::OpenSpecialFolder(int number) {
    Guarded([&] {
        switch (number) {
            case csidl::kDrives:
                m_shell.OpenPlace(ShellPlace::Computer);
                return;
            case csidl::kNetwork:
                m_shell.OpenPlace(ShellPlace::Network);
                return;
            case csidl::kControls:
                m_shell.OpenPlace(ShellPlace::Settings);
                return;
            default:
                break;
        }
        if (const auto target = m_environment.SpecialFolderPath(number)) {
            if (!target->empty()) {
                m_shell.Open(*target);
            }
        }
    });
}

void Openers::OpenSystemFolder() {
    Guarded([&] { OpenPathOrAddress(m_environment.SystemFolder(), false); });
}

void Openers::OpenTaskManager() {
    Guarded([&] { m_shell.OpenPlace(ShellPlace::TaskManager); });
}

}  // namespace qarvex
