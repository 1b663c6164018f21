#include "XdgKeyFile.h"

#include <algorithm>

namespace xdg {
namespace {

// The group named by a "[Group]" line.
std::optional<QString> groupHeader(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.size() < 2 || !trimmed.startsWith(QLatin1Char('[')) || !trimmed.endsWith(QLatin1Char(']')))
        return std::nullopt;
    return trimmed.mid(1, trimmed.size() - 2);
}

// The key of a "Key=Value" line; spaces around "=" do not count.
std::optional<QString> entryKey(const QString &line, QString *rawValue = nullptr)
{
    if (line.trimmed().startsWith(QLatin1Char('#')))
        return std::nullopt;
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return std::nullopt;
    if (rawValue) {
        qsizetype start = equals + 1;
        while (start < line.size() && (line.at(start) == QLatin1Char(' ') || line.at(start) == QLatin1Char('\t')))
            ++start;
        *rawValue = line.mid(start);
    }
    return line.left(equals).trimmed();
}

struct GroupRange
{
    qsizetype header = -1; // the "[Group]" line, -1 when the group is missing
    qsizetype end = 0;     // the next group's header, or the number of lines
};

GroupRange findGroup(const QStringList &lines, const QString &group)
{
    GroupRange range;
    range.end = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = groupHeader(lines.at(i));
        if (!name)
            continue;
        if (range.header >= 0) {
            range.end = i;
            break;
        }
        if (*name == group)
            range.header = i;
    }
    return range;
}

bool isReservedInExec(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

bool isEscapedInQuotes(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\');
}

} // namespace

std::optional<QString> keyFileValue(const QString &text, const QString &group, const QString &key)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    const GroupRange range = findGroup(lines, group);
    if (range.header < 0)
        return std::nullopt;
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        QString rawValue;
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (entryKey(line, &rawValue) == key)
            return unescapeKeyFileString(rawValue);
    }
    return std::nullopt;
}

QString withKeyFileValue(const QString &text, const QString &group, const QString &key, const QString &value)
{
    const QString line = key + QLatin1Char('=') + escapeKeyFileString(value);
    QStringList lines = text.split(QLatin1Char('\n'));
    const GroupRange range = findGroup(lines, group);
    if (range.header < 0) {
        QString appended = text;
        if (!appended.isEmpty() && !appended.endsWith(QLatin1Char('\n')))
            appended += QLatin1Char('\n');
        if (!appended.trimmed().isEmpty())
            appended += QLatin1Char('\n');
        return appended + QLatin1Char('[') + group + QStringLiteral("]\n") + line + QLatin1Char('\n');
    }
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        if (entryKey(lines.at(i)) == key) {
            lines[i] = line;
            return lines.join(QLatin1Char('\n'));
        }
    }
    // After the group's last entry, before the blank lines that part it from the next.
    qsizetype at = range.end;
    while (at > range.header + 1 && lines.at(at - 1).trimmed().isEmpty())
        --at;
    lines.insert(at, line);
    return lines.join(QLatin1Char('\n'));
}

QString escapeKeyFileString(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else if (c == QLatin1Char(' ') && i == 0) // a leading blank would be taken for spacing
            escaped += QStringLiteral("\\s");
        else
            escaped += c;
    }
    return escaped;
}

QString unescapeKeyFileString(const QString &value)
{
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            text += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            text += QLatin1Char(' ');
            break;
        case 'n':
            text += QLatin1Char('\n');
            break;
        case 't':
            text += QLatin1Char('\t');
            break;
        case 'r':
            text += QLatin1Char('\r');
            break;
        case '\\':
            text += QLatin1Char('\\');
            break;
        default: // not an escape of key files: kept for the Exec quoting rules
            text += c;
            text += next;
        }
    }
    return text;
}

QString execArgument(const QString &argument)
{
    QString doubled = argument;
    doubled.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (!doubled.isEmpty() && std::none_of(doubled.cbegin(), doubled.cend(), isReservedInExec))
        return doubled;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : std::as_const(doubled)) {
        if (isEscapedInQuotes(c))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

std::optional<QStringList> splitExec(const QString &exec)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size() && isEscapedInQuotes(exec.at(i + 1)))
                current += exec.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                current += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument)
                arguments += current;
            current.clear();
            inArgument = false;
        } else {
            inArgument = true;
            if (c == QLatin1Char('"'))
                quoted = true;
            else
                current += c;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        arguments += current;
    for (QString &argument : arguments)
        argument.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return arguments;
}

} // namespace xdg
