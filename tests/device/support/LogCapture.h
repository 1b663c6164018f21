#pragma once

#include <QByteArray>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Records the messages of one logging category while it lives; they are kept here
// instead of printed (a link that retries logs a lot). Messages of other categories
// go on to the handler installed before (the test framework's).
class LogCapture
{
public:
    explicit LogCapture(const char *category)
        : m_category(category)
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    qsizetype count(const QString &line) const { return lines().count(line); }
    qsizetype countStartingWith(const QString &start) const
    {
        qsizetype n = 0;
        for (const QString &line : lines())
            n += line.startsWith(start) ? 1 : 0;
        return n;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        LogCapture *self = s_current;
        if (!self)
            return;
        if (context.category && self->m_category == context.category) {
            QMutexLocker lock(&self->m_mutex);
            self->m_lines << text;
            return;
        }
        if (self->m_previous)
            self->m_previous(type, context, text);
    }

    inline static LogCapture *s_current = nullptr;
    QByteArray m_category;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_lines;
};
