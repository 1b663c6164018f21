#include "ToolchainPackage.h"

#include "ZipArchive.h"
#include "support/ExternalTools.h"
#include "support/ToolchainFixture.h"

#include <QBuffer>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

using ToolchainFixture::Entry;

namespace {

// Every file and folder below the folder, relative to it, sorted.
QStringList contentsOf(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(folder).relativeFilePath(it.next()));
    found.sort();
    return found;
}

} // namespace

// Unpacking the toolchain's ZIP archive: everything lands inside the target folder,
// whole, or the unpack fails.
class tst_ToolchainPackage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;

private slots:
    void initTestCase() { QVERIFY(m_work.isValid()); }

    // The entries as zip writes them: folders first, files below them.
    void archiveOfTheZipCommand()
    {
        const QByteArray big(ZipArchive::kChunkSize * 2 + 17, 'm');
        const QByteArray archive = ToolchainFixture::zipWithCli({{"installHalvoraToolchain.m", "disp('install')"},
                                                                 {"lib/blocks/gain.slx", "gain"},
                                                                 {"lib/big.mat", big},
                                                                 {"empty.m", ""}});
        QVERIFY(!archive.isEmpty());
        const auto zip = ZipArchive::openBuffer(archive.constData(), archive.size(), ZipArchive::OpenMode::ReadOnly);
        QVERIFY(zip);
        QStringList names;
        for (const ZipEntry &entry : zip->listEntries())
            names.append(QString::fromUtf8(entry.name));
        names.sort();
        QCOMPARE(names, (QStringList{"empty.m", "installHalvoraToolchain.m", "lib/", "lib/big.mat", "lib/blocks/",
                                     "lib/blocks/gain.slx"}));

        QTemporaryDir target(m_work.filePath(QStringLiteral("target-XXXXXX")));
        const ToolchainPackage::UnpackResult result = ToolchainPackage::unpack(archive, QDir(target.path()));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.filesWritten, 4);
        QCOMPARE(contentsOf(target.path()), (QStringList{"empty.m", "installHalvoraToolchain.m", "lib", "lib/big.mat",
                                                         "lib/blocks", "lib/blocks/gain.slx"}));
        QCOMPARE(ExternalTools::readFile(target.filePath(QStringLiteral("lib/big.mat"))), big);
        QCOMPARE(ExternalTools::readFile(target.filePath(QStringLiteral("lib/blocks/gain.slx"))), QByteArray("gain"));
    }

    // Entries written by another tool: names as they stand in the archive.
    void entryNames_data()
    {
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QStringList>("unpacked"); // empty: the unpack fails
        const QList<Entry> good{{"a.m", "a"}};
        QTest::newRow("file below a folder that has no entry")
            << QList<Entry>{{"deep/er/a.m", "a"}} << QStringList{"deep", "deep/er", "deep/er/a.m"};
        QTest::newRow("folder entry, then a file in it")
            << QList<Entry>{{"sub/", ""}, {"sub/a.m", "a"}} << QStringList{"sub", "sub/a.m"};
        QTest::newRow("dot segments") << QList<Entry>{{"./", ""}, {"./a.m", "a"}, {"b/./c.m", "c"}}
                                      << QStringList{"a.m", "b", "b/c.m"};
        QTest::newRow("parent folder") << QList<Entry>{{"a.m", "a"}, {"../evil.m", "x"}} << QStringList{};
        QTest::newRow("parent folder inside the name") << QList<Entry>{{"a/../../evil.m", "x"}} << QStringList{};
        QTest::newRow("parent folder alone") << QList<Entry>{{"..", "x"}} << QStringList{};
        QTest::newRow("folder entry of the parent") << QList<Entry>{{"../", ""}} << QStringList{};
        QTest::newRow("absolute name") << QList<Entry>{{"ABSOLUTE", "x"}} << QStringList{};
        QTest::newRow("backslashes") << QList<Entry>{{"..\\evil.m", "x"}} << QStringList{};
        QTest::newRow("drive letter") << QList<Entry>{{"C:/evil.m", "x"}} << QStringList{};
        QTest::newRow("symbolic link") << QList<Entry>{{"a.m", "a"}, {"link", "/etc/passwd", true}} << QStringList{};
        QTest::newRow("file through a symbolic link")
            << QList<Entry>{{"up", "..", true}, {"up/evil.m", "x"}} << QStringList{};
        QTest::newRow("two entries of one name") << QList<Entry>{{"a.m", "a"}, {"a.m", "b"}} << QStringList{};
        QTest::newRow("file where a folder must go") << QList<Entry>{{"a", "file"}, {"a/b.m", "b"}} << QStringList{};
    }
    void entryNames()
    {
        QFETCH(QList<Entry>, entries);
        QFETCH(QStringList, unpacked);
        // Outside the target, where a name that escapes would land.
        QTemporaryDir around(m_work.filePath(QStringLiteral("around-XXXXXX")));
        const QString target = around.filePath(QStringLiteral("in/target"));
        QVERIFY(QDir().mkpath(target));
        for (Entry &entry : entries)
            entry.name.replace(QLatin1String("ABSOLUTE"), around.filePath(QStringLiteral("evil.m")));
        const QByteArray archive = ToolchainFixture::zipWithPython(entries);
        QVERIFY(!archive.isEmpty());

        const ToolchainPackage::UnpackResult result = ToolchainPackage::unpack(archive, QDir(target));
        QCOMPARE(result.ok, !unpacked.isEmpty());
        if (result.ok)
            QCOMPARE(contentsOf(target), unpacked);
        else
            QVERIFY(!result.error.isEmpty());
        // Nothing ever lands beside the target.
        for (const QString &path : contentsOf(around.path()))
            QVERIFY2(path == "in" || path == "in/target" || path.startsWith("in/target/"), qPrintable(path));
    }

    // Bytes that are no whole, readable archive: the unpack fails and says why.
    void damagedArchives_data()
    {
        QTest::addColumn<QByteArray>("archive");
        const QByteArray good = ToolchainFixture::zipWithCli({{"a.m", QByteArray(5000, 'a')}, {"b.m", "b"}});
        // The first entry's data follows its local header, its name and its extra field.
        const auto u16 = [&good](int at) { return int(uchar(good.at(at))) | int(uchar(good.at(at + 1))) << 8; };
        const int data = 30 + u16(26) + u16(28);
        QByteArray flipped = good;
        flipped[data + 2] = char(flipped.at(data + 2) ^ 0x55);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("archive without files") << ToolchainFixture::zipWithPython({{"only/", ""}});
        QTest::newRow("no archive") << QByteArray("this is no zip archive at all");
        QTest::newRow("cut at the half") << good.left(good.size() / 2);
        QTest::newRow("directory cut off") << good.left(good.size() - 10);
        QTest::newRow("damaged data") << flipped;
        QTest::newRow("encrypted entries")
            << ToolchainFixture::zipWithCli({{"a.m", "a"}}, {QStringLiteral("-P"), QStringLiteral("secret")});
    }
    void damagedArchives()
    {
        QFETCH(QByteArray, archive);
        QTemporaryDir target(m_work.filePath(QStringLiteral("target-XXXXXX")));
        const ToolchainPackage::UnpackResult result = ToolchainPackage::unpack(archive, QDir(target.path()));
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
    }

    // An entry is read whole or not at all, in pieces no larger than asked for.
    void readingAnEntry()
    {
        const QByteArray content(1000, 'x');
        const QByteArray archive = ToolchainFixture::zipWithCli({{"a.m", content}});
        const auto zip = ZipArchive::openBuffer(archive.constData(), archive.size(), ZipArchive::OpenMode::ReadOnly);
        QVERIFY(zip);
        const ZipEntry entry = zip->listEntries().constFirst();
        QCOMPARE(entry.size, quint64(content.size()));

        QBuffer output;
        output.open(QIODevice::WriteOnly);
        QCOMPARE(zip->readEntryToStream(entry, output, 64), 0);
        QCOMPARE(output.data(), content);

        // A stream that takes nothing more.
        QBuffer closed;
        QVERIFY(zip->readEntryToStream(entry, closed) < 0);
        // An entry that claims more bytes than it holds.
        ZipEntry longer = entry;
        longer.size += 1;
        QBuffer more;
        more.open(QIODevice::WriteOnly);
        QVERIFY(zip->readEntryToStream(longer, more) < 0);
    }

    // The key and IV the openssl command encrypts with are the ones the program
    // decrypts with.
    void packageDecrypts()
    {
        const QByteArray archive = ToolchainFixture::zipWithCli({{"a.m", "a"}});
        const QByteArray package = ToolchainFixture::encrypt(archive);
        QCOMPARE(ToolchainPackage::key().size(), 32);
        QCOMPARE(ToolchainPackage::iv().size(), 16);
        QCOMPARE(ToolchainPackage::decrypt(package), archive);
        QVERIFY(ToolchainPackage::decrypt(package.left(package.size() - 1)).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ToolchainPackage)
#include "tst_ToolchainPackage.moc"
