#include "desktop/global_shortcut.h"

#include <algorithm>
#include <cstdlib>

#include <xcb/xcb.h>

#include <QDBusConnection>
#include <QGuiApplication>
#include <QKeySequence>

#include "desktop/portal_shortcut.h"

namespace qarvex {

namespace {

constexpr std::uint16_t kLockMask = XCB_MOD_MASK_LOCK;
constexpr std::uint32_t kNumLockKeysym = 0xff7f;
constexpr std::uint8_t kBadAccess = 10;

std::optional<std::uint32_t> KeysymFor(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return static_cast<std::uint32_t>(key - Qt::Key_A + 'a');
    }
    if (key >= 0x20 && key <= 0x7e) {
        return static_cast<std::uint32_t>(key);  // Latin-1 keys are their own keysyms
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) {
        return 0xffbeu + static_cast<std::uint32_t>(key - Qt::Key_F1);
    }
    struct Named {
        int key;
        std::uint32_t keysym;
    };
    static constexpr Named kNamed[] = {
        {Qt::Key_Escape, 0xff1b},   {Qt::Key_Tab, 0xff09},    {Qt::Key_Backspace, 0xff08},
        {Qt::Key_Return, 0xff0d},   {Qt::Key_Insert, 0xff63}, {Qt::Key_Delete, 0xffff},
        {Qt::Key_Pause, 0xff13},    {Qt::Key_Print, 0xff61},  {Qt::Key_Home, 0xff50},
        {Qt::Key_End, 0xff57},      {Qt::Key_Left, 0xff51},   {Qt::Key_Up, 0xff52},
        {Qt::Key_Right, 0xff53},    {Qt::Key_Down, 0xff54},   {Qt::Key_PageUp, 0xff55},
        {Qt::Key_PageDown, 0xff56},
    };
    for (const Named& named : kNamed) {
        if (named.key == key) {
            return named.keysym;
        }
    }
    return std::nullopt;
}

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t Root(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// The keycodes whose first symbol is keysym (the one without Shift).
std::vector<std::uint8_t> KeycodesFor(xcb_connection_t* c, std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<std::uint8_t>(count)),
        nullptr);
    std::vector<std::uint8_t> codes;
    if (reply == nullptr) {
        return codes;
    }
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int perCode = reply->keysyms_per_keycode;
    for (int i = 0; perCode > 0 && i < count; ++i) {
        if (syms[i * perCode] == keysym) {
            codes.push_back(static_cast<std::uint8_t>(setup->min_keycode + i));
        }
    }
    std::free(reply);
    return codes;
}

std::uint16_t NumLockMask(xcb_connection_t* c) {
    const std::vector<std::uint8_t> numLock = KeycodesFor(c, kNumLockKeysym);
    xcb_get_modifier_mapping_reply_t* reply =
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    std::uint16_t mask = 0;
    if (reply == nullptr) {
        return mask;
    }
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int k = 0; k < reply->keycodes_per_modifier; ++k) {
            const xcb_keycode_t code = codes[modifier * reply->keycodes_per_modifier + k];
            if (code != 0 && std::find(numLock.begin(), numLock.end(), code) != numLock.end()) {
                mask = static_cast<std::uint16_t>(mask | (1u << modifier));
            }
        }
    }
    std::free(reply);
    return mask;
}

}  // namespace

std::optional<X11Key> X11KeyFor(const QString& portableText) {
    const QKeySequence sequence =
        QKeySequence::fromString(portableText, QKeySequence::PortableText);
    if (sequence.count() != 1) {
        return std::nullopt;
    }
    const QKeyCombination combination = sequence[0];
    const std::optional<std::uint32_t> keysym = KeysymFor(combination.key());
    if (!keysym) {
        return std::nullopt;
    }
    X11Key key;
    key.keysym = *keysym;
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    key.modifiers =
        static_cast<std::uint16_t>((modifiers & Qt::ShiftModifier ? XCB_MOD_MASK_SHIFT : 0) |
                                   (modifiers & Qt::ControlModifier ? XCB_MOD_MASK_CONTROL : 0) |
                                   (modifiers & Qt::AltModifier ? XCB_MOD_MASK_1 : 0) |
                                   (modifiers & Qt::MetaModifier ? XCB_MOD_MASK_4 : 0));
    return key;
}

