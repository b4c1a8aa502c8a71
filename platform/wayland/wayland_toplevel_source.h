#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/wayland/toplevel_mapping.h"

namespace qarvex {

// A source of the compositor's window list: one fresh connection per pass, so a
// compositor that went away or came back needs no bookkeeping.
class ToplevelSource {
public:
    ToplevelSource() = default;
    virtual ~ToplevelSource() = default;
    ToplevelSource(const ToplevelSource&) = delete;
    ToplevelSource& operator=(const ToplevelSource&) = delete;

    // Nothing when the compositor can't be reached, offers no such list or doesn't
    // finish answering in time.
    virtual std::optional<std::vector<WaylandToplevel>> Read() = 0;
};

enum class ToplevelProtocol {
    ExtForeignToplevelList,  // ext_foreign_toplevel_list_v1: titles and app ids
    WlrForeignToplevel,      // zwlr_foreign_toplevel_manager_v1: also states and parents
};

class WaylandToplevelSource : public ToplevelSource {
public:
    // displayName empty: $WAYLAND_DISPLAY (or "wayland-0"), as libwayland finds it.
    WaylandToplevelSource(ToplevelProtocol protocol, std::string displayName = {},
                          std::chrono::milliseconds budget = std::chrono::milliseconds(250));

    std::optional<std::vector<WaylandToplevel>> Read() override;

private:
    ToplevelProtocol m_protocol;
    std::string m_displayName;
    std::chrono::milliseconds m_budget;
};

}  // namespace qarvex
