#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>

namespace qarvex {

class PortalShortcut;

// A key and its modifiers as the X server names them.
struct X11Key {
    std::uint32_t keysym = 0;
    std::uint16_t modifiers = 0;  // Shift 1, Control 4, Mod1 (Alt) 8, Mod4 (Super) 64
};

// One key combination in Qt's portable text ("Ctrl+Alt+Space"); nothing for an empty
// text, several combinations, or a key this program does not know the X name of.
std::optional<X11Key> X11KeyFor(const QString& portableText);

// Every modifier set to grab for the combination to work whatever NumLock and CapsLock are.
std::vector<std::uint16_t> GrabMasks(std::uint16_t modifiers, std::uint16_t numLockMask);

// A key that brings Qarvex up from anywhere on the desktop: an X key grab on the root
// window. On Wayland a program cannot grab keys: it asks the desktop portal, where the
// desktop offers one (KDE); elsewhere the desktop's own shortcut settings run
// `qarvex --toggle-search`.
class GlobalShortcut : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    enum class Result {
        Bound,
        None,         // no key set
        Taken,        // another program holds the key
        Invalid,      // the text names no single key
        Unsupported,  // neither an X display nor a portal that gives keys
        Asked,        // the desktop's portal was asked; resultChanged() tells its answer
    };

    // In a Wayland session the key is asked of the desktop portal on bus.
    explicit GlobalShortcut(QObject* parent = nullptr);
    ~GlobalShortcut() override;

    // Releases the key held so far and grabs this one.
    Result Bind(const QString& portableText);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void activated();
    void resultChanged(Result result);

private:
    void Release();

    std::uint8_t m_keycode = 0;
    std::uint16_t m_modifiers = 0;
    std::uint16_t m_ignored = 0;  // NumLock and CapsLock
    std::vector<std::uint16_t> m_grabbed;
    bool m_filtering = false;
    PortalShortcut* m_portal = nullptr;
};

}  // namespace qarvex
