#include "LogFileNames.h"

namespace logname {

bool isSafeComponent(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')
            || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

int counter(const QString &name)
{
    const qsizetype open = name.indexOf(QLatin1Char('['));
    const qsizetype close = name.indexOf(QLatin1Char(']'));
    if (open < 0 || close <= open)
        return 0;
    bool ok = false;
    const int value = name.mid(open + 1, close - open - 1).toInt(&ok, 10);
    return ok ? value : 0;
}

QDateTime creationDate(const QString &name)
{
    return QDateTime::fromString(name.right(23).left(19), QStringLiteral("yyyy-MM-dd_hh-mm-ss"));
}

QString modelName(const QString &name)
{
    return name.section(QLatin1Char('_'), 1, -4).replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString sizeText(qint64 bytes)
{
    static constexpr struct
    {
        qint64 divisor;
        const char *suffix;
    } units[] = {{qint64(1) << 30, "GiB"}, {qint64(1) << 20, "MiB"}, {qint64(1) << 10, "KiB"}, {1, "B"}};
    for (const auto &unit : units) {
        if (bytes / unit.divisor >= 1)
            return QString::number(bytes / unit.divisor) + QLatin1String(unit.suffix);
    }
    return QStringLiteral("0B");
}

} // namespace logname
