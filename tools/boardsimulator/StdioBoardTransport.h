#pragma once

#include "BoardSettings.h"

#include <QObject>

class BoardLink;
class BoardSimulator;
class QSocketNotifier;

// Carries one link of the board over the process's standard input and output:
// the host's frames come in on stdin, the board's go out on stdout. The process
// ends when stdin closes.
class StdioBoardTransport : public QObject
{
    Q_OBJECT

public:
    StdioBoardTransport(BoardSimulator *board, BoardLinkType linkType, QObject *parent = nullptr);
    ~StdioBoardTransport() override;

signals:
    void finished();

private:
    void readInput();
    void writeOutput(const QByteArray &bytes);

    BoardSimulator *m_board;
    BoardLink *m_link;
    QSocketNotifier *m_notifier;
};
