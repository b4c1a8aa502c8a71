#include "platform/x11/window_text.h"

namespace qarvex {

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0;  // no overlong forms
        } else if (lead == 0xED) {
            high = 0x9F;  // no surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void AppendCodePoint(std::string& out, unsigned int cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string_view ShortHost(std::string_view host) {
    const auto dot = host.find('.');
    return dot == std::string_view::npos ? host : host.substr(0, dot);
}

}  // namespace

std::string CutUtf8ToBytes(std::string_view utf8, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < utf8.size()) {
        std::size_t length = Utf8SequenceLength(utf8, end);
        if (length == 0) {
            length = 1;
        }
        if (end + length > maxBytes) {
            break;
        }
        end += length;
    }
    return std::string(utf8.substr(0, end));
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            AppendCodePoint(out, 0xFFFD);
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size() * 2);
    for (const char c : latin1) {
        AppendCodePoint(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string CompoundTextToUtf8(std::string_view text) {
    constexpr char kEsc = '\x1b';
    enum class Mode { Latin1, Utf8, Other } mode = Mode::Latin1;
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != kEsc) {
            const std::size_t next = text.find(kEsc, i);
            const std::string_view run =
                text.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i);
            out += mode == Mode::Latin1 ? Latin1ToUtf8(run) : SanitizeUtf8(run);
            i += run.size();
            continue;
        }
        // An escape sequence: ESC, intermediate bytes 0x20..0x2F, one final byte 0x30..0x7E.
        std::size_t k = i + 1;
        while (k < text.size() && text[k] >= 0x20 && text[k] <= 0x2F) {
            ++k;
        }
        const std::string_view sequence =
            text.substr(i, k < text.size() ? k + 1 - i : text.size() - i);
        if (sequence == "\x1b%G") {
            mode = Mode::Utf8;
        } else if (sequence == "\x1b%@" || sequence == "\x1b(B" || sequence == "\x1b-A") {
            mode = Mode::Latin1;
        } else {
            mode = Mode::Other;
        }
        i += sequence.size();
    }
    return out;
}

bool IsSameHost(std::string_view windowHost, std::string_view localHost) {
    if (windowHost.empty() || localHost.empty()) {
        return windowHost == localHost;
    }
    if (windowHost == localHost) {
        return true;
    }
    const bool windowQualified = windowHost.find('.') != std::string_view::npos;
    const bool localQualified = localHost.find('.') != std::string_view::npos;
    if (windowQualified == localQualified) {
        return false;  // two different full names, or two different short names
    }
    return ShortHost(windowHost) == ShortHost(localHost);
}

}  // namespace qarvex
