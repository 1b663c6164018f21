#include "BoardControlChannel.h"
#include "BoardSimulator.h"
#include "DeviceUpdateEntry.h"
#include "FirmwareCipher.h"
#include "HardwareUpdate.h"
#include "OstFactory.h"
#include "SimulatorDataLink.h"
#include "StoragePeer.h"
#include "VersionInfoCipher.h"
#include "main_Application.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>

// halvora-updates-screenshot <folder>
//
// The device updates screen in the program's main window, before, during and after the
// firmware update of a simulated board: the maker's storage is a storage peer with a
// newer operating system for the board (encrypted by `openssl enc`), the board is
// plugged in over an in-process link and restarts after the upload. Saves
// device-updates-before.png, device-updates-during.png and device-updates-after.png.
namespace {

const QString kPage = QStringLiteral("qrc:/StagingTools/HardwareUpdate/GUI/HardwareUpdates.qml");

QTextStream &errorStream()
{
    static QTextStream stream(stderr);
    return stream;
}

void spin(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()> &condition, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition() && !deadline.hasExpired())
        spin(20);
    return condition();
}

QByteArray opensslEncrypt(const QByteArray &plain, const QByteArray &key, const QByteArray &iv)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("enc"), QStringLiteral("-aes-256-cbc"), QStringLiteral("-K"),
                   QString::fromLatin1(key.toHex()), QStringLiteral("-iv"), QString::fromLatin1(iv.toHex())});
    openssl.write(plain);
    openssl.closeWriteChannel();
    openssl.waitForFinished(30000);
    return openssl.exitCode() == 0 ? openssl.readAllStandardOutput() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return !bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Zelto 1.0 (ZeltoOS 1.2.0, ZeltoWireless 2.0.0) and 1.1 (ZeltoOS 1.3.0), with the
// operating system's image.
bool publish(const QString &root)
{
    QByteArray image = "ZELTO-FW-VERSION:1.3.0";
    image.append('\0');
    while (image.size() < 3 * 1024 * 1024)
        image.append(char(image.size() * 37));
    const QByteArray encrypted = opensslEncrypt(image, FirmwareCipher::key(), FirmwareCipher::iv());
    if (!writeFile(root + QStringLiteral("/halvora/firmware/ZeltoOS_1.3.0.bin"), encrypted))
        return false;
    const QString digest = QString::fromLatin1(QCryptographicHash::hash(encrypted, QCryptographicHash::Sha256).toHex());
    const QJsonObject document{
        {"Version", 1},
        {"Devices",
         QJsonObject{
             {"Zelto",
              QJsonObject{
                  {"LatestVersion", "1.1"},
                  {"Versions", QJsonObject{{"1.0", QJsonObject{{"ZeltoOS", "1.2.0"}, {"ZeltoWireless", "2.0.0"}}},
                                           {"1.1", QJsonObject{{"ZeltoOS", "1.3.0"}, {"ZeltoWireless", "2.0.0"}}}}}}}}},
        {"Components",
         QJsonObject{{"ZeltoOS",
                      QJsonObject{{"LatestVersion", "1.3.0"},
                                  {"Versions", QJsonObject{{"1.3.0", QJsonObject{{"file", "firmware/ZeltoOS_1.3.0.bin"},
                                                                                 {"sha256", digest}}}}}}},
                     {"ZeltoWireless", QJsonObject{{"LatestVersion", "2.0.0"}, {"Versions", QJsonObject{}}}}}}};
    const QByteArray versions = opensslEncrypt(QJsonDocument(document).toJson(), VersionInfoCipher::key(),
                                               VersionInfoCipher::iv());
    return writeFile(root + QStringLiteral("/halvora/versionInfo.data"),
                     versions + QCryptographicHash::hash(versions, QCryptographicHash::Sha256));
}

