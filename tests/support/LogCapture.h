#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// Records log lines while it lives, instead of printing them (a link that retries
// logs a lot). It keeps the lines its filter accepts; the others go on to the
// handler installed before (the test framework's). Install it inside a test
// function or initTestCase, after the framework has installed its own handler.
class LogCapture
{
public:
    struct Line
    {
        QtMsgType type;
        QString text;
    };
    using Filter = std::function<bool(QtMsgType type, const QMessageLogContext &context, const QString &text)>;
    // Whether the kept lines also go on to the handler before.
    enum class Echo { No, Yes };

    // The lines of one logging category.
    explicit LogCapture(const char *category);
    explicit LogCapture(Filter keep, Echo echo = Echo::No);
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    static Filter everyLine();
    static Filter ofType(QtMsgType type);

    QList<Line> entries() const;
    QStringList lines() const;
    qsizetype count(const QString &line) const { return lines().count(line); }
    qsizetype countStartingWith(const QString &start) const;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text);

    Filter m_keep;
    Echo m_echo;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QList<Line> m_entries;
};
