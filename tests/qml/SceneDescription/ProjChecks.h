#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <cmath>
#include <limits>
#include "HalvoraTestPaths.h"

// The check points that PROJ computed (data/proj-checks.csv, made by
// data/make-proj-checks.sh): the rows of one kind, with their numbers by column.
struct ProjCheck
{
    QString line;         // for naming test rows
    QList<double> values; // p1 p2 p3 p4 in1 in2 in3 out1 out2 out3; empty columns NaN

    double p(int i) const { return values.at(i - 1); }
    double in(int i) const { return values.at(4 + i - 1); }
    double out(int i) const { return values.at(7 + i - 1); }
};

inline QList<ProjCheck> projChecks(const QString &kind)
{
    QFile file(QStringLiteral(HALVORA_TEST_DATA_DIR "/proj-checks.csv"));
    QList<ProjCheck> checks;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return checks;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() != 11 || fields.first() != kind)
            continue;
        ProjCheck check{line, {}};
        for (qsizetype i = 1; i < fields.size(); ++i) {
            bool ok = false;
            const double value = fields.at(i).toDouble(&ok);
            check.values << (ok ? value : std::numeric_limits<double>::quiet_NaN());
        }
        checks << check;
    }
    return checks;
}

// Metres on the ground between two nearby geographic positions (a local flat-earth
// measure, ample for differences of millimetres).
inline double groundDistance(double latitude1, double longitude1, double latitude2, double longitude2)
{
    constexpr double metresPerDegree = 6378137.0 * 3.14159265358979323846 / 180;
    double dLongitude = std::remainder(longitude1 - longitude2, 360.0);
    const double dx = dLongitude * metresPerDegree * std::cos(latitude1 * 3.14159265358979323846 / 180);
    const double dy = (latitude1 - latitude2) * metresPerDegree;
    return std::hypot(dx, dy);
}
