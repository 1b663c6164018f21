#include "PeerConsole.h"

#include "RosBridgePeer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

PeerConsole::PeerConsole(RosBridgePeer *peer, QObject *parent)
    : QObject(parent)
    , m_peer(peer)
    , m_notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
    , m_input(new QTextStream(stdin))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &PeerConsole::readLine);
}

PeerConsole::~PeerConsole()
{
    delete m_input;
}

void PeerConsole::readLine()
{
    QString line;
    if (!m_input->readLineInto(&line)) {
        // Standard input ended: no more commands, the peer goes on serving.
        m_notifier->setEnabled(false);
        return;
    }
    const QString answer = execute(line.trimmed());
    if (!answer.isEmpty())
        QTextStream(stdout) << answer << Qt::endl;
}

QString PeerConsole::execute(const QString &line)
{
    if (line.isEmpty())
        return {};
    const QString command = line.section(QLatin1Char(' '), 0, 0);
    if (command == QLatin1String("publish")) {
        const QString topic = line.section(QLatin1Char(' '), 1, 1);
        const QJsonDocument message = QJsonDocument::fromJson(line.section(QLatin1Char(' '), 2).toUtf8());
        if (topic.isEmpty() || !message.isObject())
            return QStringLiteral("error: publish <topic> <JSON object>");
        return QStringLiteral("published to %1").arg(m_peer->publish(topic, message.object()));
    }
    if (command == QLatin1String("burst")) {
        bool valid = false;
        const int count = line.section(QLatin1Char(' '), 1, 1).toInt(&valid);
        const QString topic = line.section(QLatin1Char(' '), 2, 2);
        const QJsonDocument message = QJsonDocument::fromJson(line.section(QLatin1Char(' '), 3).toUtf8());
        if (!valid || count < 1 || topic.isEmpty() || !message.isObject())
            return QStringLiteral("error: burst <count> <topic> <JSON object>");
        int sent = 0;
        for (int i = 0; i < count; ++i)
            sent += m_peer->publish(topic, message.object());
        return QStringLiteral("published %1 messages").arg(sent);
    }
    if (command == QLatin1String("drop")) {
        m_peer->dropConnections();
        return QStringLiteral("dropped");
    }
    if (command == QLatin1String("freeze")) {
        m_peer->freezeConnections();
        return QStringLiteral("frozen");
    }
    if (command == QLatin1String("quit")) {
        emit quitRequested();
        return QStringLiteral("bye");
    }
    return QStringLiteral("error: unknown command %1").arg(command);
}
