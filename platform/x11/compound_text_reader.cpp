#include "platform/x11/compound_text_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace qarvex {

namespace {

// Xlib ends the whole program when a connection breaks (its default I/O error handler
// exits). Losing the server must cost this reader its conversions, no more, so the
// handler is taken over: for our displays it returns, and so does their exit handler,
// after which Xlib fails every call on them; others go to the handler there was before.
std::vector<Display*>& OurDisplays() {
    static std::vector<Display*> displays;
    return displays;
}

XIOErrorHandler g_previousHandler = nullptr;

bool IsOurs(Display* display) {
    const auto& ours = OurDisplays();
    return std::find(ours.begin(), ours.end(), display) != ours.end();
}

int OnIoError(Display* display) {
    if (IsOurs(display)) {
        return 0;
    }
    return g_previousHandler != nullptr ? g_previousHandler(display) : 0;
}

void KeepRunning(Display* /*display*/, void* /*data*/) {}

}  // namespace

CompoundTextReader::CompoundTextReader(std::string displayName)
    : m_displayName(std::move(displayName)) {}

CompoundTextReader::~CompoundTextReader() {
    if (m_display == nullptr) {
        return;
    }
    XCloseDisplay(m_display);
    auto& ours = OurDisplays();
    ours.erase(std::remove(ours.begin(), ours.end(), m_display), ours.end());
}

bool CompoundTextReader::Open() {
    if (m_tried) {
        return m_display != nullptr;
    }
    m_tried = true;
    m_display = XOpenDisplay(m_displayName.empty() ? nullptr : m_displayName.c_str());
    if (m_display == nullptr) {
        return false;
    }
    static bool handlerSet = false;
    if (!handlerSet) {
        g_previousHandler = XSetIOErrorHandler(OnIoError);
        handlerSet = true;
    }
    OurDisplays().push_back(m_display);
    XSetIOErrorExitHandler(m_display, KeepRunning, nullptr);
    // The conversion looks these up by name; asked now, it never waits on the server.
    m_compoundText = XInternAtom(m_display, "COMPOUND_TEXT", False);
    XInternAtom(m_display, "UTF8_STRING", False);
    return true;
}

std::optional<std::string> CompoundTextReader::ToUtf8(std::string_view compoundText) {
    if (!Open()) {
        return std::nullopt;
    }
    std::vector<unsigned char> value(compoundText.begin(), compoundText.end());
    value.push_back(0);
    XTextProperty property{};
    property.value = value.data();
    property.encoding = m_compoundText;
    property.format = 8;
    property.nitems = compoundText.size();
    char** list = nullptr;
    int count = 0;
    // A positive answer counts characters that were left out: the rest is still right.
    const int result = Xutf8TextPropertyToTextList(m_display, &property, &list, &count);
    if (result < 0 || list == nullptr) {
        return std::nullopt;
    }
    // A NUL inside the text separates strings; a title is one line, so they are joined.
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += list[i];
    }
    XFreeStringList(list);
    return text;
}

}  // namespace qarvex
