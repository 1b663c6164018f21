#include "DownloadStorage.h"

#include <QTest>

class tst_DownloadStorage : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv(DownloadStorage::kBaseVariable); }

    // Without configuration nothing real is reached: ".invalid" never resolves.
    void defaultNamesNoRealHost()
    {
        qunsetenv(DownloadStorage::kBaseVariable);
        QVERIFY(DownloadStorage::base().host().endsWith(QLatin1String(".invalid")));
        QCOMPARE(DownloadStorage::base().scheme(), QStringLiteral("https"));
        QCOMPARE(DownloadStorage::url().toString(), QStringLiteral("https://downloads.ostrel.invalid/halvora/"));
    }

    void fileUrls_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file name") << "http://127.0.0.1:8080/"
                                   << "versionInfo.data"
                                   << "http://127.0.0.1:8080/halvora/versionInfo.data";
        QTest::newRow("base without trailing slash") << "http://127.0.0.1:8080/store"
                                                     << "versionInfo.data"
                                                     << "http://127.0.0.1:8080/store/halvora/versionInfo.data";
        QTest::newRow("listed relative path") << "https://[::1]:9/"
                                              << "firmware/ZeltoOS_1.1.0.bin"
                                              << "https://[::1]:9/halvora/firmware/ZeltoOS_1.1.0.bin";
        QTest::newRow("leading slashes stay below the folder") << "http://127.0.0.1/a/"
                                                               << "//firmware/x.bin"
                                                               << "http://127.0.0.1/a/halvora/firmware/x.bin";
        QTest::newRow("space in a name") << "http://127.0.0.1/"
                                         << "firmware/a b.bin"
                                         << "http://127.0.0.1/halvora/firmware/a%20b.bin";
    }
    void fileUrls()
    {
        QFETCH(QString, base);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        qputenv(DownloadStorage::kBaseVariable, base.toUtf8());
        QCOMPARE(DownloadStorage::fileUrl(path).toString(QUrl::FullyEncoded), expected);
    }
};

QTEST_APPLESS_MAIN(tst_DownloadStorage)
#include "tst_DownloadStorage.moc"
