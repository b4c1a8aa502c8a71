#include "platform/x11/x11_desktop_windows.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include "platform/linux/proc_process_facts.h"
#include "platform/x11/compound_text_reader.h"
#include "platform/x11/window_text.h"

namespace qarvex {

namespace {

// The title buffer always held 128 bytes of the stored title.
constexpr std::size_t kMaxTitleBytes = 128;
// ICCCM WM_STATE values.
constexpr std::uint32_t kWithdrawnState = 0;

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(strlen(name)), name);
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::string LocalHostName() {
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) {
        return {};
    }
    return std::string(buffer.data());
}

std::optional<std::string> ReadLink(const std::string& path) {
    std::string buffer(4096, '\0');
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return std::nullopt;
    }
    buffer.resize(static_cast<std::size_t>(length));
    return buffer;
}

}  // namespace

struct X11DesktopWindows::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_ewmh_connection_t ewmh{};
    int screen = 0;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t compoundText = XCB_ATOM_NONE;
    xcb_atom_t gtkApplicationId = XCB_ATOM_NONE;
    xcb_atom_t kdeDesktopFile = XCB_ATOM_NONE;
    xcb_atom_t bamfDesktopFile = XCB_ATOM_NONE;
    bool hasResource = false;
    std::string hostName = LocalHostName();
    std::unique_ptr<CompoundTextReader> compoundTextReader;

    ~Connection() {
        if (ewmh.connection != nullptr) {
            xcb_ewmh_connection_wipe(&ewmh);
        }
        if (xcb != nullptr) {
            xcb_disconnect(xcb);
        }
    }
};

X11DesktopWindows::X11DesktopWindows(std::string displayName)
    : X11DesktopWindows(std::move(displayName), static_cast<std::int64_t>(getpid())) {}

X11DesktopWindows::X11DesktopWindows(std::string displayName, std::int64_t ownPid)
    : m_displayName(std::move(displayName)),
      m_ownPid(ownPid),
      m_lookup(std::make_shared<AppLookup>()) {}

X11DesktopWindows::X11DesktopWindows(std::string displayName, std::shared_ptr<AppLookup> lookup)
    : m_displayName(std::move(displayName)),
      m_ownPid(static_cast<std::int64_t>(getpid())),
      m_lookup(std::move(lookup)) {}

X11DesktopWindows::~X11DesktopWindows() = default;

X11DesktopWindows::Connection* X11DesktopWindows::Connect() {
    if (m_connection && xcb_connection_has_error(m_connection->xcb) == 0) {
        return m_connection.get();
    }
    m_connection.reset();
    auto connection = std::make_unique<Connection>();
    // Connection failures (no DISPLAY, a Wayland session without XWayland) are normal
    // here: the scan then simply finds no windows.
    connection->xcb =
        xcb_connect(m_displayName.empty() ? nullptr : m_displayName.c_str(), &connection->screen);
    if (xcb_connection_has_error(connection->xcb) != 0) {
        return nullptr;
    }
    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(connection->xcb, &connection->ewmh);
    if (cookies == nullptr ||
        xcb_ewmh_init_atoms_replies(&connection->ewmh, cookies, nullptr) == 0) {
        connection->ewmh = {};
        return nullptr;
    }
    if (connection->screen < 0 || connection->screen >= connection->ewmh.nb_screens) {
        return nullptr;
    }
    connection->root = connection->ewmh.screens[connection->screen]->root;
    connection->wmState = InternAtom(connection->xcb, "WM_STATE");
    connection->compoundText = InternAtom(connection->xcb, "COMPOUND_TEXT");
    connection->gtkApplicationId = InternAtom(connection->xcb, "_GTK_APPLICATION_ID");
    connection->kdeDesktopFile = InternAtom(connection->xcb, "_KDE_NET_WM_DESKTOP_FILE");
    connection->bamfDesktopFile = InternAtom(connection->xcb, "_BAMF_DESKTOP_FILE");
    const xcb_query_extension_reply_t* resource =
        xcb_get_extension_data(connection->xcb, &xcb_res_id);
    connection->hasResource = resource != nullptr && resource->present != 0;
    connection->compoundTextReader = std::make_unique<CompoundTextReader>(m_displayName);
    m_connection = std::move(connection);
    return m_connection.get();
}

