#include "Readelf.h"

#include "support/ExternalTools.h"

#include <QRegularExpression>
#include "HalvoraTestPaths.h"

namespace Readelf {

namespace {

uint64_t number(const QString &text, int base)
{
    bool ok = false;
    const uint64_t value = text.toULongLong(&ok, base);
    return ok ? value : ~uint64_t(0);
}

QStringList outputLines(const QStringList &arguments)
{
    const ExternalTools::Run run = ExternalTools::run(QStringLiteral("readelf"), arguments);
    if (!run.ok())
        return {};
    return QString::fromUtf8(run.output).split(QLatin1Char('\n'));
}

} // namespace

QList<Segment> programHeaders(const QString &path)
{
    // "  LOAD           0x002000 0x60002000 0x60002000 0x00100 0x00100 R E 0x1000"
    static const QRegularExpression row(QStringLiteral(
        "^\\s+(\\S+)\\s+0x([0-9a-f]+)\\s+0x([0-9a-f]+)\\s+0x[0-9a-f]+\\s+0x([0-9a-f]+)\\s+0x([0-9a-f]+)\\s"));
    QList<Segment> segments;
    bool inTable = false;
    for (const QString &line : outputLines({QStringLiteral("-lW"), path})) {
        if (line.startsWith(QLatin1String("Program Headers:"))) {
            inTable = true;
            continue;
        }
        if (inTable && line.trimmed().isEmpty())
            break;
        const QRegularExpressionMatch match = row.match(line);
        if (inTable && match.hasMatch())
            segments.append({match.captured(1), number(match.captured(2), 16), number(match.captured(3), 16),
                             number(match.captured(4), 16), number(match.captured(5), 16)});
    }
    return segments;
}

std::optional<Section> section(const QString &path, const QString &name)
{
    // "  [ 3] .appinfo          PROGBITS        00000200 002200 000017 00      0   0  1"
    static const QRegularExpression row(
        QStringLiteral("^\\s+\\[\\s*(\\d+)\\]\\s+(\\S+)\\s+(\\S+)\\s+([0-9a-f]+)\\s+([0-9a-f]+)\\s+([0-9a-f]+)\\s"));
    for (const QString &line : outputLines({QStringLiteral("-SW"), path})) {
        const QRegularExpressionMatch match = row.match(line);
        if (match.hasMatch() && match.captured(2) == name)
            return Section{match.captured(1).toInt(),
                           name,
                           match.captured(3),
                           number(match.captured(4), 16),
                           number(match.captured(5), 16),
                           number(match.captured(6), 16)};
    }
    return std::nullopt;
}

} // namespace Readelf

QString elfFixture(const QString &fileName)
{
    return QStringLiteral(HALVORA_ELF_FIXTURE_DIR "/") + fileName;
}
