#pragma once

#include <functional>

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace qarvex {

class History;
class Openers;

// The bus name Qarvex owns and the objects it serves there.
inline constexpr const char* kBusName = "org.qarvex.Qarvex";
inline constexpr const char* kGnomeSearchPath = "/org/qarvex/Qarvex/SearchProvider";
inline constexpr const char* kKRunnerPath = "/runner";

// One KRunner match: id, text, icon name, match type, relevance, properties.
struct RunnerMatch {
    QString id;
    QString text;
    QString iconName;
    int type = 0;
    double relevance = 0;
    QVariantMap properties;
};
// One KRunner action: id, text, icon name.
struct RunnerAction {
    QString id;
    QString text;
    QString iconName;
};

// The history searched from the desktop's own search (GNOME Shell's overview, KRunner):
// they find what the search list finds and open it as the list does. A result is known
// by the entry's address, which stays the same while indexes move with every deletion.
class DesktopSearch : public QObject {
    Q_OBJECT

public:
    // showSearch brings the window up with the search box holding the text.
    DesktopSearch(const History& history, Openers& openers,
                  std::function<void(const QString& text)> showSearch, QObject* parent = nullptr);

    // Serves both providers on bus and owns the name; false when there is no bus or the
    // name belongs to another program.
    bool Register(QDBusConnection bus);

    // The addresses of the entries the terms find, best first, at most kMaxResults.
    QStringList Find(const QStringList& terms) const;
    QList<QVariantMap> Metas(const QStringList& ids) const;
    QList<RunnerMatch> Match(const QString& query) const;
    // Opens the entry with this address; nothing when the history holds no such entry.
    void Activate(const QString& id);
    void ShowSearch(const QStringList& terms);

    static constexpr int kMaxResults = 20;

private:
    const History& m_history;
    Openers& m_openers;
    std::function<void(const QString&)> m_showSearch;
};

}  // namespace qarvex
