#include "LogDownloader.h"
#include "OstDevice.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTest>

#include <memory>

// What QML sees of the board logs: the types registered under com.ostrel and the log
// downloader as a context property, as the log screen uses them.
class tst_LogQmlTypes : public QObject
{
    Q_OBJECT

    std::unique_ptr<QObject> create(QQmlEngine &engine, const QByteArray &body, QString *errors = nullptr)
    {
        QQmlComponent component(&engine);
        component.setData("import QtQml 2.15\nimport com.ostrel 1.0\n" + body, QUrl("qrc:/test.qml"));
        std::unique_ptr<QObject> object(component.create());
        if (errors)
            *errors = component.errorString();
        return object;
    }

private slots:
    void initTestCase() { QDir(QDir::homePath() + "/HalvoraStudio/LogData").removeRecursively(); }

    void typesUnderComOstrel()
    {
        LogDownloader downloader;
        QQmlEngine engine;
        engine.rootContext()->setContextProperty("LogDownloader", &downloader);
        OstDevice board(nullptr);
        board.setSerialNumber("SN-0001");
        downloader.ostDeviceConnected(&board, true);

        QString errors;
        const auto object = create(engine, R"(
            QtObject {
                property LogCommandQueue queue: LogCommandQueue {}
                property QtObjectList objects: QtObjectList {}
                property OstDeviceLogProducerList producers: OstDeviceLogProducerList {}
                property int producerCount: LogDownloader.ostDeviceLogList.count
                property string serial: LogDownloader.ostDeviceLogList.get(0).serialNumber
                property int entryCount: LogDownloader.ostDeviceLogList.get(0).ostDeviceLogEntryList.rowCount()
                property bool queueWorks: { queue.clearSchedule(); return !queue.unschedule(null) }
            })",
                                   &errors);
        QVERIFY2(object, qPrintable(errors));
        QCOMPARE(object->property("producerCount").toInt(), 1);
        QCOMPARE(object->property("serial").toString(), "SN-0001");
        QCOMPARE(object->property("entryCount").toInt(), 0);
        QVERIFY(object->property("queueWorks").toBool());

        QVERIFY(!create(engine, "OstDeviceLogProducer {}", &errors));
        QVERIFY2(errors.contains("type is private"), qPrintable(errors));
        QVERIFY(!create(engine, "OstDeviceLogEntry {}", &errors));
        QVERIFY2(errors.contains("type is private"), qPrintable(errors));
    }
};

QTEST_GUILESS_MAIN(tst_LogQmlTypes)
#include "tst_LogQmlTypes.moc"