std::vector<TopWindow> X11DesktopWindows::TopWindows() {
    // Once per scan: applications installed or removed since the last one count now.
    m_lookup->index->Refresh();
    m_lookup->resolver->StartPass();
    std::vector<TopWindow> windows;
    Connection* c = Connect();
    if (c == nullptr) {
        return windows;
    }
    xcb_ewmh_connection_t* ewmh = &c->ewmh;

    // Managed clients, bottom first in the window manager's lists.
    std::vector<xcb_window_t> order;
    bool managed = false;
    xcb_ewmh_get_windows_reply_t list{};
    if (xcb_ewmh_get_client_list_stacking_reply(
            ewmh, xcb_ewmh_get_client_list_stacking(ewmh, c->screen), &list, nullptr) != 0 ||
        xcb_ewmh_get_client_list_reply(ewmh, xcb_ewmh_get_client_list(ewmh, c->screen), &list,
                                       nullptr) != 0) {
        order.assign(list.windows, list.windows + list.windows_len);
        xcb_ewmh_get_windows_reply_wipe(&list);
        managed = true;
    } else {
        // No window manager: the root's children, which the server keeps bottom first.
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c->xcb, xcb_query_tree(c->xcb, c->root), nullptr));
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            order.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
    }
    std::reverse(order.begin(), order.end());

    struct Pending {
        xcb_window_t window;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t state;
        xcb_get_property_cookie_t type;
        xcb_get_property_cookie_t transientFor;
        xcb_get_property_cookie_t netName;
        xcb_get_property_cookie_t name;
        xcb_get_property_cookie_t wmState;
    };
    // Ask for everything first and read the answers afterwards: one round trip for the
    // whole desktop instead of several per window.
    std::vector<Pending> pending;
    pending.reserve(order.size());
    for (const xcb_window_t window : order) {
        pending.push_back(
            {window, xcb_get_window_attributes(c->xcb, window), xcb_ewmh_get_wm_state(ewmh, window),
             xcb_ewmh_get_wm_window_type(ewmh, window),
             xcb_icccm_get_wm_transient_for(c->xcb, window), xcb_ewmh_get_wm_name(ewmh, window),
             xcb_icccm_get_wm_name(c->xcb, window),
             xcb_get_property(c->xcb, 0, window, c->wmState, c->wmState, 0, 2)});
    }

    for (const Pending& p : pending) {
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c->xcb, p.attributes, nullptr));
        bool skipTaskbar = false;
        xcb_ewmh_get_atoms_reply_t atoms{};
        if (xcb_ewmh_get_wm_state_reply(ewmh, p.state, &atoms, nullptr) != 0) {
            skipTaskbar =
                std::find(atoms.atoms, atoms.atoms + atoms.atoms_len,
                          ewmh->_NET_WM_STATE_SKIP_TASKBAR) != atoms.atoms + atoms.atoms_len;
            xcb_ewmh_get_atoms_reply_wipe(&atoms);
        }
        // The first type this program knows is the one that counts; no type means normal.
        bool specialType = false;
        if (xcb_ewmh_get_wm_window_type_reply(ewmh, p.type, &atoms, nullptr) != 0) {
            const std::array<xcb_atom_t, 14> known = {
                ewmh->_NET_WM_WINDOW_TYPE_NORMAL,        ewmh->_NET_WM_WINDOW_TYPE_DIALOG,
                ewmh->_NET_WM_WINDOW_TYPE_DESKTOP,       ewmh->_NET_WM_WINDOW_TYPE_DOCK,
                ewmh->_NET_WM_WINDOW_TYPE_TOOLBAR,       ewmh->_NET_WM_WINDOW_TYPE_MENU,
                ewmh->_NET_WM_WINDOW_TYPE_UTILITY,       ewmh->_NET_WM_WINDOW_TYPE_SPLASH,
                ewmh->_NET_WM_WINDOW_TYPE_DROPDOWN_MENU, ewmh->_NET_WM_WINDOW_TYPE_POPUP_MENU,
                ewmh->_NET_WM_WINDOW_TYPE_TOOLTIP,       ewmh->_NET_WM_WINDOW_TYPE_NOTIFICATION,
                ewmh->_NET_WM_WINDOW_TYPE_COMBO,         ewmh->_NET_WM_WINDOW_TYPE_DND};
            for (std::uint32_t i = 0; i < atoms.atoms_len; ++i) {
                if (std::find(known.begin(), known.end(), atoms.atoms[i]) != known.end()) {
                    specialType = atoms.atoms[i] != ewmh->_NET_WM_WINDOW_TYPE_NORMAL &&
                                  atoms.atoms[i] != ewmh->_NET_WM_WINDOW_TYPE_DIALOG;
                    break;
                }
            }
            xcb_ewmh_get_atoms_reply_wipe(&atoms);
        }
        xcb_window_t owner = XCB_WINDOW_NONE;
        if (xcb_icccm_get_wm_transient_for_reply(c->xcb, p.transientFor, &owner, nullptr) == 0) {
            owner = XCB_WINDOW_NONE;
        }
        std::optional<std::string> title;
        xcb_ewmh_get_utf8_strings_reply_t utf8{};
        if (xcb_ewmh_get_wm_name_reply(ewmh, p.netName, &utf8, nullptr) != 0) {
            if (utf8.strings_len > 0) {
                title = SanitizeUtf8(CutUtf8ToBytes(
                    std::string_view(utf8.strings, utf8.strings_len), kMaxTitleBytes));
            }
            xcb_ewmh_get_utf8_strings_reply_wipe(&utf8);
        }
        xcb_icccm_get_text_property_reply_t text{};
        if (xcb_icccm_get_wm_name_reply(c->xcb, p.name, &text, nullptr) != 0) {
            if (!title) {
                const std::string_view raw(text.name, text.name_len);
                if (text.encoding == ewmh->UTF8_STRING) {
                    title = SanitizeUtf8(CutUtf8ToBytes(raw, kMaxTitleBytes));
                } else if (text.encoding == c->compoundText && c->compoundText != XCB_ATOM_NONE) {
                    // Xlib programs (xterm) write any title beyond Latin-1 this way.
                    const std::optional<std::string> converted = c->compoundTextReader->ToUtf8(raw);
                    title = CutUtf8ToBytes(
                        converted ? SanitizeUtf8(*converted) : CompoundTextToUtf8(raw),
                        kMaxTitleBytes);
                } else {
                    title = Latin1ToUtf8(raw.substr(0, kMaxTitleBytes));
                }
            }
            xcb_icccm_get_text_property_reply_wipe(&text);
        }
        Reply<xcb_get_property_reply_t> wmState(xcb_get_property_reply(c->xcb, p.wmState, nullptr));

        if (!attributes) {
            continue;  // gone since the list was read
        }
        bool withdrawn = false;
        if (wmState && wmState->type == c->wmState && wmState->format == 32 &&
            xcb_get_property_value_length(wmState.get()) >= 4) {
            withdrawn = *static_cast<const std::uint32_t*>(xcb_get_property_value(wmState.get())) ==
                        kWithdrawnState;
        }
        if (!managed && attributes->map_state == XCB_MAP_STATE_UNMAPPED) {
            continue;  // never shown, or withdrawn by its program
        }
        const std::optional<std::int64_t> pid = LocalPidOfWindow(p.window);
        if (pid && *pid == m_ownPid) {
            continue;  // our own windows are never a document
        }
        TopWindow top;
        top.id = p.window;
        top.visible = managed ? !withdrawn : true;
        top.owned = owner != XCB_WINDOW_NONE && owner != c->root;
        top.toolWindow = skipTaskbar || specialType || attributes->override_redirect != 0;
        top.title = title.value_or(std::string());
        windows.push_back(std::move(top));
    }
    return windows;
}

