#include "views/privacy_controls.h"

#include <algorithm>
#include <set>
#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include "platform/linux/bounded_read.h"
#include "platform/linux/desktop_entry.h"
#include "platform/linux/proc_process_facts.h"
#include "platform/messages.h"
#include "store/guarded.h"
#include "store/history.h"
#include "store/history_export.h"
#include "store/list_file.h"
#include "store/recording_controls.h"
#include "store/settings.h"
#include "store/stored_list.h"
#include "store/strings.h"
#include "store/text_tables.h"
#include "views/qt_text.h"
#include "views/settings_page.h"
#include "views/skin.h"

namespace qarvex {

namespace {

// The programs a desktop entry starts, as a rule may name them: its TryExec and the
// program of its Exec ("env" and its settings passed over), found on $PATH, and what a
// link there points to.
std::vector<std::string> EntryProgramsOf(const std::string& entryPath) {
    std::vector<std::string> programs;
    const std::optional<std::string> text = ReadFileUpTo(entryPath, 1024 * 1024);
    const std::optional<DesktopEntry> entry =
        text ? ParseDesktopEntry(*text) : std::optional<DesktopEntry>();
    if (!entry) {
        return programs;
    }
    std::vector<std::string> words;
    if (entry->tryExec) {
        words.push_back(*entry->tryExec);
    }
    if (entry->exec) {
        const std::vector<std::string> argv = SplitExec(*entry->exec);
        std::size_t first = 0;
        if (!argv.empty() && (argv[0] == "env" || argv[0] == "/usr/bin/env")) {
            for (first = 1; first < argv.size() && Contains(argv[first], "="); ++first) {
            }
        }
        if (first < argv.size()) {
            words.push_back(argv[first]);
        }
    }
    ProcProcessFacts facts;
    for (const std::string& word : words) {
        const std::optional<std::string> found =
            Contains(word, "/") ? std::optional<std::string>(word) : facts.FindOnPath(word);
        if (!found) {
            continue;
        }
        programs.push_back(*found);
        if (const auto canonical = facts.CanonicalFile(*found); canonical && *canonical != *found) {
            programs.push_back(*canonical);
        }
    }
    return programs;
}

Exclusions RulesOf(const std::vector<std::string>& lines, const std::string& home) {
    return Exclusions(lines, home, EntryProgramsOf);
}

// The same rule written twice (or once as "~/x" and once as "/home/u/x") counts once.
bool SameRule(const ExclusionRule& a, const ExclusionRule& b) {
    return a.kind == b.kind && a.text == b.text;
}

bool HasRule(const std::vector<ExclusionRule>& rules, const ExclusionRule& rule) {
    return std::any_of(rules.begin(), rules.end(),
                       [&rule](const ExclusionRule& r) { return SameRule(r, rule); });
}

// The lines of rules that the old list did not have.
std::vector<std::string> AddedLines(const std::vector<std::string>& lines, const Exclusions& old,
                                    const std::string& home) {
    std::vector<std::string> added;
    for (const std::string& line : lines) {
        ExclusionRule rule;
        if (Exclusions::ParseRule(line, home, rule) && !HasRule(old.Rules(), rule)) {
            added.push_back(line);
        }
    }
    return added;
}

QIcon GreyedIcon(const QIcon& icon) {
    QIcon grey;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        grey.addPixmap(icon.pixmap(size, size, QIcon::Disabled));
    }
    return grey;
}

}  // namespace

