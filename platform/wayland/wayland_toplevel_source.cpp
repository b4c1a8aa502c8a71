#include "platform/wayland/wayland_toplevel_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include <poll.h>
#include <wayland-client.h>

#include "ext-foreign-toplevel-list-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace qarvex {

namespace {

using Clock = std::chrono::steady_clock;

// The newest versions whose events this reader knows.
constexpr std::uint32_t kExtListVersion = 1;
constexpr std::uint32_t kWlrManagerVersion = 3;

struct Handle {
    void* proxy = nullptr;
    WaylandToplevel pending;
    WaylandToplevel current;
    bool seenDone = false;
    bool closed = false;
    // The parent, until all handles are known; resolved to hasParent at the end.
    void* parent = nullptr;
};

struct Session {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    std::string wantedInterface;
    std::uint32_t globalName = 0;
    std::uint32_t globalVersion = 0;
    void* manager = nullptr;
    bool managerFinished = false;
    std::vector<std::unique_ptr<Handle>> handles;
    ToplevelProtocol protocol = ToplevelProtocol::ExtForeignToplevelList;

    ~Session() {
        // Only local proxies go here: the connection ends right after, and the
        // compositor frees its side with it.
        for (const auto& handle : handles) {
            if (handle->proxy != nullptr) {
                wl_proxy_destroy(static_cast<wl_proxy*>(handle->proxy));
            }
        }
        if (manager != nullptr) {
            wl_proxy_destroy(static_cast<wl_proxy*>(manager));
        }
        if (registry != nullptr) {
            wl_registry_destroy(registry);
        }
        if (display != nullptr) {
            wl_display_disconnect(display);
        }
    }
};

void OnGlobal(void* data, wl_registry* /*registry*/, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* session = static_cast<Session*>(data);
    if (session->globalName == 0 && session->wantedInterface == interface) {
        session->globalName = name;
        session->globalVersion = version;
    }
}

void OnGlobalRemove(void* /*data*/, wl_registry* /*registry*/, std::uint32_t /*name*/) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnSyncDone(void* data, wl_callback* callback, std::uint32_t /*serial*/) {
    *static_cast<bool*>(data) = true;
    wl_callback_destroy(callback);
}

const wl_callback_listener kSyncListener = {OnSyncDone};

void SetText(std::string& target, const char* text) {
    target = text != nullptr ? text : "";
}

void Commit(Handle* handle) {
    handle->current = handle->pending;
    handle->seenDone = true;
}

// ext_foreign_toplevel_handle_v1
void ExtClosed(void* data, ext_foreign_toplevel_handle_v1* /*h*/) {
    static_cast<Handle*>(data)->closed = true;
}
void ExtDone(void* data, ext_foreign_toplevel_handle_v1* /*h*/) {
    Commit(static_cast<Handle*>(data));
}
void ExtTitle(void* data, ext_foreign_toplevel_handle_v1* /*h*/, const char* title) {
    SetText(static_cast<Handle*>(data)->pending.title, title);
}
void ExtAppId(void* data, ext_foreign_toplevel_handle_v1* /*h*/, const char* appId) {
    SetText(static_cast<Handle*>(data)->pending.appId, appId);
}
void ExtIdentifier(void* /*data*/, ext_foreign_toplevel_handle_v1* /*h*/,
                   const char* /*identifier*/) {}

const ext_foreign_toplevel_handle_v1_listener kExtHandleListener = {ExtClosed, ExtDone, ExtTitle,
                                                                    ExtAppId, ExtIdentifier};

void ExtToplevel(void* data, ext_foreign_toplevel_list_v1* /*list*/,
                 ext_foreign_toplevel_handle_v1* toplevel) {
    auto* session = static_cast<Session*>(data);
    auto handle = std::make_unique<Handle>();
    handle->proxy = toplevel;
    ext_foreign_toplevel_handle_v1_add_listener(toplevel, &kExtHandleListener, handle.get());
    session->handles.push_back(std::move(handle));
}
void ExtFinished(void* data, ext_foreign_toplevel_list_v1* /*list*/) {
    static_cast<Session*>(data)->managerFinished = true;
}

const ext_foreign_toplevel_list_v1_listener kExtListListener = {ExtToplevel, ExtFinished};

// zwlr_foreign_toplevel_handle_v1
void WlrTitle(void* data, zwlr_foreign_toplevel_handle_v1* /*h*/, const char* title) {
    SetText(static_cast<Handle*>(data)->pending.title, title);
}
void WlrAppId(void* data, zwlr_foreign_toplevel_handle_v1* /*h*/, const char* appId) {
    SetText(static_cast<Handle*>(data)->pending.appId, appId);
}
void WlrOutputEnter(void* /*data*/, zwlr_foreign_toplevel_handle_v1* /*h*/, wl_output* /*output*/) {
}
void WlrOutputLeave(void* /*data*/, zwlr_foreign_toplevel_handle_v1* /*h*/, wl_output* /*output*/) {
}
void WlrState(void* data, zwlr_foreign_toplevel_handle_v1* /*h*/, wl_array* states) {
    auto* handle = static_cast<Handle*>(data);
    handle->pending.minimized = false;
    const std::size_t count = states->size / sizeof(std::uint32_t);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t state = 0;
        std::memcpy(&state, static_cast<const char*>(states->data) + i * sizeof(state),
                    sizeof(state));
        if (state == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED) {
            handle->pending.minimized = true;
        }
    }
}
void WlrDone(void* data, zwlr_foreign_toplevel_handle_v1* /*h*/) {
    Commit(static_cast<Handle*>(data));
}
void WlrClosed(void* data, zwlr_foreign_toplevel_handle_v1* /*h*/) {
    static_cast<Handle*>(data)->closed = true;
}
void WlrParent(void* data, zwlr_foreign_toplevel_handle_v1* /*h*/,
               zwlr_foreign_toplevel_handle_v1* parent) {
    static_cast<Handle*>(data)->parent = parent;
}

