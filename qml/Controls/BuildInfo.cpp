#include "BuildInfo.h"

QDateTime BuildInfo::buildDateTime() const
{
    return parseBuildText(buildText());
}

QString BuildInfo::buildText()
{
    return QStringLiteral(__DATE__ " " __TIME__);
}

QDateTime BuildInfo::parseBuildText(const QString &text)
{
    // The month names of the compiler's date are English whatever the locale;
    // QDateTime::fromString reads "MMM" in English too.
    return QDateTime::fromString(text.simplified(), QStringLiteral("MMM d yyyy hh:mm:ss"));
}
