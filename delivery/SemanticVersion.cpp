#include "SemanticVersion.h"

#include <QRegularExpression>

void SemanticVersion::parse(const QString &text, SemanticVersion &version)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<major>\d+)\.(?<minor>\d+)(\.(?<patch>\d+))?([+-].*)?)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return;
    const auto store = [&match](const QString &group, int &field) {
        if (match.hasCaptured(group))
            field = match.captured(group).toInt(nullptr, 10);
    };
    store(QStringLiteral("major"), version.major);
    store(QStringLiteral("minor"), version.minor);
    store(QStringLiteral("patch"), version.patch);
}

SemanticVersion SemanticVersion::parse(const QString &text)
{
    SemanticVersion version;
    parse(text, version);
    return version;
}

bool SemanticVersion::compare(const SemanticVersion &a, const SemanticVersion &b)
{
    return a < b;
}