PrivacyWidgets BuildPrivacyWidgets(QWidget* settingsPage) {
    PrivacyWidgets w;
    w.GbQVPrivacy = new QGroupBox(QStringLiteral("记录与隐私"), settingsPage);
    w.GbQVPrivacy->setObjectName(QStringLiteral("GbQVPrivacy"));
    auto* box = new QVBoxLayout(w.GbQVPrivacy);

    // The switch and the two buttons share one row; the list takes what is left.
    auto* row = new QHBoxLayout;
    w.CbQVPauseRecord = new QCheckBox(QStringLiteral("暂停记录"), w.GbQVPrivacy);
    w.CbQVPauseRecord->setObjectName(QStringLiteral("CbQVPauseRecord"));
    w.BtnQVSaveExclusions = new QPushButton(QStringLiteral("保存规则"), w.GbQVPrivacy);
    w.BtnQVSaveExclusions->setObjectName(QStringLiteral("BtnQVSaveExclusions"));
    w.BtnQVExportHistory = new QPushButton(QStringLiteral("导出历史..."), w.GbQVPrivacy);
    w.BtnQVExportHistory->setObjectName(QStringLiteral("BtnQVExportHistory"));
    row->addWidget(w.CbQVPauseRecord);
    auto* keepLabel = new QLabel(QStringLiteral("最多保留"), w.GbQVPrivacy);
    keepLabel->setObjectName(QStringLiteral("LblQVMaxDocs"));
    w.SeQVMaxDocs = new QSpinBox(w.GbQVPrivacy);
    w.SeQVMaxDocs->setObjectName(QStringLiteral("SeQVMaxDocs"));
    w.SeQVMaxDocs->setRange(0, kMaxMaxDocs);
    w.SeQVMaxDocs->setSingleStep(1000);
    w.SeQVMaxDocs->setSuffix(QStringLiteral(" 条"));
    w.SeQVMaxDocs->setSpecialValueText(QStringLiteral("不限"));
    w.SeQVMaxDocs->setToolTip(QStringLiteral("超过时先删除最旧的记录；0 为不限"));
    keepLabel->setBuddy(w.SeQVMaxDocs);
    row->addSpacing(12);
    row->addWidget(keepLabel);
    row->addWidget(w.SeQVMaxDocs);
    row->addStretch(1);
    row->addWidget(w.BtnQVSaveExclusions);
    row->addWidget(w.BtnQVExportHistory);
    box->addLayout(row);
    w.CbQVRecordRecentFiles = new QCheckBox(QStringLiteral("记录最近打开的文件"), w.GbQVPrivacy);
    w.CbQVRecordRecentFiles->setObjectName(QStringLiteral("CbQVRecordRecentFiles"));
    w.CbQVRecordRecentFiles->setToolTip(
        QStringLiteral("GTK 程序的 recently-used.xbel、KDE 的 RecentDocuments 与活动数据库"));
    // The row has room to spare: the shared folder's controls join it (the page has no
    // height left for a row of their own).
    auto* recentRow = new QHBoxLayout;
    recentRow->setObjectName(QString::fromLatin1(kRecentFilesRowName));
    recentRow->addWidget(w.CbQVRecordRecentFiles);
    box->addLayout(recentRow);

    auto* label = new QLabel(QStringLiteral("不记录以下内容"), w.GbQVPrivacy);
    label->setObjectName(QStringLiteral("LblQVExclusions"));
    box->addWidget(label);
    w.MmQVExclusions = new QPlainTextEdit(w.GbQVPrivacy);
    w.MmQVExclusions->setObjectName(QStringLiteral("MmQVExclusions"));
    w.MmQVExclusions->setPlaceholderText(
        QStringLiteral("每行一条：程序（路径、桌面项或名称）、网站（*.example.com 含子域名）"
                       "或文件夹（含其下所有内容）；# 之后为注释"));
    w.MmQVExclusions->setLineWrapMode(QPlainTextEdit::NoWrap);
    w.MmQVExclusions->setMinimumHeight(60);
    label->setBuddy(w.MmQVExclusions);
    box->addWidget(w.MmQVExclusions, 1);

    AddToSettingsPage(settingsPage, w.GbQVPrivacy);
    return w;
}

PrivacyControls::PrivacyControls(const PrivacyWidgets& widgets, QAction* trayItem,
                                 Services services, QObject* parent)
    : QObject(parent), m_widgets(widgets), m_trayItem(trayItem), m_services(std::move(services)) {
    if (m_trayItem) {
        m_trayItem->setCheckable(true);
        connect(m_trayItem, &QAction::toggled, this, [this](bool on) { SetPaused(on); });
    }
    connect(m_widgets.CbQVPauseRecord, &QCheckBox::toggled, this,
            [this](bool on) { SetPaused(on); });
    connect(m_widgets.BtnQVSaveExclusions, &QPushButton::clicked, this,
            &PrivacyControls::BtnQVSaveExclusionsClick);
    connect(m_widgets.BtnQVExportHistory, &QPushButton::clicked, this,
            &PrivacyControls::BtnQVExportHistoryClick);
    connect(m_widgets.SeQVMaxDocs, &QSpinBox::editingFinished, this,
            &PrivacyControls::SeQVMaxDocsChange);
    connect(m_widgets.CbQVRecordRecentFiles, &QCheckBox::toggled, this, [this](bool on) {
        m_recordRecentFiles = on;
        if (m_services.settings) {
            const IniFile::Batch batch(*m_services.settings);
            DefaultSection::SetRecordRecentFiles(*m_services.settings, on);
            // What the lists gained while this was off is not recorded now.
            if (on) {
                DefaultSection::SetRecentFilesSeen(*m_services.settings, kRecentFilesSkipNext);
            }
        }
    });
}

