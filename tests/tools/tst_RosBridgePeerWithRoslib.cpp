// Checks that the rosbridge peer speaks the protocol real robots speak: the standard
// JavaScript client, roslib from the npm registry run by node, calls a service, is told
// of a service that is not there, subscribes and receives a message.
//
// roslib is installed once into a cache folder outside the source tree (the folder in
// HALVORA_NODE_PACKAGE_CACHE); without node, npm or the registry the test is skipped.
#include "RosBridgePeer.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include "HalvoraTestPaths.h"

namespace {

const QString roslibPackage = QStringLiteral("roslib@2.1.0");

QString run(const QString &program, const QStringList &arguments, int timeoutMs, int *exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished)
        process.kill();
    if (exitCode)
        *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAll());
}

} // namespace

class tst_RosBridgePeerWithRoslib : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roslibTalksToThePeer();

private:
    // The folder holding node_modules/roslib; empty with the reason when there is none.
    QString installRoslib(QString *reason);

    QString m_node;
};

void tst_RosBridgePeerWithRoslib::initTestCase()
{
    m_node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (m_node.isEmpty())
        QSKIP("node is not installed: the check with the standard rosbridge client (roslib) is skipped");
    const QString version = run(m_node, {QStringLiteral("--version")}, 10000).trimmed();
    if (version.mid(1).section(QLatin1Char('.'), 0, 0).toInt() < 20)
        QSKIP(qPrintable(
            QStringLiteral("roslib needs node 20 or later, this is node %1: the check is skipped").arg(version)));
}

QString tst_RosBridgePeerWithRoslib::installRoslib(QString *reason)
{
    const QString cache = qEnvironmentVariable("HALVORA_NODE_PACKAGE_CACHE");
    if (cache.isEmpty()) {
        *reason = QStringLiteral("HALVORA_NODE_PACKAGE_CACHE is not set");
        return {};
    }
    const QString folder = QDir(cache).filePath(QString(roslibPackage).replace(QLatin1Char('@'), QLatin1Char('-')));
    if (QFile::exists(folder + QStringLiteral("/node_modules/roslib/package.json")))
        return folder;

    const QString npm = QStandardPaths::findExecutable(QStringLiteral("npm"));
    if (npm.isEmpty()) {
        *reason = QStringLiteral("npm is not installed");
        return {};
    }
    // Installed beside the final folder and moved there whole, so that a run that is
    // cut short leaves nothing half-installed behind.
    QDir().mkpath(cache);
    QTemporaryDir staging(QDir(cache).filePath(QStringLiteral("staging-XXXXXX")));
    staging.setAutoRemove(true);
    int exitCode = -1;
    const QString output = run(npm,
                               {QStringLiteral("install"), QStringLiteral("--prefix"), staging.path(),
                                QStringLiteral("--cache"), QDir(cache).filePath(QStringLiteral("npm-cache")),
                                QStringLiteral("--no-audit"), QStringLiteral("--no-fund"),
                                QStringLiteral("--no-update-notifier"), QStringLiteral("--fetch-retries=1"),
                                QStringLiteral("--fetch-timeout=60000"), roslibPackage},
                               240000, &exitCode);
    if (exitCode != 0 || !QFile::exists(staging.path() + QStringLiteral("/node_modules/roslib/package.json"))) {
        *reason = QStringLiteral("npm could not install %1 from the registry: %2")
                      .arg(roslibPackage, output.trimmed().right(600));
        return {};
    }
    if (!QDir().rename(staging.path(), folder)
        && !QFile::exists(folder + QStringLiteral("/node_modules/roslib/package.json"))) {
        *reason = QStringLiteral("the installed package could not be moved to %1").arg(folder);
        return {};
    }
    return folder;
}

void tst_RosBridgePeerWithRoslib::roslibTalksToThePeer()
{
    QString reason;
    const QString packages = installRoslib(&reason);
    if (packages.isEmpty())
        QSKIP(qPrintable(reason + QStringLiteral(": the check with the standard rosbridge client is skipped")));

    RosBridgePeer peer;
    QVERIFY(peer.listen());
    peer.setServiceHandler(QStringLiteral("/add_two_ints"), [](const QJsonObject &args) {
        return RosBridgePeerReply::answer(QJsonObject{
            {QStringLiteral("sum"), args.value(QLatin1String("a")).toInt() + args.value(QLatin1String("b")).toInt()}});
    });
    peer.publishEvery(QStringLiteral("/chatter"), QJsonObject{{QStringLiteral("data"), QStringLiteral("hello")}},
                      std::chrono::milliseconds(50));

    // node runs while this thread serves the peer.
    QProcess node;
    node.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    node.start(m_node, {QStringLiteral(ROSLIB_CHECK_SCRIPT), peer.url().toString(), packages});
    QVERIFY(node.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(node.state() == QProcess::NotRunning, 30000);
    const QByteArray output = node.readAllStandardOutput().trimmed();
    QCOMPARE(node.exitCode(), 0);

    const QJsonObject outcome = QJsonDocument::fromJson(output.split('\n').last()).object();
    QCOMPARE(outcome.value(QLatin1String("sum")).toInt(), 5);
    QVERIFY2(
        outcome.value(QLatin1String("failure")).toString().contains(QStringLiteral("Service /missing does not exist")),
        output.constData());
    QCOMPARE(outcome.value(QLatin1String("message")).toString(), QStringLiteral("hello"));

    // What roslib sent is what the protocol says.
    const QList<QJsonObject> calls = peer.receivedFrames(QStringLiteral("call_service"));
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0].value(QLatin1String("service")).toString(), QStringLiteral("/add_two_ints"));
    QCOMPARE(calls[0].value(QLatin1String("args")).toObject(),
             (QJsonObject{{QStringLiteral("a"), 2}, {QStringLiteral("b"), 3}}));
    QVERIFY(calls[0].value(QLatin1String("id")).isString());
    const QList<QJsonObject> subscriptions = peer.receivedFrames(QStringLiteral("subscribe"));
    QCOMPARE(subscriptions.size(), 1);
    QCOMPARE(subscriptions[0].value(QLatin1String("topic")).toString(), QStringLiteral("/chatter"));
    QCOMPARE(subscriptions[0].value(QLatin1String("type")).toString(), QStringLiteral("std_msgs/String"));
    QTRY_COMPARE(peer.receivedFrames(QStringLiteral("unsubscribe")).size(), 1);
}

QTEST_GUILESS_MAIN(tst_RosBridgePeerWithRoslib)

#include "tst_RosBridgePeerWithRoslib.moc"
