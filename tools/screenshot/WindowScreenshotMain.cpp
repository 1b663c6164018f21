#include "AppBinaryManager.h"
#include "AppFile.h"
#include "ErrorHandler.h"
#include "ExternalMonitor.h"
#include "LogDownloader.h"
#include "OstDeviceLogEntry.h"
#include "OstDeviceLogProducer.h"
#include "Halvora.h"
#include "NotificationMessage.h"
#include "NetworkDeviceManager.h"
#include "NotificationMsgProgressButton.h"
#include "OstFactory.h"
#include "SimulinkSignal.h"
#include "Zelto.h"
#include "main_Application.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <elf.h>

// halvora-window-screenshot [--board] [--notifications] [--page <url>] [--wifi-button]
//                           [--screen <qml>] [--module <uri>] [--binaries] [--upload] [--download-largest]
//                           [--monitoring] [--all-variables] [--plot <names>] [--measure <s>] [--robots]
//                           [--ssh-dialog] [--settle <ms>] <picture.png>
//
// Starts the program's main window as the program does (the composition root with
// every manager) and saves what it shows. With --board it first waits until the board
// named by HALVORA_BOARD_ADDRESS is connected over Wi-Fi; with --notifications it posts
// notifications of every level, one of them modal, so that the popup opens; --page
// (or --screen) shows a screen in the view stack, and --wifi-button presses the menu's
// Wi-Fi button; --binaries fills the binary list, and --upload takes the picture while
// the first binary is being uploaded to the board; --download-largest starts the
// download of the largest listed board log, so that the picture shows it under way.
// --monitoring starts the board's application and waits until the monitored model is
// built; --all-variables shows every variable in the workspace's list; --plot names
// (separated by commas) the signals the charts show, four to a chart, as a selection
// stored by an earlier session. --measure <s> watches the window for that long before
// the picture is taken and prints its frame times and the program's memory, each minute
// and at the end. --module names the QML module whose type --screen is (as the home
// screen's module tiles do); --robots reports robots to the robot discovery screen as
// multicast DNS would, and --ssh-dialog opens its connect dialog for the first one.
namespace {

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

template<typename Condition>
bool waitFor(Condition condition, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition() && !deadline.hasExpired())
        spin(100);
    return condition();
}

bool boardConnectedOverWifi(const OstFactory *factory)
{
    const auto *device = factory->property("selectedDevice").value<QObject *>();
    const auto *links = device ? device->property("datalinkManager").value<QObject *>() : nullptr;
    // AbstractDataLink::Connected
    return links && links->property("wifiLinkState").toInt() == 2
           && !device->property("serialNumber").toString().isEmpty();
}

void postNotifications()
{
    ErrorHandler *handler = ErrorHandler::instance();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    handler->addMessage(halvora::ErrorLevel::Info, AbstractNotification::HalvoraLab,
                        QStringLiteral("Firmware available"),
                        QStringLiteral("A new firmware version is available for the connected board."),
                        QStringLiteral("Device updater"), now.addSecs(-300));
    handler->addMessage(halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab,
                        QStringLiteral("Download refused"),
                        QStringLiteral("Can't download log file while a model is running on the device. Please stop "
                                       "the model before retrying."),
                        QStringLiteral("Log downloader"), now.addSecs(-240));
    handler->addMessage(halvora::ErrorLevel::Error, AbstractNotification::Device, QStringLiteral("Board error"),
                        QStringLiteral("The board reported an error on its error channel."), QStringLiteral("ZT000042"),
                        now.addSecs(-180));
    handler->addMessage(halvora::ErrorLevel::CriticalError, AbstractNotification::HalvoraLab,
                        QStringLiteral("Update failed"),
                        QStringLiteral("The firmware file did not pass its digest check and was deleted."),
                        QStringLiteral("Device updater"), now.addSecs(-120));
    auto *upload = new NotificationMsgProgressButton(
        nullptr, halvora::ErrorLevel::Info, AbstractNotification::HalvoraLab, QStringLiteral("Upload application"),
        QStringLiteral("Upload the imported application to the board?"), QStringLiteral("Upload"),
        QStringLiteral("Binary list"), now.addSecs(-60));
    upload->enableButton(true);
    upload->enableProgress(true);
    upload->updateProgress(0.35f);
    handler->addNotification(upload);
    auto *modal = new NotificationMessage(nullptr, halvora::ErrorLevel::Warning, AbstractNotification::HalvoraLab,
                                          QStringLiteral("Toolchain installation"),
                                          QStringLiteral("MATLAB must be closed before the toolchain is installed."),
                                          QStringLiteral("Toolchain installer"), now);
    modal->setModal(true);
    handler->addNotification(modal);
}