void PrivacyControls::Load() {
    Guarded([&] {
        m_paused = m_services.settings && ReadPauseRecord(*m_services.settings);
        m_lines = ReadExclusionLines(m_services.configDir);
        m_exclusions = RulesOf(m_lines, m_services.home);
        ShowRules();
        const int maxDocs =
            m_services.settings ? DefaultSection::MaxDocs(*m_services.settings) : kDefaultMaxDocs;
        if (m_services.history) {
            HistoryLimits limits = m_services.history->Limits();
            limits.maxDocs = static_cast<std::size_t>(maxDocs);
            m_services.history->SetLimits(limits);
        }
        ShowMaxDocs(maxDocs);
        m_recordRecentFiles =
            !m_services.settings || DefaultSection::RecordRecentFiles(*m_services.settings);
        const QSignalBlocker block(m_widgets.CbQVRecordRecentFiles);
        m_widgets.CbQVRecordRecentFiles->setChecked(m_recordRecentFiles);
    });
    ApplyPausedLook();
}

void PrivacyControls::ShowMaxDocs(int count) {
    const QSignalBlocker block(m_widgets.SeQVMaxDocs);
    m_widgets.SeQVMaxDocs->setValue(count);
}

void PrivacyControls::SeQVMaxDocsChange() {
    // The question takes the focus, which ends the editing once more.
    if (m_askingMaxDocs) {
        return;
    }
    m_askingMaxDocs = true;
    Guarded([&] {
        if (!m_services.history) {
            return;
        }
        History& history = *m_services.history;
        HistoryLimits limits = history.Limits();
        const int wanted = m_widgets.SeQVMaxDocs->value();
        if (static_cast<std::size_t>(wanted) == limits.maxDocs) {
            return;
        }
        const std::size_t count = history.Docs().size();
        if (wanted > 0 && count > static_cast<std::size_t>(wanted)) {
            // Trimmed to 99% of the bound, like every trim.
            const std::size_t going = count - static_cast<std::size_t>(wanted) * 99 / 100;
            if (!m_services.messages ||
                !m_services.messages->AskYesNoDefaultNo(
                    "历史中有" + std::to_string(count) + "条记录，将删除其中最旧的" +
                        std::to_string(going) + "条。要继续吗？",
                    MainTable().TextHint)) {
                ShowMaxDocs(static_cast<int>(limits.maxDocs));
                return;
            }
        }
        limits.maxDocs = static_cast<std::size_t>(wanted);
        history.SetLimits(limits);
        if (m_services.settings) {
            DefaultSection::SetMaxDocs(*m_services.settings, wanted);
        }
        history.ApplyLimits();
    });
    m_askingMaxDocs = false;
}

void PrivacyControls::ShowRules() {
    QStringList text;
    for (const std::string& line : m_lines) {
        text << Q(line);
    }
    m_widgets.MmQVExclusions->setPlainText(text.join(QLatin1Char('\n')));
}

void PrivacyControls::AttachTrayIcon(QSystemTrayIcon* icon, const QString& recordingToolTip) {
    m_icon = icon;
    m_recordingToolTip = recordingToolTip;
    ApplyPausedLook();
}

bool PrivacyControls::IsExcluded(const std::string& address, const std::string& name,
                                 bool software) const {
    return m_exclusions.MatchesSighting(address, name, software);
}

void PrivacyControls::SetPaused(bool paused) {
    if (paused != m_paused) {
        m_paused = paused;
        Guarded([&] {
            if (m_services.settings) {
                WritePauseRecord(*m_services.settings, paused);
            }
        });
    }
    ApplyPausedLook();
}

void PrivacyControls::ApplyPausedLook() {
    Guarded([&] {
        {
            const QSignalBlocker blockBox(m_widgets.CbQVPauseRecord);
            m_widgets.CbQVPauseRecord->setChecked(m_paused);
        }
        if (m_trayItem) {
            const QSignalBlocker blockItem(m_trayItem);
            m_trayItem->setChecked(m_paused);
        }
        if (m_icon) {
            m_icon->setIcon(m_paused ? GreyedIcon(AppIcon()) : AppIcon());
            m_icon->setToolTip(m_paused ? QString::fromUtf8(kPausedToolTip) : m_recordingToolTip);
        }
    });
}

void PrivacyControls::StoreRules(const std::vector<std::string>& lines) {
    m_lines = lines;
    m_exclusions = RulesOf(m_lines, m_services.home);
    WriteExclusionLines(m_services.configDir, m_lines);
}

