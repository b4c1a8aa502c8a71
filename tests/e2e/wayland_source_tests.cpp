// The ext-foreign-toplevel-list reader against a small compositor of the test's own:
// no compositor Debian packages offers that protocol yet.
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <wayland-server.h>

#include "ext-foreign-toplevel-list-v1-server-protocol.h"
#include "platform/wayland/wayland_toplevel_source.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

struct Window {
    std::string title;
    std::string appId;
};

// A Wayland server offering only the toplevel list, announcing its windows to every
// client that binds it. Dispatches on a thread of its own unless told to stay silent.
class ListCompositor {
public:
    ListCompositor(std::vector<Window> windows, bool answers) : m_windows(std::move(windows)) {
        m_display = wl_display_create();
        wl_global_create(m_display, &ext_foreign_toplevel_list_v1_interface, 1, this, &Bind);
        m_socket = wl_display_add_socket_auto(m_display);
        if (answers) {
            m_thread = std::thread([this] {
                wl_event_loop* loop = wl_display_get_event_loop(m_display);
                while (!m_stop) {
                    wl_event_loop_dispatch(loop, 10);
                    wl_display_flush_clients(m_display);
                }
            });
        }
    }
    ~ListCompositor() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        wl_display_destroy_clients(m_display);
        wl_display_destroy(m_display);
    }
    ListCompositor(const ListCompositor&) = delete;
    ListCompositor& operator=(const ListCompositor&) = delete;

    std::string Socket() const { return m_socket != nullptr ? m_socket : ""; }

private:
    static void Destroy(wl_client* /*client*/, wl_resource* resource) {
        wl_resource_destroy(resource);
    }
    static void Stop(wl_client* /*client*/, wl_resource* resource) {
        ext_foreign_toplevel_list_v1_send_finished(resource);
    }

    static void Bind(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        static const struct ext_foreign_toplevel_list_v1_interface kList = {Stop, Destroy};
        static const struct ext_foreign_toplevel_handle_v1_interface kHandle = {Destroy};
        auto* self = static_cast<ListCompositor*>(data);
        wl_resource* list = wl_resource_create(client, &ext_foreign_toplevel_list_v1_interface,
                                               static_cast<int>(version), id);
        wl_resource_set_implementation(list, &kList, nullptr, nullptr);
        int n = 0;
        for (const Window& window : self->m_windows) {
            wl_resource* handle =
                wl_resource_create(client, &ext_foreign_toplevel_handle_v1_interface, 1, 0);
            wl_resource_set_implementation(handle, &kHandle, nullptr, nullptr);
            ext_foreign_toplevel_list_v1_send_toplevel(list, handle);
            ext_foreign_toplevel_handle_v1_send_identifier(handle,
                                                           ("w" + std::to_string(n++)).c_str());
            ext_foreign_toplevel_handle_v1_send_title(handle, window.title.c_str());
            ext_foreign_toplevel_handle_v1_send_app_id(handle, window.appId.c_str());
            ext_foreign_toplevel_handle_v1_send_done(handle);
        }
    }

    std::vector<Window> m_windows;
    wl_display* m_display = nullptr;
    const char* m_socket = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class ExtToplevelListTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", m_runtime.Path().c_str(), 1); }
    test::TempDir m_runtime;
};

TEST_F(ExtToplevelListTest, ListsEveryWindowWithTitleAndAppIdInTheCompositorsOrder) {
    ListCompositor compositor({{"终端", "foot"}, {"Files", "org.gnome.Nautilus"}}, true);
    ASSERT_FALSE(compositor.Socket().empty());
    WaylandToplevelSource source(ToplevelProtocol::ExtForeignToplevelList, compositor.Socket());
    const auto windows = source.Read();
    ASSERT_TRUE(windows);
    ASSERT_EQ(windows->size(), 2u);
    EXPECT_EQ((*windows)[0].title, "终端");
    EXPECT_EQ((*windows)[0].appId, "foot");
    EXPECT_EQ((*windows)[1].title, "Files");
    EXPECT_EQ((*windows)[1].appId, "org.gnome.Nautilus");

    // The same compositor has no wlroots list: that source doesn't answer.
    WaylandToplevelSource wlr(ToplevelProtocol::WlrForeignToplevel, compositor.Socket());
    EXPECT_FALSE(wlr.Read());
}

TEST_F(ExtToplevelListTest, SilentOrMissingCompositorIsNoAnswer) {
    ListCompositor silent({{"x", "y"}}, false);
    WaylandToplevelSource source(ToplevelProtocol::ExtForeignToplevelList, silent.Socket());
    EXPECT_FALSE(source.Read());
    WaylandToplevelSource missing(ToplevelProtocol::ExtForeignToplevelList, "wayland-none");
    EXPECT_FALSE(missing.Read());
}

}  // namespace
}  // namespace qarvex