const zwlr_foreign_toplevel_handle_v1_listener kWlrHandleListener = {
    WlrTitle, WlrAppId, WlrOutputEnter, WlrOutputLeave, WlrState, WlrDone, WlrClosed, WlrParent};

void WlrToplevel(void* data, zwlr_foreign_toplevel_manager_v1* /*manager*/,
                 zwlr_foreign_toplevel_handle_v1* toplevel) {
    auto* session = static_cast<Session*>(data);
    auto handle = std::make_unique<Handle>();
    handle->proxy = toplevel;
    zwlr_foreign_toplevel_handle_v1_add_listener(toplevel, &kWlrHandleListener, handle.get());
    session->handles.push_back(std::move(handle));
}
void WlrFinished(void* data, zwlr_foreign_toplevel_manager_v1* /*manager*/) {
    static_cast<Session*>(data)->managerFinished = true;
}

const zwlr_foreign_toplevel_manager_v1_listener kWlrManagerListener = {WlrToplevel, WlrFinished};

// Dispatches until flag is set; false when the connection fails or the deadline
// passes first. Never waits past the deadline: the interface thread runs this.
bool DispatchUntil(wl_display* display, const bool& flag, Clock::time_point deadline) {
    while (!flag) {
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0) {
                return false;
            }
        }
        if (flag) {
            wl_display_cancel_read(display);
            break;
        }
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            wl_display_cancel_read(display);
            return false;
        }
        pollfd pfd{wl_display_get_fd(display), POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left.count()) + 1);
        if (ready <= 0) {
            wl_display_cancel_read(display);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready == 0) {
                continue;  // the deadline check above ends the wait
            }
            return false;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0) {
            return false;
        }
    }
    return true;
}

bool Roundtrip(wl_display* display, Clock::time_point deadline) {
    bool done = false;
    wl_callback* callback = wl_display_sync(display);
    if (callback == nullptr) {
        return false;
    }
    wl_callback_add_listener(callback, &kSyncListener, &done);
    if (!DispatchUntil(display, done, deadline)) {
        // The callback may still come; it must not write to a gone flag.
        wl_callback_destroy(callback);
        return false;
    }
    return true;
}

}  // namespace

WaylandToplevelSource::WaylandToplevelSource(ToplevelProtocol protocol, std::string displayName,
                                             std::chrono::milliseconds budget)
    : m_protocol(protocol), m_displayName(std::move(displayName)), m_budget(budget) {}

std::optional<std::vector<WaylandToplevel>> WaylandToplevelSource::Read() {
    const Clock::time_point deadline = Clock::now() + m_budget;
    Session session;
    session.protocol = m_protocol;
    session.wantedInterface = m_protocol == ToplevelProtocol::ExtForeignToplevelList
                                  ? ext_foreign_toplevel_list_v1_interface.name
                                  : zwlr_foreign_toplevel_manager_v1_interface.name;
    session.display = wl_display_connect(m_displayName.empty() ? nullptr : m_displayName.c_str());
    if (session.display == nullptr) {
        return std::nullopt;
    }
    session.registry = wl_display_get_registry(session.display);
    if (session.registry == nullptr) {
        return std::nullopt;
    }
    wl_registry_add_listener(session.registry, &kRegistryListener, &session);
    if (!Roundtrip(session.display, deadline) || session.globalName == 0) {
        return std::nullopt;
    }
    if (m_protocol == ToplevelProtocol::ExtForeignToplevelList) {
        auto* list = static_cast<ext_foreign_toplevel_list_v1*>(wl_registry_bind(
            session.registry, session.globalName, &ext_foreign_toplevel_list_v1_interface,
            std::min(session.globalVersion, kExtListVersion)));
        session.manager = list;
        ext_foreign_toplevel_list_v1_add_listener(list, &kExtListListener, &session);
    } else {
        auto* manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
            session.registry, session.globalName, &zwlr_foreign_toplevel_manager_v1_interface,
            std::min(session.globalVersion, kWlrManagerVersion)));
        session.manager = manager;
        zwlr_foreign_toplevel_manager_v1_add_listener(manager, &kWlrManagerListener, &session);
    }
    if (session.manager == nullptr) {
        return std::nullopt;
    }
    // The compositor sends every window with its details right after the bind.
    if (!Roundtrip(session.display, deadline)) {
        return std::nullopt;
    }
    if (session.managerFinished) {
        // The manager object is gone on the compositor's side already.
        return std::nullopt;
    }

    std::vector<WaylandToplevel> windows;
    for (const auto& handle : session.handles) {
        if (handle->closed || !handle->seenDone) {
            continue;
        }
        WaylandToplevel window = handle->current;
        window.hasParent = handle->parent != nullptr;
        windows.push_back(std::move(window));
    }
    return windows;
}

}  // namespace qarvex
