#include "app/session_saver.h"

#include <utility>

#include <QTimer>

#include "store/guarded.h"

namespace qarvex {

SessionSaver::SessionSaver(AppState& state, std::function<std::string()> noteText,
                           std::function<bool()> saveSettings, QObject* parent)
    : QObject(parent),
      m_state(state),
      m_noteText(std::move(noteText)),
      m_saveSettings(std::move(saveSettings)) {
    for (const AppState::StoredFile file :
         {AppState::StoredFile::Favourites, AppState::StoredFile::Recent, AppState::StoredFile::Run,
          AppState::StoredFile::Note}) {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setInterval(kSaveDelayMs);
        connect(timer, &QTimer::timeout, this, [this, file] { Write(file); });
        m_timers[file] = timer;
    }
    m_state.SetListChangedHook([this](AppState::StoredFile file) { Schedule(file); });
}

void SessionSaver::Schedule(AppState::StoredFile file) {
    const auto it = m_timers.find(file);
    // A burst of changes (a scan recording many pages) ends in one write; a steady
    // stream still gets written, because a running timer is not pushed back.
    if (!m_stopped && it != m_timers.end() && !it->second->isActive()) {
        it->second->start();
    }
}

void SessionSaver::NoteChanged() {
    Schedule(AppState::StoredFile::Note);
}

bool SessionSaver::IsPending(AppState::StoredFile file) const {
    const auto it = m_timers.find(file);
    return it != m_timers.end() && it->second->isActive();
}

void SessionSaver::Write(AppState::StoredFile file) {
    if (m_stopped) {
        return;
    }
    bool ok = false;
    Guarded([&] {
        ok = file == AppState::StoredFile::Note ? m_state.SaveNote(m_noteText())
                                                : m_state.SaveFile(file);
    });
    if (!ok && m_failed) {
        m_failed();
    }
}

void SessionSaver::FlushPending() {
    for (const auto& [file, timer] : m_timers) {
        if (timer->isActive()) {
            timer->stop();
            Write(file);
        }
    }
}

void SessionSaver::Stop() {
    m_stopped = true;
    for (const auto& entry : m_timers) {
        entry.second->stop();
    }
}

int SessionSaver::SaveAll() {
    for (const auto& entry : m_timers) {
        entry.second->stop();
    }
    return m_state.SaveAtExit(m_saveSettings);
}

}  // namespace qarvex