// A small board image: a 32-bit ARM ELF file with one loadable segment of `memory`
// bytes, of which the first 4 KiB are in the file.
bool writeBoardImage(const QString &path, quint32 memory)
{
    constexpr quint32 dataOffset = 0x1000;
    constexpr quint32 dataSize = 0x1000;
    Elf32_Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS32;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_EXEC;
    header.e_machine = EM_ARM;
    header.e_version = EV_CURRENT;
    header.e_entry = 0x08000000;
    header.e_phoff = sizeof(Elf32_Ehdr);
    header.e_ehsize = sizeof(Elf32_Ehdr);
    header.e_phentsize = sizeof(Elf32_Phdr);
    header.e_phnum = 1;
    Elf32_Phdr segment{};
    segment.p_type = PT_LOAD;
    segment.p_offset = dataOffset;
    segment.p_vaddr = segment.p_paddr = 0x08000000;
    segment.p_filesz = dataSize;
    segment.p_memsz = memory;
    segment.p_flags = PF_R | PF_X;
    segment.p_align = 4;
    QByteArray bytes(dataOffset + dataSize, '\0');
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, &segment, sizeof segment);
    for (quint32 i = 0; i < dataSize; ++i)
        bytes[dataOffset + i] = char(i * 7);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A few binaries in the binary list, under the names of board applications.
void addBinaries(AppBinaryManager *manager)
{
    manager->setAutoUpload(false);
    const QString folder = QDir::temp().filePath(QStringLiteral("binaries"));
    QDir().mkpath(folder);
    struct Binary
    {
        const char *name;
        const char *version;
        const char *board;
        quint32 memory;
    };
    const Binary binaries[] = {
        {"balance_controller", "2.1.0", "Zelto_Development_Board", 6 << 20},
        {"line_follower", "1.4.2-beta", "Zelto_Development_Board", 300 << 10},
        {"motor_test", "0.9.0", "Unknown", 90 << 10},
        {"sensor_logger", "3.0.1", "Tavrin", 2 << 20},
    };
    int id = 0;
    for (const Binary &binary : binaries) {
        const QString path = QDir(folder).filePath(QLatin1String(binary.name) + QStringLiteral(".elf"));
        if (!writeBoardImage(path, binary.memory))
            errorStream() << "Could not write " << path << "\n";
        manager->pushElfBinaryFromUri(path, QLatin1String(binary.version),
                                      QStringLiteral("%1").arg(++id, 32, 10, QLatin1Char('0')),
                                      QLatin1String(binary.board), 0);
        spin(300); // the list sorts by the time of import
    }
    ErrorHandler::instance()->clearNotifications();
}

Zelto *selectedBoard(const OstFactory *factory)
{
    return qobject_cast<Zelto *>(factory->property("selectedDevice").value<QObject *>());
}

// Stores the signals of the given names in the charts' slots (four to a chart, the
// first chart first), as the workspace stores what the user dropped there, and has the
// monitor put them back; false when the model has no signal of one of the names.
bool plotSignals(Zelto *board, ExternalMonitor *monitor, const QStringList &names)
{
    QSettings settings;
    settings.beginGroup(monitor->settingsCategory());
    settings.remove(QString());
    settings.setValue(QStringLiteral("lastMonitoredBuildID"), board->buildID());
    const qsizetype slotCount = qsizetype(ExternalMonitor::PlotContainerCount) * ExternalMonitor::SlotsPerContainer;
    for (int slot = 0; slot < std::min(names.size(), slotCount); ++slot) {
        const SimulinkDataTypes::SimulinkVariable *found = nullptr;
        for (const SimulinkDataTypes::SimulinkVariable *variable : monitor->simulinkVariables()) {
            if (variable->name() == names[slot] && qobject_cast<const SimulinkDataTypes::SimulinkSignal *>(variable)) {
                found = variable;
                break;
            }
        }
        if (!found) {
            errorStream() << "The model has no signal named " << names[slot] << "\n";
            return false;
        }
        const QString key = QStringLiteral("%1-%2")
                                .arg(slot / ExternalMonitor::SlotsPerContainer)
                                .arg(slot % ExternalMonitor::SlotsPerContainer);
        settings.setValue(QStringLiteral("SigName") + key, found->name() + QStringLiteral("[1\u20221]"));
        settings.setValue(QStringLiteral("SigPath") + key, found->path());
        settings.setValue(QStringLiteral("ElementIndex") + key, QPointF(0, 0));
    }
    settings.endGroup();
    settings.sync();
    monitor->restoreFromSettings();
    return true;
}