void PrivacyControls::BtnQVSaveExclusionsClick() {
    Guarded([&] {
        std::vector<std::string> lines;
        for (const QString& line :
             m_widgets.MmQVExclusions->toPlainText().split(QLatin1Char('\n'))) {
            lines.push_back(line.toStdString());
        }
        while (!lines.empty() && Trim(lines.back()).empty()) {
            lines.pop_back();
        }
        const Exclusions added =
            RulesOf(AddedLines(lines, m_exclusions, m_services.home), m_services.home);
        StoreRules(lines);
        OfferToDelete(added, {});
    });
}

void PrivacyControls::OfferToDelete(const Exclusions& added, const std::vector<int>& alreadyGoing) {
    if (!m_services.history || added.Empty()) {
        DeleteDocs(alreadyGoing);
        return;
    }
    std::vector<int> others;
    for (const int index : added.MatchingDocs(m_services.history->Docs())) {
        if (std::find(alreadyGoing.begin(), alreadyGoing.end(), index) == alreadyGoing.end()) {
            others.push_back(index);
        }
    }
    std::vector<int> going = alreadyGoing;
    if (!others.empty() && m_services.messages &&
        m_services.messages->AskYesNo(FormatText("历史中已有%d条记录符合新加的规则，要删除它们吗？",
                                                 static_cast<int>(others.size())),
                                      MainTable().TextHint)) {
        going.insert(going.end(), others.begin(), others.end());
    }
    DeleteDocs(going);
}

void PrivacyControls::DeleteDocs(const std::vector<int>& indexes) {
    if (indexes.empty() || !m_services.history) {
        return;
    }
    History& history = *m_services.history;
    // What goes from the history goes from the recent list too.
    std::vector<std::string> goneLines;
    for (const int index : indexes) {
        if (index >= 0 && index < static_cast<int>(history.Docs().size())) {
            const TMyDoc& doc = history.Docs()[static_cast<std::size_t>(index)];
            goneLines.push_back(Trim(doc.Path));
        }
    }
    if (StoredList* recent = m_services.recent) {
        for (int i = recent->LineCount() - 1; i >= 0; --i) {
            const TMyDocObj line = ParseListLine(recent->Lines()[static_cast<std::size_t>(i)]);
            if (std::find(goneLines.begin(), goneLines.end(), Trim(line.Path)) != goneLines.end()) {
                recent->RemoveLine(i);
                if (i < recent->ItemCount()) {
                    recent->RemoveItem(i);
                }
            }
        }
    }
    const auto change = [&history, &indexes] { history.DeleteDocs(indexes); };
    if (m_services.bulkChange) {
        m_services.bulkChange(change);
    } else {
        change();
    }
}

void PrivacyControls::NoLongerRecord(const std::vector<int>& docIndexes) {
    Guarded([&] {
        if (!m_services.history) {
            return;
        }
        const DocTable& docs = m_services.history->Docs();
        std::vector<int> going;
        std::vector<std::string> lines = m_lines;
        std::vector<std::string> newLines;
        for (const int index : docIndexes) {
            if (index < 0 || index >= static_cast<int>(docs.size()) ||
                std::find(going.begin(), going.end(), index) != going.end()) {
                continue;
            }
            going.push_back(index);
            const std::string rule = NarrowestRuleFor(docs[static_cast<std::size_t>(index)]);
            ExclusionRule parsed;
            if (rule.empty() || !Exclusions::ParseRule(rule, m_services.home, parsed) ||
                HasRule(Exclusions(lines, m_services.home).Rules(), parsed)) {
                continue;
            }
            lines.push_back(rule);
            newLines.push_back(rule);
        }
        if (going.empty()) {
            return;
        }
        if (!newLines.empty()) {
            StoreRules(lines);
            ShowRules();
        }
        OfferToDelete(RulesOf(newLines, m_services.home), going);
    });
}

void PrivacyControls::BtnQVExportHistoryClick() {
    Guarded([&] {
        if (!m_services.history || !m_services.askExportPath) {
            return;
        }
        QString path = m_services.askExportPath();
        if (path.isEmpty()) {
            return;
        }
        if (!ExportFormatFor(path.toStdString())) {
            path += QStringLiteral(".csv");
        }
        if (!ExportHistory(m_services.history->Docs(), path.toStdString()) && m_services.messages) {
            m_services.messages->Show(FormatText(DialogTable().TextSaveFailed, path.toStdString()),
                                      MainTable().TextHint, Messages::Icon::Error);
        }
    });
}

}  // namespace qarvex