QQuickItem *findNamed(QQuickItem *item, const QString &name)
{
    if (item->objectName() == name && item->isVisible())
        return item;
    for (QQuickItem *child : item->childItems())
        if (QQuickItem *found = findNamed(child, name))
            return found;
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    qputenv("QSG_USE_SIMPLE_ANIMATION_DRIVER", "1");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));
    if (QCoreApplication::arguments().size() != 2) {
        errorStream() << "usage: halvora-updates-screenshot <folder>\n";
        return 2;
    }
    const QDir output(QCoreApplication::arguments().at(1));
    QDir().mkpath(output.path());

    QTemporaryDir storage;
    if (!storage.isValid() || !publish(storage.path())) {
        errorStream() << "Could not make the storage's files (is openssl there?)\n";
        return 1;
    }
    StoragePeer peer(storage.path());
    if (!peer.start()) {
        errorStream() << "The storage peer did not start\n";
        return 1;
    }
    qputenv("HALVORA_DOWNLOAD_STORAGE", peer.baseUrl().toString().toUtf8());

    BoardSettings settings;
    settings.serialNumber = "ZT000042";
    settings.extendedDeviceType = 0;
    settings.restartAfterUpdate = std::chrono::milliseconds(1500);
    BoardSimulator board(settings);
    BoardControlState &state = static_cast<BoardControlChannel *>(board.channel(1))->state();
    state.firmwareVersion = "1.2.0";
    state.espVersion = "2.0.0";

    main_Application program(nullptr, &application);
    if (!program.load(main_Application::mainWindowUrl()))
        return 1;
    auto *window = qobject_cast<QQuickWindow *>(program.engine().rootObjects().constFirst());
    auto *viewStack = window ? window->findChild<QObject *>(QStringLiteral("viewStack")) : nullptr;
    if (!viewStack) {
        errorStream() << "The main window has no view stack\n";
        return 1;
    }
    const auto plug = [&] {
        program.ostFactory()->createPendingDevice(new SimulatorDataLink(AbstractDataLink::USB, &board));
    };
    QObject::connect(&board, &BoardSimulator::restarted, &board, plug);
    plug();
    viewStack->setProperty("moduleURI", QString());
    viewStack->setProperty("source", kPage);

    HardwareUpdate *updates = program.hardwareUpdate();
    const auto entry = [&]() -> DeviceUpdateEntry * { return updates->entryFor(QStringLiteral("ZT000042")); };
    const auto save = [&](const QString &name) {
        spin(800);
        const QString path = output.filePath(name);
        if (!window->grabWindow().save(path, "PNG")) {
            errorStream() << "Could not write " << path << "\n";
            return false;
        }
        QTextStream(stdout) << path << "\n";
        return true;
    };

    if (!waitFor([&] { return entry() && entry()->updateState() == DeviceUpdateEntry::UpdateAvailable; }, 30000)) {
        errorStream() << "The board's update was not offered\n";
        return 1;
    }
    if (!save(QStringLiteral("device-updates-before.png")))
        return 1;

    // The user presses the button.
    QQuickItem *button = findNamed(window->contentItem(), QStringLiteral("updateButton"));
    if (!button || !QMetaObject::invokeMethod(button, "clicked")) {
        errorStream() << "The update button is not there\n";
        return 1;
    }
    if (!waitFor([&] { return entry() && entry()->updateProgress() >= 0.3f; }, 60000)) {
        errorStream() << "The upload did not get going\n";
        return 1;
    }
    if (!save(QStringLiteral("device-updates-during.png")))
        return 1;

    if (!waitFor(
            [&] {
                return entry() && entry()->updateState() == DeviceUpdateEntry::NoUpdateAvailable
                       && entry()->currentFwVersion() == QLatin1String("1.1");
            },
            90000)) {
        errorStream() << "The board did not come back with its new firmware\n";
        return 1;
    }
    return save(QStringLiteral("device-updates-after.png")) ? 0 : 1;
}