// The program's resident memory in KiB, from the kernel's status of this process.
qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Watches the window's frames for a while and prints the times between them (in ms)
// and the memory, each minute and at the end.
void measure(QQuickWindow *window, int seconds)
{
    QList<double> intervals;
    QElapsedTimer clock;
    clock.start();
    qint64 last = -1;
    const auto connection = QObject::connect(window, &QQuickWindow::frameSwapped, window, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            intervals << double(now - last) / 1e6;
        last = now;
    });
    const auto report = [&](const char *label) {
        QList<double> sorted = intervals;
        std::sort(sorted.begin(), sorted.end());
        const auto at = [&](double share) {
            return sorted.isEmpty() ? 0.0 : sorted[qsizetype(share * double(sorted.size() - 1))];
        };
        double sum = 0;
        for (double interval : sorted)
            sum += interval;
        QTextStream(stdout) << label << " after " << clock.elapsed() / 1000 << " s: " << sorted.size()
                            << " frames, mean " << (sorted.isEmpty() ? 0.0 : sum / double(sorted.size()))
                            << " ms, median " << at(0.5) << " ms, 95th percentile " << at(0.95) << " ms, max "
                            << at(1.0) << " ms; resident memory " << residentKiB() / 1024 << " MiB" << Qt::endl;
    };
    for (int elapsed = 0; elapsed < seconds; elapsed += 60) {
        spin(std::min(60, seconds - elapsed) * 1000);
        report(elapsed + 60 < seconds ? "so far" : "measured");
        if (elapsed + 60 < seconds)
            intervals.clear();
    }
    QObject::disconnect(connection);
}

