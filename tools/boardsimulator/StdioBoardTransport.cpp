#include "StdioBoardTransport.h"

#include "BoardLink.h"
#include "BoardSimulator.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

StdioBoardTransport::StdioBoardTransport(BoardSimulator *board, BoardLinkType linkType, QObject *parent)
    : QObject(parent)
    , m_board(board)
    , m_link(board->attachLink(linkType))
    , m_notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(m_link, &BoardLink::sendToHost, this, [this](const QByteArray &bytes, bool) { writeOutput(bytes); });
    connect(m_notifier, &QSocketNotifier::activated, this, &StdioBoardTransport::readInput);
}

StdioBoardTransport::~StdioBoardTransport()
{
    m_board->detachLink(m_link);
}

void StdioBoardTransport::readInput()
{
    char buffer[4096];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count > 0) {
        m_link->receiveStream(QByteArray(buffer, qsizetype(count)));
        return;
    }
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    m_notifier->setEnabled(false);
    emit finished();
}

void StdioBoardTransport::writeOutput(const QByteArray &bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(STDOUT_FILENO, bytes.constData() + written, size_t(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            emit finished();
            return;
        }
        written += count;
    }
}
