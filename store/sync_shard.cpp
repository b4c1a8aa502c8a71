#include "store/sync_shard.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <random>
#include <system_error>

#include <sys/random.h>

#include "store/exclusions.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::string_view kSuffix = ".qarvex";
constexpr std::size_t kSyncIdSize = 32;
constexpr std::string_view kHeaderTag = "QARVEX-SHARD";
constexpr int kFormatVersion = 1;
constexpr std::string_view kEntryTag = "E";
constexpr std::string_view kTombstoneTag = "T";
constexpr std::string_view kAppliedTag = "A";
constexpr std::string_view kEndTag = "END";
constexpr std::string_view kLineEnd = "\r\n";

bool IsLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// The private-use code points a stored text holds for bytes that were valid in no
// encoding (see DecodeStoredText) are written as "\xHH", so that the file's own text is
// free of them and always encodes to the same bytes.
constexpr char32_t kFirstByteEscape = 0xF780;
constexpr char32_t kLastByteEscape = 0xF7FF;
constexpr char32_t kByteEscapeBase = 0xF700;

void AppendEscaped(std::string& out, std::string_view text) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        switch (c) {
            case '\t':
                out += "\\t";
                ++pos;
                continue;
            case '\n':
                out += "\\n";
                ++pos;
                continue;
            case '\r':
                out += "\\r";
                ++pos;
                continue;
            case '\\':
                out += "\\\\";
                ++pos;
                continue;
            default:
                break;
        }
        if (static_cast<unsigned char>(c) < 0x80) {
            out += c;
            ++pos;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceAt(text, pos, cp);
        if (length == 0) {
            // Not UTF-8 at all: the byte as it is, which the encoder keeps.
            const auto byte = static_cast<unsigned char>(c);
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
            ++pos;
            continue;
        }
        if (cp >= kFirstByteEscape && cp <= kLastByteEscape) {
            const auto byte = static_cast<unsigned>(cp - kByteEscapeBase);
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out.append(text.substr(pos, length));
        }
        pos += length;
    }
}

// False for an escape this format never writes (the line is damaged).
bool Unescape(std::string_view field, std::string& out) {
    out.clear();
    std::size_t pos = 0;
    while (true) {
        const std::size_t slash = field.find('\\', pos);
        if (slash == std::string_view::npos) {
            out.append(field.substr(pos));
            return true;
        }
        out.append(field.substr(pos, slash - pos));
        pos = slash + 1;
        if (pos == field.size()) {
            return false;
        }
        const char c = field[pos++];
        switch (c) {
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            case 'x': {
                if (field.size() - pos < 2) {
                    return false;
                }
                const int high = HexDigitValue(field[pos]);
                const int low = HexDigitValue(field[pos + 1]);
                if (high < 0 || low < 0 || high < 8) {
                    return false;
                }
                AppendUtf8(out, kByteEscapeBase + static_cast<char32_t>(high * 16 + low));
                pos += 2;
                break;
            }
            default:
                return false;
        }
    }
}

template <typename Int>
bool ParseNumber(std::string_view text, Int& value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The fields of one line, at most max of them (the last keeps any further tabs). Fields a
// later version adds after the known ones are passed over.
std::size_t SplitFields(std::string_view line, std::string_view* fields, std::size_t max) {
    std::size_t count = 0;
    std::size_t start = 0;
    while (count < max) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields[count++] = line.substr(start);
            return count;
        }
        fields[count++] = line.substr(start, tab - start);
        start = tab + 1;
    }
    return count;
}

void AppendNumber(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace

std::string ShardFileName(std::string_view syncId) {
    std::string name(syncId);
    name += kSuffix;
    return name;
}

bool IsShardFileName(std::string_view fileName) {
    return fileName.size() == kSyncIdSize + kSuffix.size() && fileName.ends_with(kSuffix) &&
           IsSyncId(fileName.substr(0, kSyncIdSize));
}

std::string SyncIdOfShardFile(std::string_view fileName) {
    if (!IsShardFileName(fileName)) {
        return {};
    }
    return std::string(fileName.substr(0, kSyncIdSize));
}

std::string NewSyncId() {
    unsigned char bytes[kSyncIdSize / 2];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            break;
        }
    }
    if (got < sizeof bytes) {
        // A kernel without getrandom: the library's own source of entropy.
        std::random_device device;
        for (; got < sizeof bytes; ++got) {
            bytes[got] = static_cast<unsigned char>(device());
        }
    }
    constexpr char kHex[] = "0123456789abcdef";
    std::string id;
    id.reserve(kSyncIdSize);
    for (const unsigned char b : bytes) {
        id += kHex[b >> 4];
        id += kHex[b & 0xF];
    }
    return id;
}

bool IsSyncId(std::string_view text) {
    if (text.size() != kSyncIdSize) {
        return false;
    }
    for (const char c : text) {
        if (!IsLowerHex(c)) {
            return false;
        }
    }
    return true;
}

