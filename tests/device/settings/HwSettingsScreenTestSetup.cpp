// The runner of the Hardware Setup screen's QML tests: the screen sees the program's
// hardware settings and device factory, connected over loopback to a simulated board,
// and the tests see what the board received and holds.
// First: QtQuickTest reads QUICK_TEST_SOURCE_DIR as it is included.
#include "HalvoraTestPaths.h"
#include "BoardControlChannel.h"
#include "SettingsBoards.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QClipboard>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

// What the tests ask of the simulated board.
class SimulatedBoardProbe : public QObject
{
    Q_OBJECT

public:
    SimulatedBoardProbe(QObject *parent, NetworkBoard *board)
        : QObject(parent)
        , m_board(board)
        , m_original(state().wifiSettings)
        , m_originalState(state().wifiState)
    {
    }

    // The Wi-Fi settings record the board holds, in hexadecimal.
    Q_INVOKABLE QString wifiSettingsHex() const { return QString::fromLatin1(state().wifiSettings.toHex()); }
    Q_INVOKABLE QString wifiStateHex() const { return QString::fromLatin1(state().wifiState.toHex()); }
    // The record as the board held it at start with one field replaced by text (UTF-8,
    // zero-filled to size).
    Q_INVOKABLE QString originalWith(int offset, int size, const QString &text) const
    {
        QByteArray field = text.toUtf8().left(size);
        field.append(size - field.size(), '\0');
        return QString::fromLatin1(QByteArray(m_original).replace(offset, size, field).toHex());
    }
    // Puts the board's records back as they were at start.
    Q_INVOKABLE void restore()
    {
        state().wifiSettings = m_original;
        state().wifiState = m_originalState;
        state().faults.clear();
    }
    Q_INVOKABLE int requestCount() const { return int(control()->requests().size()); }
    // The commands the board received since a count of requests.
    Q_INVOKABLE QList<int> commandsSince(int from) const
    {
        QList<int> commands;
        const QList<HostControlRequest> &requests = control()->requests();
        for (qsizetype i = from; i < requests.size(); ++i)
            commands << requests[i].command;
        return commands;
    }
    // The board answers a command with this response from now on.
    Q_INVOKABLE void failCommand(int command, int response) { state().faults[uint16_t(command)].response = response; }
    // The board's current address; 0 for none.
    Q_INVOKABLE void setAddress(const QString &ipv4)
    {
        state().wifiAddress = BoardControlState::wifiAddressRecord(QHostAddress(ipv4).toIPv4Address());
    }
    Q_INVOKABLE QString clipboardText() const { return QGuiApplication::clipboard()->text(); }
    // Types text the way an input method does, for characters that have no key.
    Q_INVOKABLE void commitText(const QString &text) const
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        if (QObject *focus = QGuiApplication::focusObject())
            QCoreApplication::sendEvent(focus, &event);
    }

private:
    BoardControlChannel *control() const { return SettingsBoards::control(m_board); }
    BoardControlState &state() const { return control()->state(); }

    NetworkBoard *m_board;
    QByteArray m_original;
    QByteArray m_originalState;
};

class HwSettingsScreenTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
        QString error;
        if (!m_boards.prepare(&error))
            qFatal("No certificates: %s", qPrintable(error));
        m_board = m_boards.addBoard("ZH-0042", QStringLiteral("127.0.0.2"));
        m_boards.start();
        if (!m_boards.connectBoard(QStringLiteral("127.0.0.2"), QStringLiteral("ZH-0042")))
            qFatal("The simulated board did not connect");
        m_probe = new SimulatedBoardProbe(this, m_board);
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine->addImportPath(QStringLiteral(HALVORA_QML_IMPORT_DIR));
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("HardwareSettings"), m_boards.gui());
        context->setContextProperty(QStringLiteral("ostFactory"), m_boards.factory());
        context->setContextProperty(QStringLiteral("simulatedBoard"), m_probe);
        context->setContextProperty(QStringLiteral("hRef"), 1080);
        context->setContextProperty(QStringLiteral("uScale"), 1080 / 1080.01);
        context->setContextProperty(QStringLiteral("frameBorderWidth"), 8);
    }

private:
    SettingsBoards m_boards;
    NetworkBoard *m_board = nullptr;
    SimulatedBoardProbe *m_probe = nullptr;
};

QUICK_TEST_MAIN_WITH_SETUP(hwsettings_screen, HwSettingsScreenTestSetup)

#include "HwSettingsScreenTestSetup.moc"
