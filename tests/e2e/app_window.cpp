// One plain X window for the application tests, with only the hints asked for:
//   app_window --title TITLE [--class INSTANCE CLASS] [--pid PID]
// --pid puts another process's id in _NET_WM_PID, as a window that lies about itself.
// It stays until it is killed or the X server goes, so it can be started by a launcher
// that gives it no input.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <unistd.h>
#include <xcb/xcb.h>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : 0;
    free(reply);
    return atom;
}

}  // namespace

int main(int argc, char** argv) {
    std::string title = "app_window";
    std::string wmClass;  // "instance\0class\0"
    uint32_t pid = static_cast<uint32_t>(getpid());
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--title" && i + 1 < argc) {
            title = argv[++i];
        } else if (arg == "--class" && i + 2 < argc) {
            wmClass = std::string(argv[i + 1]) + '\0' + argv[i + 2] + '\0';
            i += 2;
        } else if (arg == "--pid" && i + 1 < argc) {
            pid = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        }
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        std::fprintf(stderr, "app_window: no X server\n");
        return 2;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&it);
    }
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t values[] = {it.data->white_pixel};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, it.data->root, 10, 10, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, it.data->root_visual, XCB_CW_BACK_PIXEL,
                      values);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, Atom(connection, "_NET_WM_PID"),
                        XCB_ATOM_CARDINAL, 32, 1, &pid);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, Atom(connection, "_NET_WM_NAME"),
                        Atom(connection, "UTF8_STRING"), 8, static_cast<uint32_t>(title.size()),
                        title.data());
    if (!wmClass.empty()) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                            XCB_ATOM_STRING, 8, static_cast<uint32_t>(wmClass.size()),
                            wmClass.data());
    }
    xcb_map_window(connection, window);
    xcb_flush(connection);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        free(event);
    }
    xcb_disconnect(connection);
    return 0;
}
