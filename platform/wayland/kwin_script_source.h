#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <QDBusContext>
#include <QObject>
#include <QString>

#include "platform/wayland/wayland_toplevel_source.h"

namespace qarvex {

// KWin's windows (Plasma 5 and 6): for each pass a small script is loaded into KWin over
// its D-Bus scripting interface, run, and unloaded; it calls back Report on this object
// on the session bus with every window; only a report from the connection that holds
// KWin's name counts, and its processes only when that is the compositor's. A KWin that
// is absent or slow to answer is a source that doesn't answer this pass.
class KWinScriptSource : public QObject, protected QDBusContext, public ToplevelSource {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.qarvex.KWinWindows")

public:
    explicit KWinScriptSource(std::chrono::milliseconds budget = std::chrono::milliseconds(250));
    ~KWinScriptSource() override;

    std::optional<std::vector<WaylandToplevel>> Read() override;

public Q_SLOTS:
    Q_SCRIPTABLE void Report(const QString& token, const QString& json);

private:
    std::chrono::milliseconds m_budget;
    bool m_registered = false;
    QString m_token;
    QString m_kwin;  // the unique bus name that holds KWin's name this pass
    std::optional<std::string> m_report;
    QString m_reporter;
};

}  // namespace qarvex
