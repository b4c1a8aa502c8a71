#include "startup/startup_entries.h"

#include <QToolButton>

#include "platform/platform.h"
#include "startup/frm_run.h"
#include "views/services.h"

namespace qarvex {

StartupEntries::StartupEntries(const Services& services, const StartupEntriesWidgets& widgets,
                               QObject* parent)
    : QObject(parent) {
    // Created with the main window and kept for the whole run, so its list reflects the
    // store as it was at start until the user adds or deletes something in it.
    m_frmRun = new TfrmRun(*services.platform.autostart, services.openers, services.messages,
                           widgets.dialogParent);
    connect(widgets.BtnQVPCStart, &QToolButton::clicked, this, [this] { BtnQVPCStartClick(); });
}

StartupEntries::~StartupEntries() = default;

TfrmRun* StartupEntries::frmRun() const {
    return m_frmRun;
}

void StartupEntries::BtnQVPCStartClick() {
    if (!m_frmRun) {
        return;
    }
    m_frmRun->show();
    m_frmRun->raise();
    m_frmRun->activateWindow();
}

}  // namespace qarvex