std::vector<std::uint16_t> GrabMasks(std::uint16_t modifiers, std::uint16_t numLockMask) {
    std::vector<std::uint16_t> masks = {modifiers,
                                        static_cast<std::uint16_t>(modifiers | kLockMask)};
    if (numLockMask != 0) {
        masks.push_back(static_cast<std::uint16_t>(modifiers | numLockMask));
        masks.push_back(static_cast<std::uint16_t>(modifiers | numLockMask | kLockMask));
    }
    return masks;
}

GlobalShortcut::GlobalShortcut(QObject* parent) : QObject(parent) {
    // Under XWayland an X grab would see keys only while an X window has the focus.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        QDBusConnection::sessionBus().isConnected()) {
        m_portal = new PortalShortcut(QDBusConnection::sessionBus(), this);
        connect(m_portal, &PortalShortcut::activated, this, &GlobalShortcut::activated);
        connect(m_portal, &PortalShortcut::bound, this,
                [this](bool ok) { emit resultChanged(ok ? Result::Bound : Result::Unsupported); });
    }
}

GlobalShortcut::~GlobalShortcut() {
    Release();
    if (m_filtering && qApp) {
        qApp->removeNativeEventFilter(this);
    }
}

void GlobalShortcut::Release() {
    xcb_connection_t* c = Connection();
    if (c != nullptr) {
        for (const std::uint16_t mask : m_grabbed) {
            xcb_ungrab_key(c, m_keycode, Root(c), mask);
        }
        xcb_flush(c);
    }
    m_grabbed.clear();
    m_keycode = 0;
}

GlobalShortcut::Result GlobalShortcut::Bind(const QString& portableText) {
    Release();
    if (portableText.trimmed().isEmpty()) {
        return Result::None;
    }
    const std::optional<X11Key> key = X11KeyFor(portableText);
    if (!key) {
        return Result::Invalid;
    }
    if (m_portal != nullptr) {
        m_portal->Bind(portableText);
        return Result::Asked;
    }
    xcb_connection_t* c = Connection();
    if (c == nullptr) {
        return Result::Unsupported;
    }
    const std::vector<std::uint8_t> codes = KeycodesFor(c, key->keysym);
    if (codes.empty()) {
        return Result::Invalid;  // no key of this keyboard makes it
    }
    m_keycode = codes.front();
    m_modifiers = key->modifiers;
    const std::uint16_t numLock = NumLockMask(c);
    m_ignored = static_cast<std::uint16_t>(kLockMask | numLock);
    for (const std::uint16_t mask : GrabMasks(key->modifiers, numLock)) {
        xcb_generic_error_t* error =
            xcb_request_check(c, xcb_grab_key_checked(c, 1, Root(c), mask, m_keycode,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (error != nullptr) {
            const bool taken = error->error_code == kBadAccess;
            std::free(error);
            Release();
            return taken ? Result::Taken : Result::Invalid;
        }
        m_grabbed.push_back(mask);
    }
    if (!m_filtering) {
        qApp->installNativeEventFilter(this);
        m_filtering = true;
    }
    return Result::Bound;
}

bool GlobalShortcut::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (m_grabbed.empty() || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) {
        return false;
    }
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    const std::uint16_t held = press->state & 0xff & static_cast<std::uint16_t>(~m_ignored);
    if (press->detail != m_keycode || held != m_modifiers) {
        return false;
    }
    emit activated();
    return true;
}

}  // namespace qarvex
