// The runner of the device updates screen's QML tests: stand-ins for the update list,
// its entries, the device factory with its selected board and the binary manager,
// which the tests drive themselves.
#include <QApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <QtQuickTest>
#include "HalvoraTestPaths.h"

// One board's update entry as the screen reads it.
class FakeUpdateEntry : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int extendedDeviceType MEMBER extendedDeviceType NOTIFY changed)
    Q_PROPERTY(bool updateAvailable MEMBER updateAvailable NOTIFY changed)
    Q_PROPERTY(QString latestFwVersion MEMBER latestFwVersion NOTIFY changed)
    Q_PROPERTY(QString currentFwVersion MEMBER currentFwVersion NOTIFY changed)
    Q_PROPERTY(QString progressText MEMBER progressText NOTIFY changed)
    Q_PROPERTY(float updateProgress MEMBER updateProgress NOTIFY changed)
    Q_PROPERTY(QVariantMap componentVersions MEMBER componentVersions NOTIFY changed)
    Q_PROPERTY(int updateState MEMBER updateState NOTIFY changed)
    Q_PROPERTY(int starts MEMBER starts NOTIFY changed)

public:
    using QObject::QObject;

    int extendedDeviceType = 0;
    bool updateAvailable = false;
    QString latestFwVersion = QStringLiteral("1.1");
    QString currentFwVersion = QStringLiteral("1.0");
    QString progressText = QStringLiteral("Device up-to-date");
    float updateProgress = -1;
    QVariantMap componentVersions;
    int updateState = 0;
    int starts = 0;

public slots:
    void startUpdate()
    {
        ++starts;
        emit changed();
    }

signals:
    void changed();
};

class FakeHardwareUpdate : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<QObject *> deviceList MEMBER deviceList NOTIFY DeviceListChanged)
    Q_PROPERTY(QVariantList visibilityCalls MEMBER visibilityCalls NOTIFY changed)

public:
    using QObject::QObject;

    QList<QObject *> deviceList;
    QVariantList visibilityCalls;

    Q_INVOKABLE QObject *add(int extendedDeviceType)
    {
        auto *entry = new FakeUpdateEntry(this);
        entry->extendedDeviceType = extendedDeviceType;
        deviceList.append(entry);
        emit DeviceListChanged();
        return entry;
    }
    Q_INVOKABLE void clear()
    {
        qDeleteAll(std::exchange(deviceList, {}));
        visibilityCalls.clear();
        emit DeviceListChanged();
    }

public slots:
    void setVisibility(bool isVisible)
    {
        visibilityCalls.append(isVisible);
        emit changed();
    }

signals:
    void DeviceListChanged();
    void changed();
};

class FakeBoard : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool appRunning MEMBER appRunning NOTIFY changed)

public:
    using QObject::QObject;
    bool appRunning = false;

public slots:
    void tempUploadFirmware(QUrl) {}

signals:
    void changed();
};

class FakeFactory : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject *selectedDevice MEMBER selectedDevice NOTIFY changed)

public:
    using QObject::QObject;
    QObject *selectedDevice = nullptr;

signals:
    void changed();
};

// Knows one application by its build ID.
class FakeBinaryManager : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE QString getBinaryNameByBuildID(const QByteArray &buildID) const
    {
        return buildID == "5a17" ? QStringLiteral("blink") : QString();
    }
};

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        auto *updates = new FakeHardwareUpdate(engine);
        auto *factory = new FakeFactory(engine);
        factory->selectedDevice = new FakeBoard(factory);
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("HardwareUpdate"), updates);
        context->setContextProperty(QStringLiteral("ostFactory"), factory);
        context->setContextProperty(QStringLiteral("binManager"), new FakeBinaryManager(engine));
        context->setContextProperty(QStringLiteral("uScale"), 1.0);
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Setup setup;
    return quick_test_main_with_setup(argc, argv, "tst_HardwareUpdates", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "HardwareUpdatesTestSetup.moc"
