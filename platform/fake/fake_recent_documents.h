#pragma once

#include <utility>
#include <vector>

#include "platform/recent_documents.h"

namespace qarvex {

// Recent-files lists the test fills; a list given once is not given again until it is
// set anew (or forgotten), as an unchanged list on disk is not read again.
class FakeRecentDocuments : public RecentDocuments {
public:
    void SetDocuments(std::vector<RecentDocument> documents) {
        m_documents = std::move(documents);
        m_changed = true;
    }

    std::vector<RecentDocument> ChangedDocuments() override {
        if (!m_changed) {
            return {};
        }
        m_changed = false;
        return m_documents;
    }
    void Forget() override { m_changed = true; }

private:
    std::vector<RecentDocument> m_documents;
    bool m_changed = false;
};

}  // namespace qarvex
