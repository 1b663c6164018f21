// The binary list screen under QtQuickTest, over a real binary manager on folders of
// its own, with helpers that fill its list from the ELF fixtures.
// First: QtQuickTest reads QUICK_TEST_SOURCE_DIR as it is included.
#include "HalvoraTestPaths.h"
#include "AppBinaryManager.h"
#include "AppFile.h"
#include "ApplicationFolders.h"

#include "support/Readelf.h"

#include <QDir>
#include <QQmlContext>
#include <QQmlEngine>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtQuickTest>

#include <memory>

class BinListFixtures : public QObject
{
    Q_OBJECT

public:
    explicit BinListFixtures(AppBinaryManager *manager)
        : m_manager(manager)
    {
    }

    // count binaries from the three fixtures in turn, each with its own build ID.
    Q_INVOKABLE void addBinaries(int count)
    {
        static const QStringList names{"two_segments", "appinfo", "appinfo_inside"};
        for (int i = 0; i < count; ++i) {
            m_manager->pushElfBinaryFromUri(elfFixture(names.at(i % 3) + ".elf"), QStringLiteral("1.%1").arg(m_next),
                                            QStringLiteral("id-%1").arg(m_next), QStringLiteral("Unknown"), 0);
            ++m_next;
        }
    }
    Q_INVOKABLE QUrl elfUrl(const QString &name) const { return QUrl::fromLocalFile(elfFixture(name + ".elf")); }
    Q_INVOKABLE QUrl textFileUrl() const
    {
        const QString path = QDir::temp().filePath(QStringLiteral("notes.hapbf"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("not a binary\n");
        return QUrl::fromLocalFile(path);
    }
    Q_INVOKABLE int trashCount() const
    {
        return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files")
            .entryList(QDir::Files)
            .size();
    }
    // A role's values in the order the screen shows the rows.
    Q_INVOKABLE QVariantList shownValues(const QByteArray &role) const
    {
        QVariantList values;
        QSortFilterProxyModel *list = m_manager->getAppBinaryList();
        const int r = m_manager->appFiles()->roleForName(role);
        for (int row = 0; row < list->rowCount(); ++row)
            values << list->index(row, 0).data(r);
        return values;
    }
    Q_INVOKABLE QObject *binaryAt(int row) const
    {
        QSortFilterProxyModel *list = m_manager->getAppBinaryList();
        return list->index(row, 0).data(Qt::UserRole).value<QObject *>();
    }
    Q_INVOKABLE void reset()
    {
        m_manager->removeAll();
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash").removeRecursively();
        m_manager->setFilterQuery(QString());
        m_manager->setSortColumn("createDate", Qt::DescendingOrder);
    }

private:
    AppBinaryManager *m_manager;
    int m_next = 0;
};

class BinListTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
        m_manager = std::make_unique<AppBinaryManager>(nullptr);
        m_fixtures = std::make_unique<BinListFixtures>(m_manager.get());
        engine->rootContext()->setContextProperty(QStringLiteral("binManager"), m_manager.get());
        engine->rootContext()->setContextProperty(QStringLiteral("fixtures"), m_fixtures.get());
    }
    void cleanupTestCase()
    {
        m_fixtures.reset();
        m_manager.reset();
    }

private:
    std::unique_ptr<AppBinaryManager> m_manager;
    std::unique_ptr<BinListFixtures> m_fixtures;
};

QUICK_TEST_MAIN_WITH_SETUP(tst_BinList, BinListTestSetup)

#include "BinListTestMain.moc"
