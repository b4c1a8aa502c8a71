// A small X client for the end-to-end tests: it creates one window of every kind the
// desktop scan must tell apart, prints "<role> <window id>" for each, then "ready", and
// stays until its standard input closes.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

namespace {

xcb_connection_t* g_connection = nullptr;
xcb_screen_t* g_screen = nullptr;

xcb_atom_t Atom(const char* name) {
    auto cookie = xcb_intern_atom(g_connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(g_connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : 0;
    free(reply);
    return atom;
}

void SetText(xcb_window_t window, const char* property, const char* type, std::string_view text) {
    xcb_change_property(g_connection, XCB_PROP_MODE_REPLACE, window, Atom(property), Atom(type), 8,
                        static_cast<uint32_t>(text.size()), text.data());
}

void SetCardinal(xcb_window_t window, const char* property, uint32_t value) {
    xcb_change_property(g_connection, XCB_PROP_MODE_REPLACE, window, Atom(property),
                        XCB_ATOM_CARDINAL, 32, 1, &value);
}

void SetAtoms(xcb_window_t window, const char* property, const std::vector<const char*>& names) {
    std::vector<xcb_atom_t> atoms;
    for (const char* name : names) {
        atoms.push_back(Atom(name));
    }
    xcb_change_property(g_connection, XCB_PROP_MODE_REPLACE, window, Atom(property), XCB_ATOM_ATOM,
                        32, static_cast<uint32_t>(atoms.size()), atoms.data());
}

std::string HostName() {
    std::array<char, 256> buffer{};
    gethostname(buffer.data(), buffer.size() - 1);
    return buffer.data();
}

struct WindowKind {
    const char* role;
    bool map = true;
    bool pid = true;
    const char* machine = nullptr;  // nullptr: this host
    const char* netName = nullptr;
    const char* wmName = nullptr;
    const char* wmNameType = "STRING";  // Latin-1
    const char* type = "_NET_WM_WINDOW_TYPE_NORMAL";
    bool skipTaskbar = false;
    bool iconic = false;
    const char* transientForRole = nullptr;
};

}  // namespace

int main() {
    int screenNumber = 0;
    g_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(g_connection) != 0) {
        std::fprintf(stderr, "x_client: no X server\n");
        return 2;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(g_connection));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&it);
    }
    g_screen = it.data;

    std::string longTitle;
    for (int i = 0; i < 50; ++i) {
        longTitle += "\xe6\x96\x87";  // 文, three bytes: 150 bytes in all
    }
    const std::vector<WindowKind> kinds = {
        {.role = "normal", .netName = "普通窗口 Normal", .wmName = "Normal"},
        {.role = "dialog",
         .netName = "对话框",
         .type = "_NET_WM_WINDOW_TYPE_DIALOG",
         .transientForRole = "normal"},
        {.role = "loosedialog", .netName = "Loose dialog", .type = "_NET_WM_WINDOW_TYPE_DIALOG"},
        {.role = "utility", .netName = "Palette", .type = "_NET_WM_WINDOW_TYPE_UTILITY"},
        {.role = "skiptaskbar", .netName = "Skipper", .skipTaskbar = true},
        {.role = "iconic", .netName = "Minimised", .iconic = true},
        {.role = "withdrawn", .map = false, .netName = "Withdrawn"},
        {.role = "nopid", .pid = false, .netName = "No pid"},
        {.role = "remote", .machine = "elsewhere.invalid", .netName = "Remote"},
        {.role = "longtitle", .netName = longTitle.c_str()},
        {.role = "latin1", .wmName = "Caf\xe9"},
        // "终端 xterm" as xterm's Xlib writes it in a UTF-8 locale: 终 from GB 2312, 端
        // from JIS X 0208.
        {.role = "compound",
         .wmName = "\x1b$(AVU\x1b$(BC<\x1b(B xterm",
         .wmNameType = "COMPOUND_TEXT"},
        {.role = "badutf8", .netName = "ab\xff"},
        {.role = "untyped", .netName = "Untyped", .type = nullptr},
    };

    const std::string host = HostName();
    std::vector<std::pair<std::string, xcb_window_t>> made;
    for (const WindowKind& kind : kinds) {
        const xcb_window_t window = xcb_generate_id(g_connection);
        const uint32_t values[] = {g_screen->white_pixel};
        xcb_create_window(g_connection, XCB_COPY_FROM_PARENT, window, g_screen->root, 10, 10, 200,
                          100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, g_screen->root_visual,
                          XCB_CW_BACK_PIXEL, values);
        if (kind.pid) {
            SetCardinal(window, "_NET_WM_PID", static_cast<uint32_t>(getpid()));
            const std::string machine = kind.machine != nullptr ? kind.machine : host;
            SetText(window, "WM_CLIENT_MACHINE", "STRING", machine);
        }
        if (kind.netName != nullptr) {
            SetText(window, "_NET_WM_NAME", "UTF8_STRING", kind.netName);
        }
        if (kind.wmName != nullptr) {
            SetText(window, "WM_NAME", kind.wmNameType, kind.wmName);
        }
        if (kind.type != nullptr) {
            SetAtoms(window, "_NET_WM_WINDOW_TYPE", {kind.type});
        }
        if (kind.skipTaskbar) {
            SetAtoms(window, "_NET_WM_STATE", {"_NET_WM_STATE_SKIP_TASKBAR"});
        }
        if (kind.transientForRole != nullptr) {
            for (const auto& [role, id] : made) {
                if (role == kind.transientForRole) {
                    xcb_icccm_set_wm_transient_for(g_connection, window, id);
                }
            }
        }
        xcb_icccm_wm_hints_t hints{};
        xcb_icccm_wm_hints_set_input(&hints, 1);
        if (kind.iconic) {
            xcb_icccm_wm_hints_set_iconic(&hints);
        } else {
            xcb_icccm_wm_hints_set_normal(&hints);
        }
        xcb_icccm_set_wm_hints(g_connection, window, &hints);
        if (kind.map) {
            xcb_map_window(g_connection, window);
        }
        made.emplace_back(kind.role, window);
    }
    // A round trip: once it returns, the server has carried out every request above.
    free(xcb_get_input_focus_reply(g_connection, xcb_get_input_focus(g_connection), nullptr));
    for (const auto& [role, id] : made) {
        std::printf("%s %u\n", role.c_str(), id);
    }
    std::printf("ready\n");
    std::fflush(stdout);

    // Keep the windows until the test is done with them.
    std::array<char, 64> buffer{};
    while (read(STDIN_FILENO, buffer.data(), buffer.size()) > 0) {
    }
    xcb_disconnect(g_connection);
    return 0;
}
