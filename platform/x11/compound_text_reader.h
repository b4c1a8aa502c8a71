#pragma once

#include <optional>
#include <string>
#include <string_view>

struct _XDisplay;

namespace qarvex {

// Xlib's own COMPOUND_TEXT conversion, which knows every character set X clients write
// their titles in (GB 2312, JIS X 0208, KS C 5601, the ISO 8859 halves...). The program
// talks to the X server through xcb; the Xlib connection this needs is opened only when
// a window first has such a title, and kept while this object lives.
class CompoundTextReader {
public:
    // displayName empty: $DISPLAY.
    explicit CompoundTextReader(std::string displayName);
    ~CompoundTextReader();
    CompoundTextReader(const CompoundTextReader&) = delete;
    CompoundTextReader& operator=(const CompoundTextReader&) = delete;

    // The text as UTF-8 (characters Xlib can't convert left out); nothing when no Xlib
    // connection can be had or the text is not COMPOUND_TEXT at all.
    std::optional<std::string> ToUtf8(std::string_view compoundText);

private:
    bool Open();

    std::string m_displayName;
    _XDisplay* m_display = nullptr;
    bool m_tried = false;
    unsigned long m_compoundText = 0;
};

}  // namespace qarvex
