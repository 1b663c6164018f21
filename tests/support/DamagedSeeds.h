#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

// Feeds a harness the seed files of a folder, each cut at every length, then damaged
// 300 times at one to four random places: a random byte or one of `alphabet`, the
// format's own characters, so that the damage keeps the text close to the format.
// Returns how many seeds were fed, or -1 when one of them could not be read.
template<typename Feed>
int feedDamagedSeeds(const QString &folder, const QByteArray &alphabet, QRandomGenerator &random, Feed feed)
{
    const QDir seeds(folder);
    const QStringList names = seeds.entryList(QDir::Files);
    for (const QString &name : names) {
        QFile file(seeds.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray original = file.readAll();
        for (qsizetype length = 0; length <= original.size(); ++length)
            feed(original, length);
        for (int round = 0; round < 300; ++round) {
            QByteArray damaged = original;
            for (int change = 0, changes = 1 + random.bounded(4); change < changes; ++change) {
                const qsizetype at = random.bounded(damaged.size());
                damaged[at] = random.bounded(2) ? char(random.bounded(256)) : alphabet[random.bounded(alphabet.size())];
            }
            feed(damaged, damaged.size());
        }
    }
    return int(names.size());
}
