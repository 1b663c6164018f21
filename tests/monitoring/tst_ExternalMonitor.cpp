#include "ExternalMonitor.h"
#include "Interface.h"
#include "MonCtrlChannel.h"
#include "MonitoredBoard.h"
#include "SimulinkSignal.h"
#include "SimulinkVariableFilterProxyModel.h"
#include "SimulinkVariableModel.h"
#include "plotContainer.h"

#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace monitoring;
using namespace monitoring::protocol;
using SimulinkDataTypes::SimulinkSignal;

namespace {

const QString Group = QStringLiteral("Monitoring_Signal_Selections");

// The stored selection in a settings file of its own.
struct StoredSelection
{
    QTemporaryDir folder;
    QSettings settings{folder.filePath("settings.ini"), QSettings::IniFormat};

    void store(const QByteArray &buildID, const QMap<QString, QVariant> &entries)
    {
        settings.setValue(Group + "/lastMonitoredBuildID", buildID);
        for (auto it = entries.cbegin(); it != entries.cend(); ++it)
            settings.setValue(Group + '/' + it.key(), it.value());
    }
};

QStringList restoredSlots(const QSignalSpy &restored)
{
    QStringList lines;
    for (const QList<QVariant> &r : restored)
        lines << QStringLiteral("%1-%2 %3 (%4,%5)")
                     .arg(r[0].toInt())
                     .arg(r[3].toInt())
                     .arg(r[1].toString())
                     .arg(r[2].toPoint().x())
                     .arg(r[2].toPoint().y());
    return lines;
}

// Set-signal requests the board received for a reference id, as "+" (start) or "-"
// (stop).
QString streamRequests(BoardMonitoringControl *board, uint16_t referenceId)
{
    QString requests;
    for (const HostMonitoringRequest &request : board->requests()) {
        if (request.command != SetSignal)
            continue;
        const signal_set_t record = signal_set_t::read(request.payload);
        if (record.referenceId == referenceId)
            requests += record.rate < 0 ? '-' : '+';
    }
    return requests;
}

} // namespace

// The monitoring workspace's object: the stored selection per build, restored once
// per variable list, its charts, and what a reset leaves behind.
class tst_ExternalMonitor : public QObject
{
    Q_OBJECT

private slots:
    void storedSelectionBelongsToOneBuild_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("current");
        QTest::addColumn<QStringList>("restored");
        QTest::addColumn<QStringList>("keysAfter");

