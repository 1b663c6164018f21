#include "LogCapture.h"

#include <QByteArray>
#include <QMutexLocker>

#include <atomic>

namespace {

std::atomic<LogCapture *> current{nullptr};

} // namespace

LogCapture::LogCapture(const char *category)
    : LogCapture([name = QByteArray(category)](QtMsgType, const QMessageLogContext &context, const QString &) {
        return context.category && name == context.category;
    })
{
}

LogCapture::LogCapture(Filter keep, Echo echo)
    : m_keep(std::move(keep))
    , m_echo(echo)
{
    current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    current = nullptr;
}

LogCapture::Filter LogCapture::everyLine()
{
    return [](QtMsgType, const QMessageLogContext &, const QString &) { return true; };
}

LogCapture::Filter LogCapture::ofType(QtMsgType wanted)
{
    return [wanted](QtMsgType type, const QMessageLogContext &, const QString &) { return type == wanted; };
}

QList<LogCapture::Line> LogCapture::entries() const
{
    QMutexLocker lock(&m_mutex);
    return m_entries;
}

QStringList LogCapture::lines() const
{
    QStringList texts;
    for (const Line &line : entries())
        texts << line.text;
    return texts;
}

qsizetype LogCapture::countStartingWith(const QString &start) const
{
    qsizetype n = 0;
    for (const QString &line : lines())
        n += line.startsWith(start) ? 1 : 0;
    return n;
}

void LogCapture::handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    LogCapture *self = current;
    if (!self)
        return;
    const bool kept = self->m_keep(type, context, text);
    if (kept) {
        QMutexLocker lock(&self->m_mutex);
        self->m_entries.append({type, text});
    }
    if ((!kept || self->m_echo == Echo::Yes) && self->m_previous)
        self->m_previous(type, context, text);
}
