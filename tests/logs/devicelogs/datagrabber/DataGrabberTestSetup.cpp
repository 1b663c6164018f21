// The runner of the log screen's QML tests: the program's log downloader and device
// factory with simulated boards behind in-process transports, so that the screen
// lists, downloads, converts and removes real logs.
#include "AbstractNotification.h"
#include "BoardLogFiles.h"
#include "ErrorHandler.h"
#include "LogBoardRig.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>
#include "HalvoraTestPaths.h"

// What the tests ask of the boards and the disk.
class LogScreenRig : public QObject
{
    Q_OBJECT

public:
    explicit LogScreenRig(LogBoardRig &rig)
        : m_rig(rig)
    {
    }

    // Plugs a board in that holds the given number of logs (each a different model,
    // one minute apart), selects it and waits until its logs are listed.
    Q_INVOKABLE bool plugBoard(const QString &serial, int logs)
    {
        BoardSimulator *board = m_rig.board(serial.toLatin1());
        for (int counter = 1; counter <= logs; ++counter) {
            boardlogs::Log log;
            log.serial = serial;
            log.counter = counter;
            log.model = QStringLiteral("model_%1").arg(QChar(u'a' + counter - 1));
            log.date = log.date.addSecs(60 * counter);
            boardlogs::write(LogBoardRig::logFolder(board), log);
        }
        if (!m_rig.connectAndList(board))
            return false;
        m_rig.factory.setSelectedDevice(m_rig.boardNamed(serial));
        return true;
    }

    // The log files on the board.
    Q_INVOKABLE QStringList boardLogs(const QString &serial) const
    {
        for (const auto &board : m_rig.boards)
            if (QString::fromLatin1(board->settings().serialNumber) == serial)
                return QDir(LogBoardRig::logFolder(board.get())).entryList(QDir::Files, QDir::Name);
        return {};
    }

    // Takes a log off the board behind the program's back: its listing goes stale.
    Q_INVOKABLE bool removeBoardLog(const QString &serial, const QString &fileName)
    {
        for (const auto &board : m_rig.boards)
            if (QString::fromLatin1(board->settings().serialNumber) == serial)
                return QFile::remove(LogBoardRig::logFolder(board.get()) + QLatin1Char('/') + fileName);
        return false;
    }

    // The files in the program's folder of the board, hidden ones too.
    Q_INVOKABLE QStringList libraryFiles(const QString &serial) const
    {
        return QDir(m_rig.downloader.logFolder().filePath(serial))
            .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    // A new empty folder for exports.
    Q_INVOKABLE QUrl newFolder()
    {
        m_folders.push_back(std::make_unique<QTemporaryDir>());
        return QUrl::fromLocalFile(m_folders.back()->path());
    }

    // A folder where a MAT-file of this name cannot be written, even by the superuser:
    // a folder of that name is in the way.
    Q_INVOKABLE QUrl folderBlocking(const QString &fileName)
    {
        const QUrl folder = newFolder();
        QDir(folder.toLocalFile()).mkdir(fileName);
        return folder;
    }

    Q_INVOKABLE QStringList filesIn(const QUrl &folder) const
    {
        return QDir(folder.toLocalFile()).entryList(QDir::Files, QDir::Name);
    }

    // The title and text of every notification posted so far.
    Q_INVOKABLE QStringList notifications() const
    {
        QStringList texts;
        for (const AbstractNotification *notification : ErrorHandler::instance()->getNotificationList())
            texts << notification->getTitle() + QStringLiteral(": ") + notification->getMessage();
        return texts;
    }

private:
    LogBoardRig &m_rig;
    std::vector<std::unique_ptr<QTemporaryDir>> m_folders;
};

class DataGrabberTestSetup : public QObject
{
    Q_OBJECT

public:
    DataGrabberTestSetup()
    {
        LogBoardRig::freshLogData();
        // The boards stay plugged in for the whole run.
        m_rig = std::make_unique<LogBoardRig>(false, LogBoardRig::Steady);
        m_screenRig = std::make_unique<LogScreenRig>(*m_rig);
    }

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("LogDownloader"), &m_rig->downloader);
        context->setContextProperty(QStringLiteral("ostFactory"), &m_rig->factory);
        context->setContextProperty(QStringLiteral("Notifications"), ErrorHandler::instance());
        context->setContextProperty(QStringLiteral("logRig"), m_screenRig.get());
    }

    void cleanupTestCase() { m_rig->downloader.setVisibility(false); }

private:
    std::unique_ptr<LogBoardRig> m_rig;
    std::unique_ptr<LogScreenRig> m_screenRig;
};

// The screen's tool bar and tips need the widgets application, as in the program.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    DataGrabberTestSetup setup;
    return quick_test_main_with_setup(argc, argv, "data_grabber", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "DataGrabberTestSetup.moc"
