#pragma once

namespace qarvex {

enum class Page;

// What the window's parts ask of the window itself. The main window implements it; a part
// never sees more of the window than this.
class WindowActions {
public:
    WindowActions() = default;
    virtual ~WindowActions() = default;
    WindowActions(const WindowActions&) = delete;
    WindowActions& operator=(const WindowActions&) = delete;

    // Shown, placed above the others and given the keyboard, where it stands now.
    virtual void BringToFront() = 0;
    // Normal state, placed at the lower right of the screen, shown.
    virtual void ShowMainWindowAtCorner() = 0;
    // Out of sight until the tray brings it back.
    virtual void HideToTray() = 0;
    // Asks whether to end the program, and ends it on yes.
    virtual void MnQVExitClick() = 0;
    // Whether the desktop has a tray to bring the window back from.
    virtual bool HasTray() const = 0;
    virtual void ShowPage(Page page) = 0;
};

}  // namespace qarvex
