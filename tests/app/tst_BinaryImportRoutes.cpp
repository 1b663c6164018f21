#include "AppBinaryManager.h"
#include "AppFile.h"
#include "FileDialogHandler.h"
#include "main_Application.h"

#include "support/Readelf.h"

#include <QApplication>
#include <QFile>
#include <QQmlContext>
#include <QTemporaryDir>
#include <QTest>

// The roads by which binaries reach the binary list in the running program: a
// "halvora:upload_app" link and a file chosen in the file dialog.
class tst_BinaryImportRoutes : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // The ELF fixture under a name with characters that travel percent-encoded.
    QString awkwardlyNamedElf()
    {
        const QString path = m_dir.filePath(QStringLiteral("my model [v2] & co.elf"));
        if (!QFile::exists(path))
            QFile::copy(elfFixture(QStringLiteral("two_segments.elf")), path);
        return path;
    }

private slots:
    void binManagerForQml()
    {
        main_Application app(nullptr, qApp);
        QVERIFY(app.appBinaryManager());
        QCOMPARE(app.appBinaryManager()->parent(), &app);
        QCOMPARE(app.engine().rootContext()->contextProperty(QStringLiteral("binManager")).value<QObject *>(),
                 app.appBinaryManager());
    }

    void routes_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QByteArray>("buildId");
        QTest::addColumn<QString>("deviceType");
        QTest::addColumn<quint32>("flags");
        QTest::newRow("link with every item") << "link"
                                              << "release 2.0 (beta)" << QByteArray("0a1b") << "Zelto Rugged" << 5u;
        QTest::newRow("link with the file only") << "link file only"
                                                 << "N/A" << QByteArray() << "Unknown" << 0u;
        QTest::newRow("ELF from the file dialog") << "dialog"
                                                  << "" << QByteArray() << "Unknown" << 0u;
    }
    void routes()
    {
        QFETCH(QString, route);
        QFETCH(QString, version);
        QFETCH(QByteArray, buildId);
        QFETCH(QString, deviceType);
        QFETCH(quint32, flags);
        main_Application app(nullptr, qApp);
        AppBinaryManager *manager = app.appBinaryManager();
        manager->removeAll();
        QCOMPARE(manager->appFiles()->count(), 0);
        const QString elf = awkwardlyNamedElf();
        const QByteArray file = QUrl::toPercentEncoding(elf);
        if (route == QLatin1String("link"))
            app.uriReceived(QUrl(QStringLiteral("halvora:upload_app?file=%1&version=%2&build=0a1b&boardType="
                                                "Zelto_Rugged&flags=5")
                                     .arg(QString::fromLatin1(file),
                                          QString::fromLatin1(QUrl::toPercentEncoding(version)))));
        else if (route == QLatin1String("link file only"))
            app.uriReceived(QUrl(QStringLiteral("halvora:upload_app?file=") + QString::fromLatin1(file)));
        else
            app.fileDialogHandler()->fileDialogUrlReceived(QUrl::fromLocalFile(elf));

        QCOMPARE(manager->appFiles()->count(), 1);
        const AppFile *listed = manager->appFiles()->at(0);
        QCOMPARE(listed->getApplicationName(), QStringLiteral("my model [v2] & co"));
        QCOMPARE(listed->getAppVersionNumber(), version);
        QCOMPARE(listed->buildId(), buildId);
        QCOMPARE(listed->getDeviceType(), deviceType);
        QCOMPARE(listed->flags(), flags);
        QVERIFY(QFile::exists(listed->filePath()));
        QCOMPARE(QFileInfo(listed->filePath()).absolutePath(), manager->binariesFolder());
    }
};

QTEST_MAIN(tst_BinaryImportRoutes)
#include "tst_BinaryImportRoutes.moc"
