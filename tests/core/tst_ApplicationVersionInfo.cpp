#include "ApplicationVersionInfo.h"

#include <QtEndian>
#include <QTest>

namespace {

QByteArray makeFixedBlock(quint32 productMs, quint32 productLs, qsizetype size = 52, quint32 signature = 0xFEEF04BD)
{
    QByteArray block(size, '\0');
    if (size >= 24) {
        qToLittleEndian<quint32>(signature, block.data());
        qToLittleEndian<quint32>(productMs, block.data() + 16);
        qToLittleEndian<quint32>(productLs, block.data() + 20);
    }
    return block;
}

} // namespace

class tst_ApplicationVersionInfo : public QObject
{
    Q_OBJECT

private slots:
    void fixedBlock_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("patch");
        QTest::newRow("1.2.3, low word of LS unused") << makeFixedBlock(0x00010002, 0x00030004) << true << 1 << 2 << 3;
        QTest::newRow("large numbers") << makeFixedBlock(0xFFFF0010, 0x00200000) << true << 65535 << 16 << 32;
        QTest::newRow("51 bytes") << makeFixedBlock(0x00010002, 0x00030004, 51) << false << 0 << 0 << 0;
        QTest::newRow("53 bytes") << makeFixedBlock(0x00010002, 0x00030004, 53) << false << 0 << 0 << 0;
        QTest::newRow("wrong signature") << makeFixedBlock(0x00010002, 0x00030004, 52, 0x12345678) << false << 0 << 0
                                         << 0;
        QTest::newRow("empty") << QByteArray() << false << 0 << 0 << 0;
    }
    void fixedBlock()
    {
        QFETCH(QByteArray, block);
        QFETCH(bool, accepted);
        const auto version = parseFixedVersionBlock(block);
        QCOMPARE(version.has_value(), accepted);

        const GeneratedVersionRecord record{
            nullptr,     nullptr, nullptr, nullptr,
            nullptr,     nullptr, nullptr, reinterpret_cast<const unsigned char *>(block.constData()),
            block.size()};
        const ApplicationVersionInfo info = readApplicationVersionInfo(&record);
        QTEST(int(info.major), "major");
        QTEST(int(info.minor), "minor");
        QTEST(int(info.patch), "patch");
        QCOMPARE(QByteArray(info.fileVersion), QByteArray()); // missing strings read as empty
    }

    void missingRecordGivesEmptyVersion()
    {
        const ApplicationVersionInfo info = readApplicationVersionInfo(nullptr);
        QCOMPARE(QString::fromUtf8(info.fileVersion), QString());
        QCOMPARE(info.major, 0);
        QCOMPARE(info.minor, 0);
        QCOMPARE(info.patch, 0);
    }

    void generatedRecordOfThisBuild()
    {
        const ApplicationVersionInfo &info = applicationVersionInfo();
        QCOMPARE(QByteArray(info.productName), QByteArray("Halvora Lab"));
        QCOMPARE(QByteArray(info.fileVersion), QByteArray("1.0.0.0"));
        QCOMPARE(info.major, 1);
        QCOMPARE(info.minor, 0);
        QCOMPARE(info.patch, 0);
        QCOMPARE(&applicationVersionInfo(), &info); // read once
    }
};

QTEST_GUILESS_MAIN(tst_ApplicationVersionInfo)
#include "tst_ApplicationVersionInfo.moc"
