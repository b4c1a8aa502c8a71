#include "store/list_file.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "store/atomic_file.h"
#include "store/strings.h"
#include "store/text_codec.h"
#include "store/text_file.h"

namespace qarvex {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string WindowsForm(std::string_view text, bool backslashes) {
    return backslashes ? ReplaceAll(text, "/", "\\") : std::string(text);
}

// The box shows the name part; a line without a separator is not something this program
// writes, so showing the whole line at least keeps it recognisable and deletable.
std::string ItemTextOf(std::string_view line) {
    return AfterFirst(line, kListSeparator);
}

void InsertAtTop(StoredList& list, const std::string& path, const std::string& name) {
    list.InsertLine(0, MakeListLine(path, name));
    list.InsertItem(0, name);
}

}  // namespace

bool StartsWithDriveLetter(std::string_view text) {
    return text.size() >= 2 && IsAsciiLetter(text[0]) && text[1] == ':';
}

std::string CutFileUrl(std::string_view text, bool backslashes) {
    // Only a text that starts with the marker is a local file: a web address carrying
    // "file:///" in its query must stay the web address, not become the file it names.
    std::size_t hit = 0;
    while (hit < text.size() && static_cast<unsigned char>(text[hit]) <= 0x20) {
        ++hit;
    }
    if (text.substr(hit, kFileUrlMarker.size()) != kFileUrlMarker) {
        return StartsWithDriveLetter(text) ? WindowsForm(text, backslashes) : std::string(text);
    }
    const std::string_view rest = text.substr(hit + kFileUrlMarker.size());
    if (StartsWithDriveLetter(rest)) {
        return WindowsForm(rest, backslashes);
    }
    std::string posix = "/";
    posix.append(rest);
    return CollapseSlashRuns(posix);
}

void ParseListLine(std::string_view line, TMyDocObj& obj) {
    const std::size_t separator = line.find(kListSeparator);
    if (separator == std::string_view::npos) {
        return;
    }
    obj.Path = std::string(line.substr(0, separator));
    const std::string_view rest = line.substr(separator + kListSeparator.size());
    const std::size_t numberMark = rest.find(kNumberSeparator);
    if (numberMark == std::string_view::npos) {
        obj.Name = std::string(rest);
        return;
    }
    obj.Name = std::string(rest.substr(0, numberMark));
    int number = 0;
    if (!ParseInt(Trim(rest.substr(numberMark + kNumberSeparator.size())), number)) {
        number = 0;
    }
    obj.Number = number;
}

TMyDocObj ParseListLine(std::string_view line) {
    TMyDocObj obj;
    ParseListLine(line, obj);
    return obj;
}

std::string MakeListLine(std::string_view path, std::string_view name) {
    std::string line;
    line.reserve(path.size() + kListSeparator.size() + name.size());
    line.append(path).append(kListSeparator).append(name);
    return line;
}

std::string MakeScanLine(std::string_view path, std::string_view name, int number) {
    std::string line = MakeListLine(path, name);
    line.append(kNumberSeparator).append(std::to_string(number));
    return line;
}

bool LoadListFile(StoredList& list, const std::string& fileName) {
    try {
        std::optional<std::vector<std::string>> fileLines = ReadTextLines(fileName);
        if (!fileLines) {
            return false;
        }
        std::vector<std::string> lines;
        std::vector<std::string> items;
        lines.reserve(fileLines->size());
        items.reserve(fileLines->size());
        for (std::string& line : *fileLines) {
            if (Trim(line).empty()) {
                continue;
            }
            items.push_back(ItemTextOf(line));
            lines.push_back(std::move(line));
        }
        list.SetLines(std::move(lines));
        list.SetItems(std::move(items));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void ApplyListLimit(StoredList& list) {
    const auto limit = static_cast<std::size_t>(kMaxListLines);
    if (list.Lines().size() > limit) {
        std::vector<std::string> lines(list.Lines().begin(), list.Lines().begin() + limit);
        list.SetLines(std::move(lines));
    }
    if (list.Items().size() > limit) {
        std::vector<std::string> items(list.Items().begin(), list.Items().begin() + limit);
        list.SetItems(std::move(items));
    }
}

bool SaveListFile(const StoredList& list, const std::string& fileName) {
    try {
        // A line break inside a name or path would split its entry in two when read back;
        // the file keeps one entry per line, as the settings file keeps one value per line.
        std::vector<std::string> lines = list.Lines();
        for (std::string& line : lines) {
            std::replace_if(
                line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        }
        std::string text;
        for (const std::string& line : lines) {
            text += line;
            text += "\r\n";
        }
        std::string bytes = EncodeStoredText(text);
        // Stored bytes that begin like a UTF-8 byte-order mark would be taken for one when
        // read back, and the first entry would lose them. A blank first line, which a list
        // skips when it is read, keeps them where they belong.
        if (bytes.starts_with(kUtf8ByteOrderMark) && DecodeStoredText(bytes) != text) {
            bytes.insert(0, "\r\n");
        }
        return WriteFileAtomic(fileName, bytes);
    } catch (const std::exception&) {
        return false;
    }
}

bool FitsOneListLine(std::string_view path) {
    return !Contains(path, kListSeparator) && path.find_first_of("\r\n") == std::string_view::npos;
}

bool IsInRecentList(const StoredList& recent, std::string_view path) {
    for (const std::string& line : recent.Lines()) {
        const std::size_t separator = line.find(kListSeparator);
        if (separator != std::string::npos && std::string_view(line).substr(0, separator) == path) {
            return true;
        }
    }
    return false;
}

void AddMyRecent(StoredList& recent, std::string_view path, std::string_view name) {
    if (!FitsOneListLine(path)) {
        return;
    }
    try {
        const std::string cutPath = CutFileUrl(path, false);
        const std::string cutName = CutFileUrl(name, false);
        if (!IsInRecentList(recent, cutPath)) {
            InsertAtTop(recent, cutPath, cutName);
        }
    } catch (const std::exception&) {
    }
}

void AddMyRun(StoredList& run, std::string_view path, std::string_view name) {
    if (!FitsOneListLine(path)) {
        return;
    }
    try {
        InsertAtTop(run, CutFileUrl(path, false), CutFileUrl(name, false));
    } catch (const std::exception&) {
    }
}

void AddMyLove(StoredList& fav, std::string_view path, std::string_view name) {
    if (!FitsOneListLine(path)) {
        return;
    }
    try {
        InsertAtTop(fav, CutFileUrl(path, true), CutFileUrl(name, true));
    } catch (const std::exception&) {
    }
}

void AddLastRun(std::vector<std::string>& lastRun, std::string_view address) {
    try {
        std::string trimmed = Trim(address);
        // An empty line in lr.dat would only be an address nothing can open; a line break
        // would make the start-up reopen open the pieces.
        if (trimmed.empty() || trimmed.find_first_of("\r\n") != std::string::npos) {
            return;
        }
        for (const std::string& line : lastRun) {
            if (Trim(line) == trimmed) {
                return;
            }
        }
        lastRun.push_back(std::move(trimmed));
    } catch (const std::exception&) {
    }
}

}  // namespace qarvex