std::string FormatShard(const MachineShard& shard) {
    std::string text;
    std::size_t estimate = 128;
    for (const SharedEntry& e : shard.entries) {
        estimate += e.address.size() + e.name.size() + e.group.size() + 48;
    }
    text.reserve(estimate);
    std::int64_t lines = 0;
    const auto endLine = [&] {
        text += kLineEnd;
        ++lines;
    };
    // Each field after the line's tag, behind its tab.
    const auto field = [&text](std::string_view value) {
        text += '\t';
        AppendEscaped(text, value);
    };
    const auto number = [&text](std::int64_t value) {
        text += '\t';
        AppendNumber(text, value);
    };
    text += kHeaderTag;
    number(kFormatVersion);
    field(shard.syncId);
    field(shard.machineName);
    number(shard.written);
    endLine();
    for (const SharedEntry& e : shard.entries) {
        text += kEntryTag;
        field(e.address);
        field(e.name);
        number(e.kind);
        field(e.group);
        field(e.firstDay);
        field(e.lastUsed);
        number(e.count);
        endLine();
    }
    for (const SharedTombstone& t : shard.tombstones) {
        text += kTombstoneTag;
        field(t.owner);
        field(t.address);
        number(t.stamp);
        endLine();
    }
    for (const auto& [syncId, stamp] : shard.applied) {
        text += kAppliedTag;
        field(syncId);
        number(stamp);
        endLine();
    }
    text += kEndTag;
    number(lines);
    text += kLineEnd;
    return EncodeStoredText(text);
}

ShardParse ParseShard(std::string_view bytes, MachineShard& out) {
    out = MachineShard{};
    if (bytes.size() > kMaxShardBytes) {
        return ShardParse::TooLarge;
    }
    const std::string text = DecodeStoredText(bytes);
    const std::string_view all(text);
    MachineShard shard;
    shard.entries.reserve(static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n')));
    std::int64_t lines = 0;
    bool ended = false;
    std::size_t pos = 0;
    std::string_view fields[9];
    // Damage anywhere after a good header is a torn copy; before it, no shard of ours.
    ShardParse damaged = ShardParse::NotAShard;
    while (pos < all.size()) {
        std::size_t end = all.find('\n', pos);
        const bool lastLine = end == std::string_view::npos;
        if (lastLine) {
            end = all.size();
        }
        std::string_view line = all.substr(pos, end - pos);
        pos = lastLine ? all.size() : end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (ended) {
            // Nothing follows the closing line but an empty end of file.
            return damaged;
        }
        const std::size_t count = SplitFields(line, fields, 9);
        const std::string_view tag = fields[0];
        if (lines == 0) {
            int version = 0;
            if (tag != kHeaderTag || count < 5 || !ParseNumber(fields[1], version) || version < 1 ||
                version > kFormatVersion || !IsSyncId(fields[2]) ||
                !Unescape(fields[3], shard.machineName) || !ParseNumber(fields[4], shard.written)) {
                return ShardParse::NotAShard;
            }
            shard.syncId = std::string(fields[2]);
            damaged = ShardParse::Torn;
        } else if (tag == kEntryTag) {
            if (count < 8) {
                return damaged;
            }
            SharedEntry& e = shard.entries.emplace_back();
            if (!Unescape(fields[1], e.address) || !Unescape(fields[2], e.name) ||
                !ParseNumber(fields[3], e.kind) || !Unescape(fields[4], e.group) ||
                !Unescape(fields[5], e.firstDay) || !Unescape(fields[6], e.lastUsed) ||
                !ParseNumber(fields[7], e.count)) {
                return damaged;
            }
        } else if (tag == kTombstoneTag) {
            SharedTombstone t;
            if (count < 4 || !IsSyncId(fields[1]) || !Unescape(fields[2], t.address) ||
                !ParseNumber(fields[3], t.stamp)) {
                return damaged;
            }
            t.owner = std::string(fields[1]);
            shard.tombstones.push_back(std::move(t));
        } else if (tag == kAppliedTag) {
            std::int64_t stamp = 0;
            if (count < 3 || !IsSyncId(fields[1]) || !ParseNumber(fields[2], stamp)) {
                return damaged;
            }
            shard.applied.emplace_back(std::string(fields[1]), stamp);
        } else if (tag == kEndTag) {
            std::int64_t counted = -1;
            if (count < 2 || !ParseNumber(fields[1], counted) || counted != lines) {
                return damaged;
            }
            ended = true;
            continue;
        }
        ++lines;
    }
    if (!ended) {
        return damaged;
    }
    out = std::move(shard);
    return ShardParse::Ok;
}

TMyDoc DocOfShared(const SharedEntry& entry) {
    TMyDoc doc;
    doc.RootPath = entry.group;
    doc.Path = entry.address;
    doc.DisplayName = entry.name;
    doc.DocType = entry.kind;
    doc.Date = entry.firstDay;
    doc.LastSeen = entry.lastUsed;
    doc.OpenCount = entry.count;
    return doc;
}

MachineShard ShardOfHistory(const DocTable& docs, std::string_view syncId,
                            std::string_view machineName, std::int64_t now,
                            const std::vector<SharedTombstone>& tombstones,
                            const std::vector<std::pair<std::string, std::int64_t>>& applied,
                            const Exclusions* exclusions) {
    MachineShard shard;
    shard.syncId = std::string(syncId);
    shard.machineName = std::string(machineName);
    shard.written = now;
    shard.entries.reserve(docs.size());
    for (const TMyDoc& doc : docs) {
        if (doc.Path.empty() || (exclusions != nullptr && exclusions->MatchesDoc(doc))) {
            continue;
        }
        SharedEntry& e = shard.entries.emplace_back();
        e.address = doc.Path;
        e.name = doc.DisplayName;
        e.kind = doc.DocType;
        e.group = doc.RootPath;
        e.firstDay = doc.Date;
        e.lastUsed = doc.LastSeen;
        e.count = doc.OpenCount;
    }
    shard.tombstones = tombstones;
    shard.applied = applied;
    return shard;
}

}  // namespace qarvex