        const QStringList allKeys{"ElementIndex0-1", "ElementIndex3-3", "SigName0-1",          "SigPath0-1",
                                  "SigPath1-0",      "SigPath3-3",      "lastMonitoredBuildID"};
        QTest::newRow("same build: container by container, emptied slots skipped")
            << QByteArray("build-1") << QByteArray("build-1")
            << QStringList{"0-1 root/Sine Wave/1 (0,0)", "3-3 root/Vectorize/1 (0,3)"} << allKeys;
        QTest::newRow("another build: all cleared, the new build stored")
            << QByteArray("build-1") << QByteArray("build-2") << QStringList{} << QStringList{"lastMonitoredBuildID"};
        // Whose selection it is cannot be told before the board names its build.
        QTest::newRow("no build yet: left alone") << QByteArray("build-1") << QByteArray() << QStringList{} << allKeys;
    }

    void storedSelectionBelongsToOneBuild()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, current);
        QFETCH(QStringList, restored);
        QFETCH(QStringList, keysAfter);

        StoredSelection selection;
        selection.store(stored, {{"SigPath0-1", "root/Sine Wave/1"},
                                 {"ElementIndex0-1", QPointF(0, 0)},
                                 {"SigName0-1", "sine"},
                                 {"SigPath1-0", ""},
                                 {"SigPath3-3", "root/Vectorize/1"},
                                 {"ElementIndex3-3", QPointF(0, 3)}});
        ExternalMonitor monitor(nullptr, nullptr, &current, &selection.settings);
        QSignalSpy restoredSpy(&monitor, &ExternalMonitor::signalToRestore);
        monitor.restoreFromSettings();
        QCOMPARE(restoredSlots(restoredSpy), restored);
        selection.settings.beginGroup(Group);
        QCOMPARE(selection.settings.allKeys(), keysAfter);
        QCOMPARE(selection.settings.value("lastMonitoredBuildID").toByteArray(), current.isEmpty() ? stored : current);
    }

    // The whole road in this process: the model is built, the stored signals come back
    // into their slots and stream, once per start however often the board confirms;
    // a reset leaves no chart, and nothing holds a freed node (run under ASan).
    void restoredSignalsStream()
    {
        MonitoredBoard board;
        QVERIFY(board.open(false));
        StoredSelection selection;
        selection.store("build-1", {{"SigPath0-1", "root/Sine Wave/1"},
                                    {"ElementIndex0-1", QPointF(0, 0)},
                                    {"SigPath2-0", "root/Vectorize/1"},
                                    {"ElementIndex2-0", QPointF(0, 3)},
                                    {"SigPath3-3", "root/Gain/Gain"}});
        const QByteArray buildID("build-1");
        ExternalMonitor monitor(nullptr, &board.rig.manager, &buildID, &selection.settings);
        QSignalSpy containersChanged(&monitor, &ExternalMonitor::plotContainersChanged);
        QSignalSpy restored(&monitor, &ExternalMonitor::signalToRestore);

        for (int start = 1; start <= 2; ++start) {
            monitor.start();
            QVERIFY(!monitor.initialized());
            QTRY_VERIFY_WITH_TIMEOUT(monitor.initialized(), 10000);
            QCOMPARE(monitor.plotContainers().size(), 4);
            QCOMPARE(restored.size(), 3 * start);
            QCOMPARE(monitor.plotContainers()[0]->signalAt(1)->path(), QString("root/Sine Wave/1"));
            // A parameter cannot be plotted: its slot stays empty.
            QCOMPARE(monitor.plotContainers()[3]->signalAt(3), nullptr);
            QTRY_VERIFY_WITH_TIMEOUT(monitor.plotContainers()[0]->sampleCount(1) > 10
                                         && monitor.plotContainers()[2]->sampleCount(0) > 10,
                                     10000);
            // Element 3 of the vector, not element 0: a ramp of 0.5 per step plus 30.
            const double vectorValue = monitor.plotContainers()[2]->getLatestValue(0);
            QVERIFY2(vectorValue >= 30 && vectorValue < 130, qPrintable(QString::number(vectorValue)));
            // One request per restored slot and start; nothing cancelled, nothing twice.
            QCOMPARE(streamRequests(board.board(), 1), QString(start, '+'));
            QCOMPARE(streamRequests(board.board(), 6), QString(start, '+'));
        }
        QCOMPARE(monitor.variableModel()->rowCount(), 24);

        QPointer<SimulinkSignal> sine = monitor.plotContainers()[0]->signalAt(1);
        QPointer<plotContainer> container = monitor.plotContainers()[0];
        containersChanged.clear();
        monitor.reset();
        QVERIFY(monitor.plotContainers().isEmpty());
        QCOMPARE(containersChanged.size(), 1);
        QCOMPARE(monitor.variableModel()->rowCount(), 0);
        QTRY_VERIFY(!sine && !container);
        QVERIFY(!monitor.signalFromPath(QStringLiteral("root/Sine Wave/1")));
    }

    // After a communication error the charts stay until the next list, while their
    // signals go: a chart then reaches nothing (run under ASan).
    void chartsOutliveTheirSignalsSafely()
    {
        MonitoredBoard board;
        QVERIFY(board.open(false));
        StoredSelection selection;
        selection.store("build-1", {{"SigPath0-0", "root/Sine Wave/1"}, {"ElementIndex0-0", QPointF(0, 0)}});
        const QByteArray buildID("build-1");
        ExternalMonitor monitor(nullptr, &board.rig.manager, &buildID, &selection.settings);
        monitor.start();
        QTRY_VERIFY_WITH_TIMEOUT(monitor.initialized(), 10000);
        QPointer<plotContainer> chart = monitor.plotContainers()[0];
        QPointer<SimulinkSignal> sine = chart->signalAt(0);
        QTRY_VERIFY_WITH_TIMEOUT(chart->sampleCount(0) > 5, 10000);

        QSignalSpy initialized(&monitor, &ExternalMonitor::initializedChanged);
        emit monitor.interface()->controlChannel()->communicationError(Signals, ErrorType(-22));
        QCOMPARE(initialized.size(), 1);
        QVERIFY(!monitor.initialized());
        QCOMPARE(monitor.plotContainers().size(), 4);
        QTRY_VERIFY(!sine);
        QCOMPARE(chart->signalAt(0), nullptr);
        const qsizetype samples = chart->sampleCount(0);
        QTest::qWait(50);
        QCOMPARE(chart->sampleCount(0), samples);
        chart->removeSignal(nullptr, 0);
        chart->addSignal(nullptr, QPoint(), 0);

        // The next list brings new charts with the selection back in them.
        monitor.start();
        QTRY_VERIFY_WITH_TIMEOUT(monitor.initialized(), 10000);
        QTRY_VERIFY(!chart);
        QCOMPARE(monitor.plotContainers()[0]->signalAt(0)->path(), QString("root/Sine Wave/1"));
    }

    void signalsAreFoundByTheirPath()
    {
        MonitoredBoard board;
        QVERIFY(board.open(false));
        StoredSelection selection;
        ExternalMonitor monitor(nullptr, &board.rig.manager, nullptr, &selection.settings);
        monitor.start();
        QTRY_VERIFY_WITH_TIMEOUT(monitor.initialized(), 10000);
        QVERIFY(monitor.signalFromPath(QStringLiteral("root/Sensors/Temp//Pressure/1")));
        QVERIFY(monitor.signalFromPath(QStringLiteral("root/Vehicle/1/wheel/slip")));
        QVERIFY(!monitor.signalFromPath(QStringLiteral("root/Gain/Gain")));
        QVERIFY(!monitor.signalFromPath(QStringLiteral("root/Nowhere/1")));
        // Without a build id nothing was stored or cleared.
        QVERIFY(selection.settings.allKeys().isEmpty());

        QCOMPARE(monitor.filteredModel()->rowCount(), 1); // the highlighted signal
        QCOMPARE(monitor.filteredModel()->filterCaseSensitivity(), Qt::CaseInsensitive);
        const QList<std::pair<uint, int>> kinds{{1, 3}, {2, 5}, {0, 24}, {7, 24}};
        for (const auto &[type, rows] : kinds) {
            monitor.changeVisibleType(type);
            QCOMPARE(monitor.variableModel()->rowCount(), rows);
        }
    }
};

QTEST_GUILESS_MAIN(tst_ExternalMonitor)
#include "tst_ExternalMonitor.moc"
