#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QObject>

namespace qarvex {

class Messages;

// Tells the user, once a run each, that the history and lists are not being saved or
// that a file of the folder was too large to read. Shown from the event loop, never from
// inside the write that failed: as a tray balloon when there is a tray, else in a box.
class StorageNotice : public QObject {
    Q_OBJECT

public:
    // balloon shows a tray balloon (caption, text) and returns false when there is no
    // tray to show it.
    StorageNotice(Messages& messages, std::string configDir,
                  std::function<bool(const std::string&, const std::string&)> balloon,
                  QObject* parent);

    void CannotSave();
    void TooLarge(const std::vector<std::string>& fileNames);
    // At exit nothing more is shown.
    void Silence() { m_silent = true; }

private:
    void Show(const std::string& text);

    Messages& m_messages;
    std::string m_configDir;
    std::function<bool(const std::string&, const std::string&)> m_balloon;
    bool m_cannotSaveTold = false;
    bool m_tooLargeTold = false;
    bool m_silent = false;
};

}  // namespace qarvex
