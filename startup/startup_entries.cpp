#include "startup/startup_entries.h"

#include <QToolButton>

#include "app/frm_main.h"
#include "startup/frm_run.h"
#include "ui_TFrmMain.h"

namespace qarvex {

StartupEntries::StartupEntries(TFrmMain& main) : QObject(&main), m_main(main) {
    // Created with the main window and kept for the whole run, so its list reflects the
    // store as it was at start until the user adds or deletes something in it.
    m_frmRun = new TfrmRun(*main.platform().autostart, main.openers(), main.messages(), &main);
    connect(main.ui().BtnQVPCStart, &QToolButton::clicked, this, [this] { BtnQVPCStartClick(); });
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
