#include "AppBinTools.h"
#include "ElfImage.h"
#include "ElfLoading.h"

#include "support/ExternalTools.h"
#include "support/Readelf.h"
#include "support/ReferenceCrc.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

// The upload image a board receives, built from real ARM images that the ARM binutils
// link at build time. Expected images are put together here from what readelf reports
// and checked with the test's own CRC, never with the program's ELF reading.
class tst_UploadImage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static quint32 u32At(const QByteArray &bytes, qsizetype at)
    {
        return qFromLittleEndian<quint32>(bytes.constData() + at);
    }
    static void putU32(QByteArray &bytes, qsizetype at, quint32 value) { qToLittleEndian(value, bytes.data() + at); }
    static void putU16(QByteArray &bytes, qsizetype at, quint16 value) { qToLittleEndian(value, bytes.data() + at); }
    static QByteArray u32Bytes(quint32 value)
    {
        QByteArray bytes(4, '\0');
        putU32(bytes, 0, value);
        return bytes;
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        return ExternalTools::writeFile(path, bytes) ? path : QString();
    }

    // The image of the ELF file as the board format describes it, from readelf's view.
    static QByteArray expectedImage(const QString &elfPath, const QString &baseVersion, quint32 flags)
    {
        const QByteArray file = ExternalTools::readFile(elfPath);
        QList<Readelf::Segment> segments = Readelf::programHeaders(elfPath);
        const std::optional<Readelf::Section> appInfo = Readelf::section(elfPath, QStringLiteral(".appinfo"));
        const quint32 cut = appInfo ? quint32(appInfo->address) : 0;
        if (cut) {
            segments[0].offset += cut;
            segments[0].virtualAddress += cut;
            segments[0].fileSize -= cut;
            segments[0].memorySize -= cut;
        }
        QByteArray table;
        QByteArray data;
        quint32 offset = 52 + 16 * quint32(segments.size());
        for (const Readelf::Segment &segment : segments) {
            QByteArray bytes = file.mid(qsizetype(segment.offset), qsizetype(segment.fileSize));
            bytes = bytes.leftJustified(qsizetype(segment.memorySize), '\0', true);
            table += u32Bytes(offset) + u32Bytes(quint32(segment.virtualAddress))
                     + u32Bytes(quint32(segment.memorySize)) + u32Bytes(referenceCrc32Mpeg2(bytes));
            data += bytes;
            offset += quint32(segment.memorySize);
        }
        QByteArray header = u32Bytes(1) + baseVersion.toUtf8().left(16).leftJustified(16, '\0') + u32Bytes(flags)
                            + u32Bytes(cut) + QByteArray(16, '\0') + u32Bytes(quint32(segments.size()))
                            + u32Bytes(referenceCrc32Mpeg2(table));
        return header + table + data;
    }

    // A refusal: no image from the file, and the reason names what is wrong.
    void verifyRefused(const QByteArray &bytes, const QString &reason)
    {
        ElfImage elf;
        QString error;
        std::optional<QByteArray> image;
        if (loadElfFromImageOrArchive(elf, bytes, &error))
            image = AppBinTools::buildUploadImage(elf, QStringLiteral("1.0.0"), 0, &error);
        QVERIFY2(!image, "an image was built");
        QVERIFY2(error.contains(reason), qPrintable(error));

        const QString path = write(QStringLiteral("refused.elf"), bytes);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot be loaded|No upload image")));
        QVERIFY(AppBinTools().prepareBinary(path, QStringLiteral("1.0.0"), 0, 0).isNull());
    }

    // Program header `index` of a little-endian ELF32 file: field offsets of Elf32_Phdr.
    static qsizetype programHeader(const QByteArray &elf, int index) { return u32At(elf, 28) + 32 * index; }

    // An `ar` member built by hand, for archives ar itself would never write.
    static QByteArray arMember(const QByteArray &name, const QByteArray &data, const QByteArray &sizeField = {})
    {
        QByteArray header = name.leftJustified(16, ' ') + QByteArray("0").leftJustified(12, ' ')
                            + QByteArray("0").leftJustified(6, ' ') + QByteArray("0").leftJustified(6, ' ')
                            + QByteArray("644").leftJustified(8, ' ')
                            + (sizeField.isNull() ? QByteArray::number(data.size()) : sizeField).leftJustified(10, ' ')
                            + "`\n";
        return header + data + (data.size() % 2 ? "\n" : "");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QCOMPARE(referenceCrc32Mpeg2("123456789"), 0x0376E6E7u);
        QCOMPARE(Readelf::programHeaders(elfFixture(QStringLiteral("two_segments.elf"))).size(), 2);
    }

    void imageMatchesReadelf_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("headerLength");
        QTest::addColumn<QString>("elf");
        QTest::addColumn<QString>("baseVersion");
        QTest::addColumn<quint32>("flags");
        const QString two = QStringLiteral("two_segments.elf");
        QTest::newRow("two segments") << two << 0 << two << "1.2.3" << 0x5u;
        QTest::newRow("behind a 660-byte header") << two << 660 << two << "1.2.3" << 0x5u;
        QTest::newRow("behind a 352-byte header") << two << 352 << two << "1.2.3" << 0x5u;
        QTest::newRow("base version cut to 16 bytes") << two << 0 << two << "release-10.20.30-beta" << 0xFFFFFFFFu;
        QTest::newRow(".appinfo cut") << "appinfo.elf" << 0 << "appinfo.elf"
                                      << "2.0" << 0u;
        QTest::newRow("ar archive") << "two_segments.a" << 0 << two << "1.2.3" << 0x5u;
        QTest::newRow("ar archive, behind a member of odd size") << "behind_note.a" << 0 << two << "1.2.3" << 0x5u;
    }
    void imageMatchesReadelf()
    {
        QFETCH(QString, file);
        QFETCH(int, headerLength);
        QFETCH(QString, elf);
        QFETCH(QString, baseVersion);
        QFETCH(quint32, flags);

        QString path = elfFixture(file);
        if (headerLength > 0) {
            path = write(QStringLiteral("behind-header.bin"),
                         QByteArray(headerLength, '\xEE') + ExternalTools::readFile(path));
        }
        const QByteArray expected = expectedImage(elfFixture(elf), baseVersion, flags);
        const QSharedPointer<QBuffer> image = AppBinTools().prepareBinary(path, baseVersion, flags, headerLength);
        QVERIFY(image);
        QCOMPARE(image->data().size(), expected.size());
        QCOMPARE(image->data().toHex(), expected.toHex());
        QVERIFY(image->isOpen() && image->isReadable() && image->isWritable());
        QCOMPARE(image->pos(), image->size());
    }

    // The board's own numbers for the fixtures, so a wrong reading of readelf cannot hide a fault.
    void imageLayoutOfTheFixtures()
    {
        const QByteArray two = AppBinTools()
                                   .prepareBinary(elfFixture(QStringLiteral("two_segments.elf")),
                                                  QStringLiteral("1.2.3"), 0, 0)
                                   ->data();
        QCOMPARE(two.size(), 52 + 32 + 0x140);
        QCOMPARE(u32At(two, 44), 2u);
        QCOMPARE(u32At(two, 52 + 0), 84u);
        QCOMPARE(u32At(two, 52 + 4), 0x60002000u);
        QCOMPARE(u32At(two, 52 + 8), 0x100u);
        QCOMPARE(u32At(two, 68 + 0), 340u);
        QCOMPARE(u32At(two, 68 + 4), 0x20000000u);
        QCOMPARE(u32At(two, 68 + 8), 0x40u);
        // The data segment holds 8 bytes in the file; the rest of its memory is zeros,
        // and its checksum covers them.
        QCOMPARE(two.mid(340, 8), QByteArray::fromHex("4433221188776655"));
        QCOMPARE(two.mid(348), QByteArray(0x38, '\0'));
        QCOMPARE(u32At(two, 68 + 12), referenceCrc32Mpeg2(two.mid(340, 0x40)));
        QCOMPARE(u32At(two, 48), referenceCrc32Mpeg2(two.mid(52, 32)));

        const QString appInfoPath = elfFixture(QStringLiteral("appinfo.elf"));
        const QByteArray cut = AppBinTools().prepareBinary(appInfoPath, QStringLiteral("2.0"), 0, 0)->data();
        QCOMPARE(u32At(cut, 24), 0x200u);
        QCOMPARE(u32At(cut, 52 + 4), 0x1200u);
        QCOMPARE(u32At(cut, 52 + 8), 0x1200u);
        QCOMPARE(cut.size(), 52 + 16 + 0x1200);
        const QByteArray file = ExternalTools::readFile(appInfoPath);
        QCOMPARE(cut.mid(68, 0x1000), file.mid(0x1000 + 0x200, 0x1000));
        QCOMPARE(cut.mid(68 + 0x1000), QByteArray(0x200, '\0'));
    }

    void refusesDamagedImages_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = ExternalTools::readFile(elfFixture(QStringLiteral("two_segments.elf")));
        const qsizetype first = programHeader(good, 0);
        const qsizetype second = programHeader(good, 1);
        const auto changed = [&good](auto change) {
            QByteArray bytes = good;
            change(bytes);
            return bytes;
        };

        QTest::newRow("empty") << QByteArray() << "no ELF image";
        QTest::newRow("three bytes of the magic") << QByteArray("\x7F"
                                                                "EL")
                                                  << "no ELF image";
        QTest::newRow("wrong magic") << changed([](QByteArray &b) { b[1] = 'F'; }) << "no ELF image";
        QTest::newRow("cut inside the program headers") << good.left(60) << "";
        QTest::newRow("cut inside the segment data") << good.left(0x1004) << "";
        QTest::newRow("segment offset past the end")
            << changed([&](QByteArray &b) { putU32(b, first + 4, quint32(good.size()) + 0x100); })
            << "runs past the end";
        QTest::newRow("segment file size past the end")
            << changed([&](QByteArray &b) { putU32(b, second + 16, 0x10000); }) << "runs past the end";
        QTest::newRow("segment offset and size wrapping") << changed([&](QByteArray &b) {
            putU32(b, second + 4, 0xFFFFFFF0u);
            putU32(b, second + 16, 0x20);
        }) << "runs past the end";
        QTest::newRow("memory size 0xFFFFFFF0")
            << changed([&](QByteArray &b) { putU32(b, first + 20, 0xFFFFFFF0u); }) << "larger than";
        QTest::newRow("memory sizes adding up past the limit") << changed([&](QByteArray &b) {
            putU32(b, first + 20, 40 << 20);
            putU32(b, second + 20, 40 << 20);
        }) << "larger than";
        QTest::newRow("program header count past the end")
            << changed([](QByteArray &b) { putU16(b, 44, 0xFFFE); }) << "program header";
        QTest::newRow("no program headers")
            << changed([](QByteArray &b) { putU16(b, 44, 0); }) << "no loadable segment";
        QTest::newRow("no loadable segment") << changed([&](QByteArray &b) {
            putU32(b, first, 4); // PT_NOTE
            putU32(b, second, 4);
        }) << "no loadable segment";
        QTest::newRow("segment overlapping the ELF header")
            << changed([&](QByteArray &b) { putU32(b, first + 4, 0); }) << "overlaps the ELF file header";
        QTest::newRow("section headers past the end")
            << changed([&](QByteArray &b) { putU32(b, 32, quint32(good.size()) - 8); }) << "section headers";
        QTest::newRow("section names in a missing section")
            << changed([](QByteArray &b) { putU16(b, 50, 200); }) << "section";

        const QString appInfoPath = elfFixture(QStringLiteral("appinfo.elf"));
        const QByteArray appInfo = ExternalTools::readFile(appInfoPath);
        const qsizetype appInfoHeader = u32At(appInfo, 32)
                                        + 40 * Readelf::section(appInfoPath, QStringLiteral(".appinfo"))->index;
        QByteArray appInfoPastEnd = appInfo;
        putU32(appInfoPastEnd, appInfoHeader + 16, quint32(appInfo.size()) - 4); // sh_offset
        QTest::newRow(".appinfo past the end") << appInfoPastEnd << ".appinfo";
        QTest::newRow(".appinfo address beyond the first segment")
            << ExternalTools::readFile(elfFixture(QStringLiteral("appinfo_inside.elf"))) << ".appinfo";
    }
    void refusesDamagedImages()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        verifyRefused(bytes, reason);
    }

    void archiveScan_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<bool>("found");
        const QByteArray elf = ExternalTools::readFile(elfFixture(QStringLiteral("two_segments.elf")));
        const QByteArray start = "!<arch>\n";
        QByteArray fiveBefore = start;
        for (int i = 0; i < 5; ++i)
            fiveBefore += arMember("note" + QByteArray::number(i) + "/", "text");
        QTest::newRow("image as the sixth member") << fiveBefore + arMember("app.elf/", elf) << true;
        QTest::newRow("image as the seventh member")
            << fiveBefore + arMember("note5/", "text") + arMember("app.elf/", elf) << false;
        QTest::newRow("global header only") << start << false;
        QTest::newRow("member header cut") << start + arMember("app.elf/", elf).left(40) << false;
        QTest::newRow("size not a number") << start + arMember("app.elf/", elf, "12x4") << false;
        QTest::newRow("size past the end") << start + arMember("app.elf/", elf, "9999999999") << false;
        QByteArray noEnd = start + arMember("app.elf/", elf);
        noEnd[8 + 58] = ' ';
        QTest::newRow("member header without its end") << noEnd << false;
        QTest::newRow("no ELF member") << start + arMember("a/", "one") + arMember("b/", "two") << false;
    }
    void archiveScan()
    {
        QFETCH(QByteArray, archive);
        QFETCH(bool, found);
        ElfImage elf;
        QString error;
        QCOMPARE(loadElfFromImageOrArchive(elf, archive, &error), found);
        if (found)
            QCOMPARE(elf.segments().size(), 2);
        else
            QVERIFY(!error.isEmpty());
    }

    void imageOutsideTheFile_data()
    {
        QTest::addColumn<int>("headerLength");
        QTest::newRow("negative") << -1;
        QTest::newRow("past the end") << 100000;
        QTest::newRow("at a byte that is no image") << 1;
    }
    void imageOutsideTheFile()
    {
        QFETCH(int, headerLength);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot be loaded")));
        QVERIFY(AppBinTools()
                    .prepareBinary(elfFixture(QStringLiteral("two_segments.elf")), QStringLiteral("1"), 0, headerLength)
                    .isNull());
    }

    void isElfFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("elf");
        QTest::newRow("ELF image") << ExternalTools::readFile(elfFixture(QStringLiteral("two_segments.elf"))) << true;
        QTest::newRow("the magic alone") << QByteArray("\x7F"
                                                       "ELF")
                                         << true;
        QTest::newRow("three bytes") << QByteArray("\x7F"
                                                   "EL")
                                     << false;
        QTest::newRow("application file") << QByteArray(".AppFile") + QByteArray(652, '\0') << false;
        QTest::newRow("ar archive") << ExternalTools::readFile(elfFixture(QStringLiteral("two_segments.a"))) << false;
    }
    void isElfFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, elf);
        QCOMPARE(::isElfFile(write(QStringLiteral("probe"), bytes)), elf);
        QVERIFY(!::isElfFile(m_dir.filePath(QStringLiteral("missing"))));
    }
};

QTEST_GUILESS_MAIN(tst_UploadImage)
#include "tst_UploadImage.moc"
