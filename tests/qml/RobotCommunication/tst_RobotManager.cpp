#include "QObjectDeleter.h"
#include "RobotConnection.h"
#include "RobotManager.h"
#include "RobotSession.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTcpServer>

#include <memory>

namespace {

// A connection to the peer's robot under a serial of its own: the robot model reports
// "1" for every robot, which would make all rows look alike.
class SerialConnection : public RobotConnection
{
public:
    explicit SerialConnection(QString serial)
        : m_serial(std::move(serial))
    {
    }
    QString serial() const override { return m_serial; }

private:
    QString m_serial;
};

// Hands out connections with the serials "A", "B", ... in order.
RobotManager::ConnectionFactory serialFactory()
{
    auto next = std::make_shared<char>('A');
    return [next](QJSEngine *) {
        return std::shared_ptr<IRobotConnection>(new SerialConnection(QString(QChar((*next)++))),
                                                 ostrel::QObjectDeleter());
    };
}

// The model's signals, in the order they came.
struct ModelLog
{
    explicit ModelLog(RobotManager &manager)
    {
        QObject::connect(&manager, &IRobotManager::activeConnectionChanged, &manager,
                         [this, &manager] { events << QStringLiteral("active %1").arg(manager.activeIndex()); });
        QObject::connect(&manager, &IRobotManager::sizeChanged, &manager, [this] { events << "size"; });
        QObject::connect(&manager, &QAbstractItemModel::rowsInserted, &manager, [this](const QModelIndex &, int first) {
            events << QStringLiteral("inserted %1").arg(first);
        });
        QObject::connect(&manager, &QAbstractItemModel::rowsRemoved, &manager,
                         [this](const QModelIndex &, int first) { events << QStringLiteral("removed %1").arg(first); });
        QObject::connect(&manager, &IRobotManager::connectionAdded, &manager,
                         [this](const QString &serial) { events << "added " + serial; });
        QObject::connect(&manager, &IRobotManager::connectionRemoved, &manager,
                         [this](const QString &serial) { events << "removed " + serial; });
    }
    QStringList events;
};

std::shared_ptr<IRobotConnection> connectTo(RobotManager &manager, const QUrl &url)
{
    auto attempt = manager.connectCpp(url);
    if (!QTest::qWaitFor([&] { return attempt.isFinished(); }, 10000) || attempt.resultCount() != 1)
        return {};
    return attempt.result();
}

QUrl unusedUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    QUrl url(QStringLiteral("ws://127.0.0.1"));
    url.setPort(probe.serverPort());
    return url;
}

// The connection a holder from the manager holds; the holder is freed.
QObject *heldBy(QObject *holder)
{
    std::unique_ptr<QObject> owned(holder);
    auto *shared = qobject_cast<QmlSharedPointer *>(holder);
    return shared ? shared->sharedObject().get() : nullptr;
}

} // namespace

