#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;
class QTextStream;
class RosBridgePeer;

// Commands to a running peer, one per line on standard input:
//   publish <topic> <JSON object>   the message to the topic's subscribers
//   burst <count> <topic> <JSON object>   the message count times in a row
//   drop                            closes every connection abruptly
//   freeze                          stops reading every connection (no pongs, no answers)
//   quit                            ends the program
// Each command is answered with one line on standard output.
class PeerConsole : public QObject
{
    Q_OBJECT

public:
    PeerConsole(RosBridgePeer *peer, QObject *parent = nullptr);
    ~PeerConsole() override;

signals:
    void quitRequested();

private:
    void readLine();
    QString execute(const QString &line);

    RosBridgePeer *m_peer;
    QSocketNotifier *m_notifier;
    QTextStream *m_input;
};