// Robots as the discovery engine reports them: one record per address.
void reportRobots(QObject *screen)
{
    auto *manager = screen ? screen->property("networkDeviceManager").value<NetworkDeviceManager *>() : nullptr;
    if (!manager) {
        errorStream() << "The screen shown has no robot discovery\n";
        return;
    }
    struct Robot
    {
        const char *name;
        const char *serial;
        const char *type;
        const char *v4;
        const char *v6;
    };
    const Robot robots[] = {
        {"mower-north", "ZX40021", "Bexlin", "192.168.10.21", "fe80::2a0:45ff:fe12:3401%eth0"},
        {"mower-south", "ZX40022", "Bexlin", "192.168.10.22", nullptr},
        {"inspection-rover-with-a-long-name", "ZX-2026-000000000417", "Bexlin Field Edition", nullptr,
         "fe80::2a0:45ff:fe12:3417%eth0"},
    };
    for (const Robot &robot : robots) {
        for (const char *address : {robot.v4, robot.v6}) {
            if (!address)
                continue;
            ostrel::infra::NetworkDeviceInfo info;
            info.family = address == robot.v4 ? ostrel::infra::AddressFamily::IPv4 : ostrel::infra::AddressFamily::IPv6;
            info.servicename = robot.name;
            info.hostname = std::string(robot.name) + ".local";
            info.txt["ostrel_device_serial"] = robot.serial;
            info.txt["ostrel_device_type"] = robot.type;
            info.port = 22;
            info.address = address;
            manager->deviceFound(std::move(info));
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program starts.
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    qputenv("QSG_USE_SIMPLE_ANIMATION_DRIVER", "1");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Saves a picture of the main window."));
    parser.addHelpOption();
    const QCommandLineOption boardOption(QStringLiteral("board"),
                                         QStringLiteral("Wait until the board is connected over Wi-Fi."));
    const QCommandLineOption notificationsOption(QStringLiteral("notifications"),
                                                 QStringLiteral("Post notifications of every level."));
    const QCommandLineOption settleOption(QStringLiteral("settle"),
                                          QStringLiteral("Milliseconds the window is given to settle (1500)."),
                                          QStringLiteral("ms"), QStringLiteral("1500"));
    const QCommandLineOption pageOption(QStringLiteral("page"), QStringLiteral("Show this screen in the view stack."),
                                        QStringLiteral("url"));
    const QCommandLineOption wifiButtonOption(QStringLiteral("wifi-button"),
                                              QStringLiteral("Press the menu bar's Wi-Fi button."));
    const QCommandLineOption screenOption(QStringLiteral("screen"), QStringLiteral("The screen the view stack shows."),
                                          QStringLiteral("qml"));
    const QCommandLineOption binariesOption(QStringLiteral("binaries"), QStringLiteral("Fill the binary list."));
    const QCommandLineOption uploadOption(QStringLiteral("upload"),
                                          QStringLiteral("Take the picture while a binary is uploaded to the board."));
    const QCommandLineOption downloadOption(
        QStringLiteral("download-largest"),
        QStringLiteral("Once the board's logs are listed, start downloading the largest one."));
    const QCommandLineOption monitoringOption(
        QStringLiteral("monitoring"),
        QStringLiteral("Start the board's application and wait for its monitored model."));
    const QCommandLineOption allVariablesOption(QStringLiteral("all-variables"),
                                                QStringLiteral("Show every variable in the workspace's list."));
    const QCommandLineOption plotOption(QStringLiteral("plot"),
                                        QStringLiteral("Signals by name, separated by commas, four to a chart."),
                                        QStringLiteral("names"));
    const QCommandLineOption measureOption(QStringLiteral("measure"),
                                           QStringLiteral("Print frame times and memory over this many seconds."),
                                           QStringLiteral("s"));
    const QCommandLineOption moduleOption(QStringLiteral("module"),
                                          QStringLiteral("The QML module whose type the screen is."),
                                          QStringLiteral("uri"));
    const QCommandLineOption robotsOption(QStringLiteral("robots"),
                                          QStringLiteral("Report robots to the robot discovery screen."));
    const QCommandLineOption sshDialogOption(QStringLiteral("ssh-dialog"),
                                             QStringLiteral("Open the connect dialog for the first robot."));
    parser.addOptions({boardOption, notificationsOption, settleOption, pageOption, wifiButtonOption, screenOption,
                       binariesOption, uploadOption, downloadOption, monitoringOption, allVariablesOption, plotOption,
                       measureOption, moduleOption, robotsOption, sshDialogOption});
    parser.addPositionalArgument(QStringLiteral("picture"), QStringLiteral("The PNG file to write."));
    parser.process(application);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString output = parser.positionalArguments().constFirst();

    main_Application program(nullptr, &application);
    if (!program.load(main_Application::mainWindowUrl()))
        return 1;
    auto *window = qobject_cast<QQuickWindow *>(program.engine().rootObjects().constFirst());
    if (!window) {
        errorStream() << "The main window is not a window\n";
        return 1;
    }

    // A build with sanitizers under a software renderer draws slowly: the window
    // gets its time.
    if (!waitFor([window] { return window->property("applicationMenu").value<QObject *>() != nullptr; }, 60000)) {
        errorStream() << "The menu bar did not appear\n";
        return 1;
    }
    if (parser.isSet(boardOption)) {
        if (!waitFor([&program] { return boardConnectedOverWifi(program.ostFactory()); }, 30000)) {
            errorStream() << "The board did not connect over Wi-Fi within 30 s\n";
            return 1;
        }
    }
    if (parser.isSet(notificationsOption))
        postNotifications();
    if (parser.isSet(monitoringOption)) {
        Zelto *board = selectedBoard(program.ostFactory());
        if (!board || !waitFor([board] { return !board->buildID().isEmpty(); }, 10000)) {
            errorStream() << "The board did not name its application's build\n";
            return 1;
        }
        const QStringList plotted = parser.value(plotOption).split(',', Qt::SkipEmptyParts);
        if (!board->appRunning())
            board->toggleAppState();
        if (!waitFor([board] { return board->appRunning(); }, 10000)) {
            errorStream() << "The board's application did not start\n";
            return 1;
        }
        if (!board->externalMonitor())
            board->startMonitoring();
        const auto monitorBuilt = [board] {
            const auto *monitor = qobject_cast<ExternalMonitor *>(board->externalMonitor());
            return monitor && monitor->initialized();
        };
        if (!waitFor(monitorBuilt, 20000)) {
            errorStream() << "The monitored model was not built within 20 s\n";
            return 1;
        }
        if (!plotted.isEmpty()
            && !plotSignals(board, qobject_cast<ExternalMonitor *>(board->externalMonitor()), plotted))
            return 1;
    }
    if (parser.isSet(pageOption)) {
        QObject *viewStack = window->findChild<QObject *>(QStringLiteral("viewStack"));
        if (!viewStack || !viewStack->setProperty("source", QUrl(parser.value(pageOption)))) {
            errorStream() << "Could not show " << parser.value(pageOption) << "\n";
            return 1;
        }
    }
    if (parser.isSet(wifiButtonOption)) {
        auto *menu = window->property("applicationMenu").value<QObject *>();
        if (!menu || !QMetaObject::invokeMethod(menu, "pressWifiButton")) {
            errorStream() << "Could not press the Wi-Fi button\n";
            return 1;
        }
    }
    if (parser.isSet(binariesOption))
        addBinaries(program.appBinaryManager());
    if (parser.isSet(screenOption)) {
        if (QObject *viewStack = window->findChild<QObject *>(QStringLiteral("viewStack"))) {
            viewStack->setProperty("moduleURI", parser.value(moduleOption));
            viewStack->setProperty("source", parser.value(screenOption));
        }
    }
    if (parser.isSet(robotsOption) || parser.isSet(sshDialogOption)) {
        QObject *viewStack = window->findChild<QObject *>(QStringLiteral("viewStack"));
        QObject *screen = viewStack ? viewStack->property("currentPage").value<QObject *>() : nullptr;
        reportRobots(screen);
        if (parser.isSet(sshDialogOption)) {
            spin(500);
            auto *dialog = screen ? screen->property("connectDialog").value<QObject *>() : nullptr;
            auto *table = screen ? screen->property("table").value<QObject *>() : nullptr;
            auto *rows = table ? table->property("listView").value<QObject *>() : nullptr;
            QQuickItem *firstRow = nullptr;
            if (rows)
                QMetaObject::invokeMethod(rows, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, firstRow), Q_ARG(int, 0));
            auto *field = dialog ? dialog->property("usernameField").value<QObject *>() : nullptr;
            if (!dialog || !firstRow || !field) {
                errorStream() << "Could not open the connect dialog\n";
                return 1;
            }
            dialog->setProperty("device", firstRow->property("modelData"));
            field->setProperty("text", QStringLiteral("operator"));
            QMetaObject::invokeMethod(dialog, "open");
        }
    }
    if (parser.isSet(downloadOption)) {
        OstDeviceLogEntry *largest = nullptr;
        const auto findLargest = [&program, &largest] {
            const auto *producers = program.logDownloader()->producerList();
            for (int row = 0; row < producers->count(); ++row) {
                const QAbstractItemModel *entries = producers->at(row)->sortedList();
                for (int entry = 0; entry < entries->rowCount(); ++entry) {
                    auto *candidate =
                        entries->data(entries->index(entry, 0), Qt::UserRole).value<OstDeviceLogEntry *>();
                    if (candidate && candidate->isOnDevice() && !candidate->hasLocalFile()
                        && (!largest || candidate->size() > largest->size()))
                        largest = candidate;
                }
            }
            return largest != nullptr;
        };
        if (!waitFor(findLargest, 30000)) {
            errorStream() << "The board listed no log to download within 30 s\n";
            return 1;
        }
        largest->downloadLog();
        // The picture shows the download under way.
        const QPointer<OstDeviceLogEntry> downloading(largest);
        waitFor([downloading] { return !downloading || downloading->getDownloadProgress() > 0.02f; }, 30000);
    }
    if (parser.isSet(allVariablesOption)) {
        const auto allButton = [window] { return window->findChild<QObject *>(QStringLiteral("allVariables")); };
        if (!waitFor([&] { return allButton() != nullptr; }, 20000)) {
            errorStream() << "The workspace's list did not appear\n";
            return 1;
        }
        allButton()->setProperty("checked", true);
    }

    if (parser.isSet(notificationsOption)) {
        // The modal notification opens the popup.
        const auto popupOpened = [window] {
            const auto *menu = window->property("applicationMenu").value<QObject *>();
            const auto *frame = menu ? menu->property("notificationFrame").value<QObject *>() : nullptr;
            return frame && frame->property("opened").toBool();
        };
        if (!waitFor(popupOpened, 60000)) {
            errorStream() << "The notification popup did not open\n";
            return 1;
        }
    }
    spin(parser.value(settleOption).toInt());
    if (parser.isSet(measureOption))
        measure(window, parser.value(measureOption).toInt());
    if (parser.isSet(uploadOption)) {
        AppBinaryManager *manager = program.appBinaryManager();
        AppFile *file = manager->appFiles()->count() > 0 ? manager->appFiles()->at(0) : nullptr;
        if (!file) {
            errorStream() << "There is no binary to upload\n";
            return 1;
        }
        file->flashAppFile();
        const QDeadlineTimer deadline(60000);
        while (!(file->getUpdateProgress() > 0.3f && file->getUpdateProgress() < 0.9f) && !deadline.hasExpired())
            spin(20);
        if (deadline.hasExpired()) {
            errorStream() << "The upload did not get under way within 60 s\n";
            return 1;
        }
        spin(100);
    }
    const QImage picture = window->grabWindow();
    QDir().mkpath(QFileInfo(output).absolutePath());
    if (picture.isNull() || !picture.save(output, "PNG")) {
        errorStream() << "Could not write " << output << "\n";
        return 1;
    }
    return 0;
}
