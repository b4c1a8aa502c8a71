#pragma once

#include <functional>
#include <map>
#include <string>

#include <QObject>

#include "store/app_state.h"

class QTimer;

namespace qarvex {

// Keeps the stored lists and the notes current while the program runs: a few seconds
// after one changes, that file is written by one atomic replace, so a power cut or a
// killed session loses seconds, not a day. Also runs the exit save sequence.
class SessionSaver : public QObject {
    Q_OBJECT

public:
    static constexpr int kSaveDelayMs = 3000;

    // noteText gives the notes as they are now; saveSettings is the last step of the
    // exit sequence (the settings, then note.txt).
    SessionSaver(AppState& state, std::function<std::string()> noteText,
                 std::function<bool()> saveSettings, QObject* parent);

    // The notes changed: note.txt follows a few seconds later.
    void NoteChanged();
    // Writes now every file whose change is still waiting.
    void FlushPending();
    // True while a change of that file waits to be written.
    bool IsPending(AppState::StoredFile file) const;

    // The exit sequence: fav.dat, rec.dat, run.dat, lr.dat, then the settings; a file
    // that fails does not stop the others. Waiting changes are part of it. Returns the
    // steps that succeeded (5 for all).
    int SaveAll();

    // Runs when a file written while the program runs could not be written.
    void SetFailureHook(std::function<void()> hook) { m_failed = std::move(hook); }

    // From here on nothing is written behind the caller's back and failures are not
    // reported (the exit sequence reports nothing).
    void Stop();

private:
    void Schedule(AppState::StoredFile file);
    void Write(AppState::StoredFile file);

    AppState& m_state;
    std::function<std::string()> m_noteText;
    std::function<bool()> m_saveSettings;
    std::function<void()> m_failed;
    std::map<AppState::StoredFile, QTimer*> m_timers;
    bool m_stopped = false;
};

}  // namespace qarvex