class tst_RobotManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("RobotCommunication.*.debug=false")); }

    // The first connection becomes active; a second one leaves it so.
    void connectionsJoinTheList()
    {
        RobotSession session;
        QVERIFY(session.peer.listen());
        RobotManager manager(serialFactory());
        QAbstractItemModelTester tester(&manager);
        ModelLog log(manager);

        const auto first = connectTo(manager, session.peer.url());
        QVERIFY(first);
        QCOMPARE(first->status(), RobotConnectionStatus::Connected);
        QCOMPARE(log.events, (QStringList{"size", "inserted 0", "added A", "active 0"}));

        log.events.clear();
        const auto second = connectTo(manager, session.peer.url());
        QVERIFY(second);
        QCOMPARE(log.events, (QStringList{"size", "inserted 1", "added B"}));
        QCOMPARE(manager.size(), 2);
        QCOMPARE(manager.activeIndex(), 0);
        QCOMPARE(heldBy(manager.activeConnection()), first.get());
        QCOMPARE(manager.indexOf("B"), 1);
        QCOMPARE(manager.data(manager.index(1), Qt::DisplayRole).toString(), QStringLiteral("Bexlin"));
        QCOMPARE(manager.data(manager.index(1), Qt::ToolTipRole).toString(), QStringLiteral("B"));
        QCOMPARE(manager.data(manager.index(1), IRobotManager::SerialRole).toString(), QStringLiteral("B"));
    }

    void failedAttemptAddsNothing()
    {
        RobotManager manager;
        ModelLog log(manager);
        auto attempt = manager.connectCpp(unusedUrl());
        QTRY_VERIFY_WITH_TIMEOUT(attempt.isFinished(), 10000);
        QCOMPARE(outcomeOf<std::shared_ptr<IRobotConnection>>(attempt, [](const auto &) { return QString(); }),
                 QStringLiteral("QException: Robot connection failed"));
        QCOMPARE(manager.size(), 0);
        QCOMPARE(log.events, QStringList());
    }

    // When the active connection closes, nothing is active any more, although rows
    // remain; the change is said before the row goes.
    void activeConnectionCloses()
    {
        RobotSession session;
        QVERIFY(session.peer.listen());
        RobotManager manager(serialFactory());
        QAbstractItemModelTester tester(&manager);
        const auto first = connectTo(manager, session.peer.url());
        const auto second = connectTo(manager, session.peer.url());
        QVERIFY(first && second);
        ModelLog log(manager);

        first->disconnect();
        QTRY_COMPARE(manager.size(), 1);
        QCOMPARE(log.events, (QStringList{"active -1", "size", "removed 0", "removed A"}));
        QCOMPARE(manager.activeConnection(), nullptr);
        QCOMPARE(heldBy(manager.getConnectionAt(0)), second.get());
    }

    // A row before the active one goes: the same robot stays active, at its new row,
    // and nothing says the active connection changed.
    void earlierRowRemovedKeepsTheActiveRobot()
    {
        RobotSession session;
        QVERIFY(session.peer.listen());
        RobotManager manager(serialFactory());
        QAbstractItemModelTester tester(&manager);
        const auto a = connectTo(manager, session.peer.url());
        const auto b = connectTo(manager, session.peer.url());
        const auto c = connectTo(manager, session.peer.url());
        QVERIFY(a && b && c);
        manager.makeActiveConnection(QStringLiteral("B"));
        QCOMPARE(manager.activeIndex(), 1);
        QSignalSpy activeChanged(&manager, &IRobotManager::activeConnectionChanged);

        a->disconnect();
        QTRY_COMPARE(manager.size(), 2);
        QCOMPARE(manager.activeIndex(), 0);
        QCOMPARE(heldBy(manager.activeConnection()), b.get());
        QCOMPARE(activeChanged.size(), 0);

        // A row after the active one changes nothing either.
        c->disconnect();
        QTRY_COMPARE(manager.size(), 1);
        QCOMPARE(heldBy(manager.activeConnection()), b.get());
        QCOMPARE(activeChanged.size(), 0);
    }

    // The robot drops the connection: its row goes, the connection lives on while
    // someone holds it, and it can be connected again (outside the list).
    void robotDropsTheConnection()
    {
        RobotSession session;
        QVERIFY(session.peer.listen());
        RobotManager manager;
        const auto connection = connectTo(manager, session.peer.url());
        QVERIFY(connection);
        QSignalSpy removed(&manager, &IRobotManager::connectionRemoved);

        session.peer.dropConnections();
        QTRY_COMPARE(manager.size(), 0);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.first().first().toString(), QStringLiteral("1"));
        QCOMPARE(manager.activeConnection(), nullptr);

        QFuture<bool> again = connection->connectCpp(session.peer.url());
        QTRY_VERIFY(again.isFinished());
        QVERIFY(again.result());
        QCOMPARE(manager.size(), 0);
    }

    void lookups()
    {
        RobotSession session;
        QVERIFY(session.peer.listen());
        RobotManager manager(serialFactory());
        const auto a = connectTo(manager, session.peer.url());
        QVERIFY(a);
        QCOMPARE(manager.getConnectionAt(-1), nullptr);
        QCOMPARE(manager.getConnectionAt(1), nullptr);
        QCOMPARE(manager.getConnection(QStringLiteral("Z")), nullptr);
        QCOMPARE(manager.indexOf(QStringLiteral("Z")), -1);
        QCOMPARE(heldBy(manager.getConnection(QStringLiteral("A"))), a.get());

        // Every read of the connection role is a holder of its own of the same connection.
        QObject *one = manager.data(manager.index(0), IRobotManager::ConnectionRole).value<QObject *>();
        QObject *two = manager.data(manager.index(0), IRobotManager::ConnectionRole).value<QObject *>();
        QVERIFY(one && two && one != two);
        QCOMPARE(heldBy(one), a.get());
        QCOMPARE(heldBy(two), a.get());
        QVERIFY(!manager.data(manager.index(0), Qt::EditRole).isValid());

        QSignalSpy activeChanged(&manager, &IRobotManager::activeConnectionChanged);
        manager.makeActiveConnection(QStringLiteral("Z"));
        QCOMPARE(manager.activeIndex(), -1);
        manager.makeActiveConnection(QStringLiteral("Z"));
        QCOMPARE(activeChanged.size(), 1);

        const QHash<int, QByteArray> roles{
            {257, "connection"}, {258, "name"}, {259, "serial"}, {0, "display"}, {3, "tooltip"}};
        QCOMPARE(manager.roleNames(), roles);
    }

    // A manager that goes while an attempt runs is not called back; the attempt still
    // gives its connection to whoever waits for it.
    void managerGoneDuringAttempt()
    {
        RobotSession session;
        QVERIFY(session.peer.listen());
        auto manager = std::make_unique<RobotManager>();
        auto attempt = manager->connectCpp(session.peer.url());
        manager.reset();
        QTRY_VERIFY_WITH_TIMEOUT(attempt.isFinished(), 10000);
        QVERIFY(attempt.result());
        QCOMPARE(attempt.result()->status(), RobotConnectionStatus::Connected);
    }
};

QTEST_MAIN(tst_RobotManager)
#include "tst_RobotManager.moc"
