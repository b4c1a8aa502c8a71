#include "app/storage_notice.h"

#include <utility>

#include <QTimer>

#include "platform/messages.h"
#include "store/storage_texts.h"
#include "store/strings.h"
#include "store/text_tables.h"

namespace qarvex {

StorageNotice::StorageNotice(Messages& messages, std::string configDir,
                             std::function<bool(const std::string&, const std::string&)> balloon,
                             QObject* parent)
    : QObject(parent),
      m_messages(messages),
      m_configDir(std::move(configDir)),
      m_balloon(std::move(balloon)) {}

void StorageNotice::CannotSave() {
    // A file too large to read is also refused for writing; the user has been told why.
    if (m_cannotSaveTold || m_tooLargeTold || m_silent) {
        return;
    }
    m_cannotSaveTold = true;
    Show(FormatText(StorageTable().TextCannotSave, m_configDir));
}

void StorageNotice::TooLarge(const std::vector<std::string>& fileNames) {
    if (m_tooLargeTold || m_silent || fileNames.empty()) {
        return;
    }
    m_tooLargeTold = true;
    std::string names;
    for (const std::string& name : fileNames) {
        names += (names.empty() ? "" : "、") + name;
    }
    Show(FormatText(StorageTable().TextFileTooLarge, names));
}

void StorageNotice::Show(const std::string& text) {
    // Queued: the failure may be noticed in the middle of a scan or during start-up.
    QTimer::singleShot(0, this, [this, text] {
        if (m_silent) {
            return;
        }
        const std::string& caption = MainTable().TextHint;
        if (!m_balloon || !m_balloon(caption, text)) {
            m_messages.Show(text, caption, Messages::Icon::Error);
        }
    });
}

}  // namespace qarvex
