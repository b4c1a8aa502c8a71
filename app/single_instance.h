#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace qarvex {

// One copy per user and configuration folder: the first copy listens on a local
// socket; a second start asks it to bring its window up and then exits, so two copies
// never write one configuration folder. Lock and socket live in $XDG_RUNTIME_DIR when it
// is the user's own (mode 0700); in the temporary folder otherwise, where a lock file
// owned by another user is ignored.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // What a later start asks of the running copy.
    enum class Request {
        Show,          // bring the window up
        ShowSearch,    // ... with the search box focused
        ToggleSearch,  // ... or put it away when it is up already
    };

    // True when this process is the first copy and now owns the key.
    bool Claim();
    // Asks the running copy to show its window; true when it answered.
    bool ActivateRunningCopy(Request request = Request::Show);

signals:
    void activationRequested();
    void searchRequested(bool toggle);

private:
    QString m_name;    // the socket: a full path inside m_folder, or a bare name
    QString m_folder;  // the private runtime folder, empty when there is none
    void Listen();
    void AnswerWaitingCopies();
    void Answer(int client);

    QSocketNotifier* m_notifier = nullptr;
    int m_listenFd = -1;
    int m_lockFd = -1;
};

// The key for this user and configuration folder.
QString SingleInstanceKey(const QString& configDir);

}  // namespace qarvex
