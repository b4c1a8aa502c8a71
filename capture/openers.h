#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop_windows.h"
#include "platform/environment.h"
#include "platform/messages.h"
#include "platform/shell_open.h"
#include "store/doc_table.h"
#include "store/stored_list.h"

namespace qarvex {

// Special folder numbers the program opens.
namespace csidl {
inline constexpr int kDesktop = 0;
inline constexpr int kPrograms = 2;
inline constexpr int kControls = 3;
inline constexpr int kPrinters = 4;
inline constexpr int kPersonal = 5;
inline constexpr int kFavorites = 6;
inline constexpr int kStartup = 7;
inline constexpr int kSendTo = 9;
inline constexpr int kBitBucket = 10;
inline constexpr int kStartMenu = 11;
inline constexpr int kDesktopDirectory = 16;
inline constexpr int kDrives = 17;
inline constexpr int kNetwork = 18;
inline constexpr int kNetHood = 19;
inline constexpr int kFonts = 20;
inline constexpr int kCommonStartMenu = 22;
inline constexpr int kCommonPrograms = 23;
inline constexpr int kCommonStartup = 24;
inline constexpr int kCommonDesktopDirectory = 25;
inline constexpr int kPrintHood = 27;
inline constexpr int kCommonFavorites = 31;
inline constexpr int kInternetCache = 32;
inline constexpr int kCookies = 33;
inline constexpr int kHistory = 34;
}  // namespace csidl

// Every way the program opens something: remembered documents, typed or listed
// paths and addresses, web addresses and the desktop's special places. Targets are
// handed to the shell layer as single arguments, never through a command line.
class Openers {
public:
    struct Texts {
        std::string folderMissing = "本机已不存在此路径:%s";
        std::string pathMissing = "此路径不存在：%s";  // the not-found text of the text tables
        std::string openFailed = "无法打开：%s";
        std::string forgetMissing = "是否从历史中删除此项?";
        std::string caption = "Qarvex";
    };

    Openers(qarvex::ShellOpen& shell, DesktopWindows& desktop, Environment& environment,
            Messages& messages, StoredList& recentList);
    ~Openers();
    Openers(const Openers&) = delete;
    Openers& operator=(const Openers&) = delete;

    // Tells whether a path is that of a remembered program (an entry of kind software).
    // Only such a path is ever started; everything else goes to the default handler.
    // Without a test nothing is started.
    using ProgramTest = std::function<bool(std::string_view path)>;
    void SetProgramTest(ProgramTest test) { m_isProgram = std::move(test); }

    // Tells whether what is opened may go into the recent list: nothing does while
    // recording is paused, nor what the user's rules exclude. Without a test it may.
    using RecordingTest =
        std::function<bool(const std::string& path, const std::string& name, bool software)>;
    void SetRecordingTest(RecordingTest test) { m_mayRecord = std::move(test); }

    // Told of every document, path or address the user had opened, so that the history can
    // count the use.
    using OpenedHook = std::function<void(std::string_view target)>;
    void SetOpenedHook(OpenedHook hook) { m_opened = std::move(hook); }

    void SetTexts(Texts texts) { m_texts = std::move(texts); }
    const Texts& texts() const { return m_texts; }

    // Opens a remembered document and remembers it in the recent list (when the recording
    // test lets it, and the list can hold its path). A history entry's folder that has gone
    // is offered for removal: forget runs when the user says yes.
    void OpenDoc(std::string_view path, std::string_view name,
                 const std::function<void()>& forget = {});
    // Starts a program that the caller found this machine identified as one (it is never
    // asked of a recorded text alone), by its path as the whole argument vector.
    void LaunchProgram(std::string_view path);
    // Opens a path or an address; a bare host name becomes a web address.
    void OpenPathOrAddress(std::string_view text, bool reportMissing);
    // Opens a web address, adding "http://" when it has no "://".
    void OpenWebAddress(std::string_view address);
    void OpenSpecialFolder(int csidl);
    void OpenSystemFolder();
    void OpenTaskManager();
    void ShellOpen(std::string_view target);
    void ShellOpenDefault(std::string_view target);
    // Runs one of the user's start-up commands, already split into its argument vector.
    void RunCommand(const std::vector<std::string>& argv);

    // The text an entry is opened with: the local path of a folder or file entry,
    // otherwise its address.
    static std::string EntryOpenTarget(const TMyDoc& doc);

    // The extension of a path: from the last "." to the end, provided no separator or
    // drive colon follows it.
    static std::string ExtensionOf(std::string_view path);

    // The folder part of a path, up to and including its last separator ("\", ":" or,
    // for a POSIX path, "/"); empty when it has none.
    static std::string ContainingFolder(std::string_view path);

private:
    bool IsPosixPath(std::string_view path) const;
    bool IsProgram(std::string_view path) const;
    void Opened(std::string_view target) const;

    qarvex::ShellOpen& m_shell;
    DesktopWindows& m_desktop;
    Environment& m_environment;
    Messages& m_messages;
    StoredList& m_recent;
    Texts m_texts;
    ProgramTest m_isProgram;
    RecordingTest m_mayRecord;
    OpenedHook m_opened;
};

}  // namespace qarvex