std::optional<std::int64_t> X11DesktopWindows::LocalPidOfWindow(std::uint32_t window) {
    Connection* c = Connect();
    if (c == nullptr) {
        return std::nullopt;
    }
    // The server knows which local process made the connection that created the window;
    // _NET_WM_PID is only what the window says of itself, and any window can name any
    // process there (a program in ~/Downloads, to be recorded and run later). Where the
    // two disagree the server is right, so its answer is asked for first.
    std::optional<xcb_res_query_client_ids_cookie_t> serverCookie;
    if (c->hasResource) {
        const xcb_res_client_id_spec_t query{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        serverCookie = xcb_res_query_client_ids(c->xcb, 1, &query);
    }
    const auto pidCookie =
        xcb_get_property(c->xcb, 0, window, c->ewmh._NET_WM_PID, XCB_ATOM_CARDINAL, 0, 1);
    const auto machineCookie = xcb_icccm_get_wm_client_machine(c->xcb, window);
    std::optional<std::uint32_t> serverPid;
    if (serverCookie) {
        Reply<xcb_res_query_client_ids_reply_t> reply(
            xcb_res_query_client_ids_reply(c->xcb, *serverCookie, nullptr));
        if (reply) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem > 0;
                 xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) != 0 &&
                    xcb_res_client_id_value_value_length(it.data) >= 1) {
                    serverPid = *xcb_res_client_id_value_value(it.data);
                    break;
                }
            }
        }
    }
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> pidReply(xcb_get_property_reply(c->xcb, pidCookie, &error));
    std::free(error);
    // A window that no longer exists has no program, even though the server could still
    // name the client its id once belonged to.
    if (!pidReply) {
        xcb_discard_reply(c->xcb, machineCookie.sequence);
        return std::nullopt;
    }
    xcb_icccm_get_text_property_reply_t machine{};
    if (xcb_icccm_get_wm_client_machine_reply(c->xcb, machineCookie, &machine, nullptr) != 0) {
        const std::string host(machine.name, machine.name_len);
        xcb_icccm_get_text_property_reply_wipe(&machine);
        // A process id of another machine names nothing here (the server's answer for
        // such a window is the local end of the forwarding, not its program).
        if (!IsSameHost(host, c->hostName)) {
            return std::nullopt;
        }
    }
    if (c->hasResource) {
        // A server that can tell says which process it is; one it can't place (a client
        // over TCP) has none here, whatever the window claims.
        return serverPid && *serverPid > 0 ? std::optional<std::int64_t>(*serverPid) : std::nullopt;
    }
    // Without the extension the window's own word is all there is.
    if (pidReply->type == XCB_ATOM_CARDINAL && pidReply->format == 32 &&
        xcb_get_property_value_length(pidReply.get()) >= 4) {
        const std::uint32_t pid =
            *static_cast<const std::uint32_t*>(xcb_get_property_value(pidReply.get()));
        return pid > 0 ? std::optional<std::int64_t>(pid) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> X11DesktopWindows::ProgramPath(std::uint64_t windowId) {
    if (windowId == 0 || windowId > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> pid = LocalPidOfWindow(static_cast<std::uint32_t>(windowId));
    if (!pid) {
        return std::nullopt;
    }
    return ReadLink("/proc/" + std::to_string(*pid) + "/exe");
}

WindowHints X11DesktopWindows::HintsOf(std::uint64_t windowId) {
    WindowHints hints;
    Connection* c = Connect();
    if (c == nullptr || windowId == 0 || windowId > 0xFFFFFFFFu) {
        return hints;
    }
    const auto window = static_cast<xcb_window_t>(windowId);
    const auto text = [c, window](xcb_atom_t atom) {
        return atom == XCB_ATOM_NONE
                   ? xcb_get_property_cookie_t{0}
                   : xcb_get_property(c->xcb, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    };
    const xcb_get_property_cookie_t cookies[] = {text(c->gtkApplicationId), text(c->kdeDesktopFile),
                                                 text(c->bamfDesktopFile)};
    std::string* const targets[] = {&hints.appId, &hints.kdeDesktopFile, &hints.bamfDesktopFile};
    const auto classCookie = xcb_icccm_get_wm_class(c->xcb, window);
    // Waiting for the process id sends the requests above too: one round trip for all.
    hints.pid = LocalPidOfWindow(window);
    for (std::size_t i = 0; i < 3; ++i) {
        if (cookies[i].sequence == 0) {
            continue;
        }
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c->xcb, cookies[i], nullptr));
        if (reply && reply->format == 8) {
            const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
            std::string value(data,
                              static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
            // Some writers count the terminating NUL.
            value.resize(std::strlen(value.c_str()));
            *targets[i] = SanitizeUtf8(value);
        }
    }
    xcb_icccm_get_wm_class_reply_t wmClass{};
    if (xcb_icccm_get_wm_class_reply(c->xcb, classCookie, &wmClass, nullptr) != 0) {
        if (wmClass.instance_name != nullptr) {
            hints.wmClassInstance = Latin1ToUtf8(wmClass.instance_name);
        }
        if (wmClass.class_name != nullptr) {
            hints.wmClassClass = Latin1ToUtf8(wmClass.class_name);
        }
        xcb_icccm_get_wm_class_reply_wipe(&wmClass);
    }
    return hints;
}

std::optional<AppIdentity> X11DesktopWindows::Application(std::uint64_t windowId) {
    if (windowId == 0 || windowId > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    const WindowHints hints = HintsOf(windowId);
    // Another machine's window, or one that is gone: nothing here runs it.
    if (!hints.pid) {
        return std::nullopt;
    }
    return m_lookup->resolver->Resolve(hints);
}

void X11DesktopWindows::ShowDesktop() {
    Connection* c = Connect();
    if (c == nullptr) {
        return;
    }
    // Built by hand: xcb-ewmh's helper sends this message with no window, and window
    // managers (openbox among them) only take it when it names the root window.
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = c->root;
    event.type = c->ewmh._NET_SHOWING_DESKTOP;
    event.data.data32[0] = 1;
    xcb_send_event(c->xcb, 0, c->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c->xcb);
}

void X11DesktopWindows::SetSkipTaskbar(std::uint64_t windowId, bool skip) {
    Connection* c = Connect();
    if (c == nullptr || windowId == 0) {
        return;
    }
    const auto window = static_cast<xcb_window_t>(windowId);
    xcb_atom_t states[] = {c->ewmh._NET_WM_STATE_SKIP_TASKBAR, c->ewmh._NET_WM_STATE_SKIP_PAGER};
    // A window not yet mapped carries the state as a property, which the window manager
    // reads when it maps the window; a mapped one is asked through the root window.
    if (skip) {
        xcb_change_property(c->xcb, XCB_PROP_MODE_APPEND, window, c->ewmh._NET_WM_STATE,
                            XCB_ATOM_ATOM, 32, 2, states);
    }
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = c->ewmh._NET_WM_STATE;
    event.data.data32[0] = skip ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
    event.data.data32[1] = states[0];
    event.data.data32[2] = states[1];
    event.data.data32[3] = 1;  // from an application
    xcb_send_event(c->xcb, 0, c->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c->xcb);
}

}  // namespace qarvex
