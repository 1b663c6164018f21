#include "UriDistributor.h"

#include <QSignalSpy>
#include <QTest>

// The commands that "halvora:" links carry, how their items are read, and the links
// that are dropped.
class tst_UriDistributor : public QObject
{
    Q_OBJECT

private slots:
    void uploadCommands_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QVariantList>("emitted"); // empty: nothing
        QTest::newRow("only the file") << "halvora:upload_app?file=/tmp/a.hapbf"
                                       << QVariantList{"/tmp/a.hapbf", "N/A", "", "", 0};
        QTest::newRow("every item") << "halvora:upload_app?file=a.elf&version=2.1&build=77&boardType=zelto&flags=5"
                                    << QVariantList{"a.elf", "2.1", "77", "zelto", 5};
        QTest::newRow("file and version fully decoded")
            << "halvora:upload_app?file=%2Fhome%2Fu%2Fa%20b%25.hapbf&version=1.0%2B2%25"
            << QVariantList{"/home/u/a b%.hapbf", "1.0+2%", "", "", 0};
        QTest::newRow("build and board type keep what the pretty form keeps")
            << "halvora:upload_app?file=a&build=a%2Bb%20c%2F%25&boardType=Z%C3%A9lto%3Bx%26y"
            << QVariantList{"a", "N/A", "a%2Bb c%2F%25", "Z\u00e9lto%3Bx&y", 0};
        QTest::newRow("flags above 2147483647 arrive negative")
            << "halvora:upload_app?file=a&flags=4294967295" << QVariantList{"a", "N/A", "", "", -1};
        QTest::newRow("flags that are no number read as 0")
            << "halvora:upload_app?file=a&flags=-3x" << QVariantList{"a", "N/A", "", "", 0};
        QTest::newRow("an empty file is still a file")
            << "halvora:upload_app?file=" << QVariantList{"", "N/A", "", "", 0};
        QTest::newRow("no query") << "halvora:upload_app" << QVariantList{};
        QTest::newRow("no file item") << "halvora:upload_app?version=1&files=a" << QVariantList{};
    }
    void uploadCommands()
    {
        QFETCH(QString, uri);
        QFETCH(QVariantList, emitted);
        UriDistributor distributor;
        QSignalSpy upload(&distributor, &UriDistributor::AppBinManagerUriReceived);
        QSignalSpy toolchain(&distributor, &UriDistributor::InstallToolchainUriReceived);
        if (emitted.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, "query file not set");
        distributor.urlReceived(QUrl(uri));
        QCOMPARE(toolchain.size(), 0);
        QCOMPARE(upload.size(), emitted.isEmpty() ? 0 : 1);
        if (!emitted.isEmpty())
            QCOMPARE(upload.first(), emitted);
    }

    void toolchainCommands_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QVariantList>("emitted");
        QTest::addColumn<QString>("warning");
        QTest::newRow("install") << "halvora:install_tc?version=R2023b&progress=40&flags=1&msg=Unpacking%20files"
                                 << QVariantList{"R2023b", "Unpacking files", 40, 1, false} << QString();
        QTest::newRow("uninstall without a message") << "halvora:uninstall_tc?version=1.2&progress=100&flags=0"
                                                     << QVariantList{"1.2", "", 100, 0, true} << QString();
        QTest::newRow("empty values are present values")
            << "halvora:install_tc?version=&progress=&flags=" << QVariantList{"", "", 0, 0, false} << QString();
        QTest::newRow("version and message pretty-decoded")
            << "halvora:install_tc?version=1%2B2&progress=1&flags=0&msg=50%25%20done"
            << QVariantList{"1%2B2", "50%25 done", 1, 0, false} << QString();
        QTest::newRow("without flags") << "halvora:install_tc?version=1&progress=5" << QVariantList{}
                                       << "query flags not set";
        QTest::newRow("without progress")
            << "halvora:uninstall_tc?version=1&flags=5" << QVariantList{} << "query progress not set";
        QTest::newRow("without anything") << "halvora:install_tc" << QVariantList{} << "query version not set";
    }
    void toolchainCommands()
    {
        QFETCH(QString, uri);
        QFETCH(QVariantList, emitted);
        QFETCH(QString, warning);
        UriDistributor distributor;
        QSignalSpy upload(&distributor, &UriDistributor::AppBinManagerUriReceived);
        QSignalSpy toolchain(&distributor, &UriDistributor::InstallToolchainUriReceived);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        distributor.urlReceived(QUrl(uri));
        QCOMPARE(upload.size(), 0);
        QCOMPARE(toolchain.size(), emitted.isEmpty() ? 0 : 1);
        if (!emitted.isEmpty())
            QCOMPARE(toolchain.first(), emitted);
    }

    // Links that carry no command of ours: dropped, with a warning for a foreign scheme.
    void dropped_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<bool>("foreignScheme");
        QTest::newRow("another scheme") << "http://example.org/upload_app?file=a" << true;
        QTest::newRow("no scheme") << "upload_app?file=a" << true;
        QTest::newRow("the command as the host") << "halvora://upload_app?file=a" << false;
        QTest::newRow("an unknown command") << "halvora:format_board?file=a" << false;
        QTest::newRow("a command in another letter case") << "halvora:Upload_App?file=a" << false;
        QTest::newRow("a command with a trailing slash") << "halvora:upload_app/?file=a" << false;
    }
    void dropped()
    {
        QFETCH(QString, uri);
        QFETCH(bool, foreignScheme);
        UriDistributor distributor;
        QSignalSpy upload(&distributor, &UriDistributor::AppBinManagerUriReceived);
        QSignalSpy toolchain(&distributor, &UriDistributor::InstallToolchainUriReceived);
        if (foreignScheme)
            QTest::ignoreMessage(QtWarningMsg, "invalid url scheme passed to application, check if service is calling "
                                               "halvora correctly");
        else
            QTest::failOnWarning(QRegularExpression(".*"));
        distributor.urlReceived(QUrl(uri));
        QCOMPARE(upload.size() + toolchain.size(), 0);
    }

    // The scheme itself is case-insensitive: QUrl lower-cases it.
    void schemeInCapitals()
    {
        UriDistributor distributor;
        QSignalSpy upload(&distributor, &UriDistributor::AppBinManagerUriReceived);
        distributor.urlReceived(QUrl(QStringLiteral("HALVORA:upload_app?file=a")));
        QCOMPARE(upload.size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_UriDistributor)
#include "tst_UriDistributor.moc"
