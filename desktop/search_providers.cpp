#include "desktop/search_providers.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>

#include "capture/openers.h"
#include "desktop/history_query.h"
#include "store/guarded.h"
#include "store/history.h"

Q_DECLARE_METATYPE(qarvex::RunnerMatch)
Q_DECLARE_METATYPE(qarvex::RunnerAction)

namespace qarvex {

QDBusArgument& operator<<(QDBusArgument& argument, const RunnerMatch& match) {
    argument.beginStructure();
    argument << match.id << match.text << match.iconName << match.type << match.relevance
             << match.properties;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerMatch& match) {
    argument.beginStructure();
    argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance >>
        match.properties;
    argument.endStructure();
    return argument;
}
QDBusArgument& operator<<(QDBusArgument& argument, const RunnerAction& action) {
    argument.beginStructure();
    argument << action.id << action.text << action.iconName;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, RunnerAction& action) {
    argument.beginStructure();
    argument >> action.id >> action.text >> action.iconName;
    argument.endStructure();
    return argument;
}

namespace {

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString KindIcon(std::int32_t docType) {
    switch (docType) {
        case dkSoftware:
            return QStringLiteral("application-x-executable");
        case dkFolderOrFile:
            return QStringLiteral("folder");
        default:
            return QStringLiteral("text-html");
    }
}

const TMyDoc* EntryAt(const DocTable& docs, const QString& id) {
    const std::string path = id.toStdString();
    for (const TMyDoc& doc : docs) {
        if (doc.Path == path) {
            return &doc;
        }
    }
    return nullptr;
}

// org.gnome.Shell.SearchProvider2, as GNOME Shell's overview calls it.
class GnomeSearchAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")

public:
    GnomeSearchAdaptor(QObject* object, DesktopSearch& search)
        : QDBusAbstractAdaptor(object), m_search(search) {}

public slots:
    QStringList GetInitialResultSet(const QStringList& terms) { return m_search.Find(terms); }
    QStringList GetSubsearchResultSet(const QStringList&, const QStringList& terms) {
        return m_search.Find(terms);
    }
    QList<QVariantMap> GetResultMetas(const QStringList& ids) { return m_search.Metas(ids); }
    void ActivateResult(const QString& id, const QStringList&, uint) { m_search.Activate(id); }
    void LaunchSearch(const QStringList& terms, uint) { m_search.ShowSearch(terms); }

private:
    DesktopSearch& m_search;
};

// org.kde.krunner1, as KRunner calls a D-Bus runner.
class KRunnerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")

public:
    KRunnerAdaptor(QObject* object, DesktopSearch& search)
        : QDBusAbstractAdaptor(object), m_search(search) {}

public slots:
    QList<RunnerAction> Actions() { return {}; }
    QList<RunnerMatch> Match(const QString& query) { return m_search.Match(query); }
    void Run(const QString& id, const QString&) { m_search.Activate(id); }

private:
    DesktopSearch& m_search;
};

}  // namespace

DesktopSearch::DesktopSearch(const History& history, Openers& openers,
                             std::function<void(const QString&)> showSearch, QObject* parent)
    : QObject(parent), m_history(history), m_openers(openers), m_showSearch(std::move(showSearch)) {
    qDBusRegisterMetaType<RunnerMatch>();
    qDBusRegisterMetaType<QList<RunnerMatch>>();
    qDBusRegisterMetaType<RunnerAction>();
    qDBusRegisterMetaType<QList<RunnerAction>>();
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

bool DesktopSearch::Register(QDBusConnection bus) {
    if (!bus.isConnected()) {
        return false;
    }
    auto* gnome = new QObject(this);
    new GnomeSearchAdaptor(gnome, *this);
    auto* runner = new QObject(this);
    new KRunnerAdaptor(runner, *this);
    return bus.registerObject(QString::fromLatin1(kGnomeSearchPath), gnome) &&
           bus.registerObject(QString::fromLatin1(kKRunnerPath), runner) &&
           bus.registerService(QString::fromLatin1(kBusName));
}

QStringList DesktopSearch::Find(const QStringList& terms) const {
    // The overview splits what was typed at blanks; the search box takes it whole.
    const DocTable& docs = m_history.Docs();
    QStringList ids;
    for (const std::size_t index :
         FindInHistory(docs, terms.join(QLatin1Char(' ')).toStdString())) {
        if (ids.size() == kMaxResults) {
            break;
        }
        ids << Q(docs[index].Path);
    }
    return ids;
}

QList<QVariantMap> DesktopSearch::Metas(const QStringList& ids) const {
    QList<QVariantMap> metas;
    for (const QString& id : ids) {
        if (const TMyDoc* doc = EntryAt(m_history.Docs(), id)) {
            metas << QVariantMap{{QStringLiteral("id"), id},
                                 {QStringLiteral("name"), Q(doc->DisplayName)},
                                 {QStringLiteral("description"), Q(doc->Path)},
                                 {QStringLiteral("gicon"), KindIcon(doc->DocType)}};
        }
    }
    return metas;
}

QList<RunnerMatch> DesktopSearch::Match(const QString& query) const {
    constexpr int kPossibleMatch = 30;
    const QStringList ids = Find({query});
    QList<RunnerMatch> matches;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const TMyDoc* doc = EntryAt(m_history.Docs(), ids[i]);
        // The order found is kept through KRunner's own sort by relevance.
        matches << RunnerMatch{ids[i],
                               Q(doc->DisplayName),
                               KindIcon(doc->DocType),
                               kPossibleMatch,
                               1.0 - static_cast<double>(i) / static_cast<double>(ids.size() + 1),
                               {{QStringLiteral("subtext"), ids[i]}}};
    }
    return matches;
}

void DesktopSearch::Activate(const QString& id) {
    if (EntryAt(m_history.Docs(), id) == nullptr) {
        return;  // only what the history holds is opened, never a name a caller made up
    }
    Guarded([&] { m_openers.OpenPathOrAddress(id.toStdString(), false); });
}

void DesktopSearch::ShowSearch(const QStringList& terms) {
    if (m_showSearch) {
        m_showSearch(terms.join(QLatin1Char(' ')));
    }
}

}  // namespace qarvex

#include "search_providers.moc"
