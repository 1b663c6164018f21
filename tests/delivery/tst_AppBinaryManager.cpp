#include "AppBinaryManager.h"
#include "AppFile.h"
#include "ErrorHandler.h"
#include "ExtendedDeviceType.h"

#include "support/AppFileBytes.h"
#include "support/BinaryListRig.h"
#include "support/ExternalTools.h"
#include "support/Readelf.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The binary list without a board: what reaches it from each source, the duplicate
// rules, the folder it follows, removing, sorting and filtering, and the values it
// derives from the board.
class tst_AppBinaryManager : public QObject
{
    Q_OBJECT

    QTemporaryDir m_outside; // where files come from
    QByteArray m_elf;

    static QString elf(const QString &name = QStringLiteral("two_segments")) { return elfFixture(name + ".elf"); }

    // An application file outside the binaries folder.
    QString outsideApplicationFile(const QString &name, const QByteArray &buildId, const QByteArray &appName)
    {
        AppFileBytes::Fields fields;
        fields.buildId = buildId;
        fields.appName = appName;
        fields.targetTypeIndex = 0;
        const QString path = m_outside.filePath(name);
        return ExternalTools::writeFile(path, AppFileBytes::applicationFile(fields, m_elf)) ? path : QString();
    }

private slots:
    void initTestCase()
    {
        m_elf = ExternalTools::readFile(elf());
        QVERIFY(m_elf.startsWith("\x7F"
                                 "ELF"));
    }

    void init() { BinaryListRig::emptyTrash(); }

    // Each way a binary arrives lists it once, as a file of the binaries folder, and
    // with no board the user is asked to connect one.
    void importsFromEverySource_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("applicationName");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("selected");
        QTest::newRow("ELF from the file dialog") << "dialog elf"
                                                  << "two_segments"
                                                  << ""
                                                  << "two_segments[].hapbf" << false;
        QTest::newRow("application file from the file dialog") << "dialog hapbf"
                                                               << "balancer"
                                                               << "release 1.4.2-rc1"
                                                               << "balancer[release 1.4.2-rc1].hapbf" << false;
        QTest::newRow("ELF from a link") << "link"
                                         << "two_segments"
                                         << "release 2.0.1"
                                         << "two_segments[release 2.0.1].hapbf" << false;
        QTest::newRow("link without version") << "link N/A"
                                              << "two_segments"
                                              << "N/A"
                                              << "two_segments[N_A].hapbf" << false;
        QTest::newRow("application file from the list screen") << "screen"
                                                               << "balancer"
                                                               << "release 1.4.2-rc1"
                                                               << "balancer[release 1.4.2-rc1].hapbf" << true;
    }
    void importsFromEverySource()
    {
        QFETCH(QString, source);
        QFETCH(QString, applicationName);
        QFETCH(QString, version);
        QFETCH(QString, fileName);
        QFETCH(bool, selected);
        BinaryListRig rig;
        const QString hapbf = outsideApplicationFile(QStringLiteral("balancer.hapbf"), "id-1", "balancer");
        QSignalSpy listChanged(rig.manager.get(), &AppBinaryManager::AppBinaryListChanged);

        if (source == QLatin1String("dialog elf"))
            rig.manager->pushElfBinaryFromFile(elf());
        else if (source == QLatin1String("dialog hapbf"))
            rig.manager->pushElfBinaryFromFile(hapbf);
        else if (source == QLatin1String("link"))
            rig.manager->pushElfBinaryFromUri(elf(), version, QStringLiteral("b1"), QStringLiteral("Tavrin"), 7);
        else if (source == QLatin1String("link N/A"))
            rig.manager->pushElfBinaryFromUri(elf(), version, QString(), QString(), 0);
        else
            rig.manager->importAppBinary(QUrl::fromLocalFile(hapbf));

        QCOMPARE(rig.count(), 1);
        AppFile *file = rig.at(0);
        QCOMPARE(file->getApplicationName(), applicationName);
        QCOMPARE(file->getAppVersionNumber(), version);
        QCOMPARE(file->getSelected(), selected);
        QCOMPARE(rig.binaryFiles(), QStringList{fileName});
        QCOMPARE(file->filePath(), rig.binaries().absoluteFilePath(fileName));
        if (source == QLatin1String("link")) {
            QCOMPARE(file->buildId(), QByteArray("b1"));
            QCOMPARE(file->getDeviceType(), QStringLiteral("Tavrin"));
            QCOMPARE(file->flags(), 7u);
        }
        if (source != QLatin1String("screen"))
            QVERIFY(listChanged.size() >= 1);
        // The source itself is left alone.
        QVERIFY(QFile::exists(elf()) && QFile::exists(hapbf));

        QCOMPARE(rig.manager->uploadFlowState(), AppBinaryManager::WaitingForDevice);
        QVERIFY(rig.prompt());
        QCOMPARE(rig.prompt()->getTitle(), QStringLiteral("Connect device to upload model"));
        QCOMPARE(
            rig.prompt()->getMessage(),
            QStringLiteral("A model is available for uploading. Connect a supported device to upload this model."));
        QCOMPARE(rig.prompt()->getOrigin(), QStringLiteral("Binary list"));
        QCOMPARE(rig.prompt()->getLevel(), halvora::ErrorLevel::Info);
        QVERIFY(!rig.prompt()->property("buttonEnabled").toBool());
        QCOMPARE(rig.manager->pendingAppFile(), file);
    }

    // What is neither an ELF image nor an application file is not listed, and adds nothing to the folder.
    void refusesWhatIsNoBinary_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << QByteArray("just some text\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("application file magic only") << QByteArray(".AppFile");
        QTest::newRow("application file header cut short") << AppFileBytes::applicationFile({}).left(300);
    }
    void refusesWhatIsNoBinary()
    {
        QFETCH(QByteArray, bytes);
        BinaryListRig rig;
        const QString path = m_outside.filePath(QStringLiteral("junk.hapbf"));
        QVERIFY(ExternalTools::writeFile(path, bytes));
        rig.manager->pushElfBinaryFromFile(path);
        rig.manager->importAppBinary(QUrl::fromLocalFile(path));
        rig.manager->pushElfBinaryFromFile(m_outside.filePath(QStringLiteral("missing.elf")));
        QCOMPARE(rig.count(), 0);
        QCOMPARE(rig.manager->notificationKey(), 0);
        QVERIFY(rig.binaryFiles().isEmpty());
    }

    // A second binary with the build ID of a listed one is refused, and its new copy
    // goes to the trash; binaries without a build ID and a listed file imported again
    // are not duplicates.
    void duplicates_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("withDataFolder");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QStringList>("trashed");
        QTest::addColumn<bool>("warned");
        QTest::newRow("same build ID by link")
            << "link b1" << true << 1 << QStringList{"two_segments[2.0]-1.hapbf"} << true;
        QTest::newRow("same build ID from the screen")
            << "screen b1" << true << 1 << QStringList{"balancer[release 1.4.2-rc1].hapbf"} << true;
        QTest::newRow("another build ID") << "link b2" << true << 2 << QStringList() << false;
        QTest::newRow("same full-length build ID from the screen")
            << "screen full" << true << 1 << QStringList{"balancer[release 1.4.2-rc1].hapbf"} << true;
        QTest::newRow("both without build ID") << "link none" << true << 2 << QStringList() << false;
        QTest::newRow("the listed file again") << "listed file" << true << 1 << QStringList() << false;
        QTest::newRow("same build ID before the list is ready") << "link b1" << false << 2 << QStringList() << false;
    }
    void duplicates()
    {
        QFETCH(QString, second);
        QFETCH(bool, withDataFolder);
        QFETCH(int, listed);
        QFETCH(QStringList, trashed);
        QFETCH(bool, warned);
        BinaryListRig rig(withDataFolder);
        QCOMPARE(rig.manager->isReady(), withDataFolder);
        const QByteArray fullId = "0123456789abcdef0123456789abcdef"; // fills the header's field
        const QByteArray firstId = second == QLatin1String("link none")     ? QByteArray()
                                   : second == QLatin1String("screen full") ? fullId
                                                                            : QByteArray("b1");
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("2.0"), QString::fromLatin1(firstId), QString());
        QCOMPARE(rig.count(), 1);
        const QString firstPath = rig.at(0)->filePath();
        ErrorHandler::instance()->clearNotifications();
        QTest::qWait(0);

        if (second == QLatin1String("link b1"))
            rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("2.0"), QStringLiteral("b1"), QString());
        else if (second == QLatin1String("link b2"))
            rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("2.0"), QStringLiteral("b2"), QString());
        else if (second == QLatin1String("link none"))
            rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("2.0"), QString(), QString());
        else if (second == QLatin1String("screen full"))
            rig.manager->importAppBinary(QUrl::fromLocalFile(outsideApplicationFile(QStringLiteral("balancer.hapbf"),
                                                                                    fullId, "balancer")));
        else if (second == QLatin1String("screen b1"))
            rig.manager->importAppBinary(QUrl::fromLocalFile(outsideApplicationFile(QStringLiteral("balancer.hapbf"),
                                                                                    "b1", "balancer")));
        else
            rig.manager->importAppBinary(QUrl::fromLocalFile(firstPath));

        QCOMPARE(rig.count(), listed);
        QCOMPARE(BinaryListRig::trashed(), trashed);
        QVERIFY(QFile::exists(firstPath));
        QCOMPARE(rig.at(0)->filePath(), firstPath);
        QCOMPARE(rig.binaryFiles().size(), listed);
        const bool sawWarning = BinaryListRig::titles().contains(QStringLiteral("Importing binary failed"));
        QCOMPARE(sawWarning, warned);
        if (warned) {
            const AbstractNotification *warning = ErrorHandler::instance()->getNotificationList().constFirst();
            QCOMPARE(warning->getMessage(), QStringLiteral("Could not add the binary into the binary list. This "
                                                           "binary is already added to the binary list"));
            QCOMPARE(warning->getLevel(), halvora::ErrorLevel::Warning);
            QCOMPARE(warning->getOrigin(), QStringLiteral("Binary list"));
        }
        if (second == QLatin1String("listed file"))
            QVERIFY(rig.at(0)->getSelected());
    }

    // Files that arrive or go outside the program join or leave the list without a
    // prompt, and no number of rescans leaves objects behind.
    void followsTheFolder()
    {
        BinaryListRig rig;
        QVERIFY(rig.manager->isWatching());
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1.0"), QStringLiteral("b1"), QString());
        QCOMPARE(rig.count(), 1);
        ErrorHandler::instance()->clearNotifications();
        QTRY_COMPARE(rig.manager->notificationKey(), 0);
        AppFile *pushed = rig.at(0);
        pushed->setSelected(true);

        QVERIFY(QFile::copy(outsideApplicationFile(QStringLiteral("from outside.hapbf"), "b2", "copied"),
                            rig.binaries().filePath(QStringLiteral("from outside.hapbf"))));
        QTRY_COMPARE(rig.count(), 2);
        QCOMPARE(rig.applicationNames(), (QStringList{"copied", "two_segments"}));
        QCOMPARE(rig.manager->notificationKey(), 0);
        QVERIFY(BinaryListRig::titles().isEmpty());
        // The entry that stayed is the same, with its selection.
        QVERIFY(rig.manager->appFiles()->indexOf(pushed) >= 0);
        QVERIFY(pushed->getSelected());

        // A duplicate that arrives from outside is listed too: only the program's own
        // imports are checked. A push after the rescan still is.
        QVERIFY(QFile::copy(outsideApplicationFile(QStringLiteral("twin.hapbf"), "b2", "twin"),
                            rig.binaries().filePath(QStringLiteral("twin.hapbf"))));
        QTRY_COMPARE(rig.count(), 3);
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1.0"), QStringLiteral("b2"), QString());
        QCOMPARE(rig.count(), 3);
        QVERIFY(BinaryListRig::titles().contains(QStringLiteral("Importing binary failed")));
        QTRY_COMPARE(rig.count(), 3);

        // An ELF image under the name of an application file is left alone: it is not
        // imported into the folder it already lies in.
        const QStringList filesBefore = rig.binaryFiles();
        QVERIFY(QFile::copy(elf(), rig.binaries().filePath(QStringLiteral("stray.hapbf"))));
        QTest::qWait(300);
        rig.manager->handleFolderChanged();
        QCOMPARE(rig.count(), 3);
        QStringList expected = filesBefore;
        expected << QStringLiteral("stray.hapbf");
        expected.sort();
        QCOMPARE(rig.binaryFiles(), expected);
        QVERIFY(QFile::remove(rig.binaries().filePath(QStringLiteral("stray.hapbf"))));

        QVERIFY(QFile::remove(rig.binaries().filePath(QStringLiteral("from outside.hapbf"))));
        QTRY_COMPARE(rig.count(), 2);
        QCOMPARE(rig.applicationNames(), (QStringList{"twin", "two_segments"}));

        // Rescans keep no objects of their own.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto objects = [&] { return rig.manager->findChildren<AppFile *>().size(); };
        const qsizetype before = objects();
        QCOMPARE(before, 2);
        for (int i = 0; i < 20; ++i)
            rig.manager->handleFolderChanged();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(objects(), before);
        QCOMPARE(rig.count(), 2);
    }

    // A file replaced under the same name is read again.
    void rereadsAReplacedFile()
    {
        BinaryListRig rig;
        const QString inside = rig.binaries().filePath(QStringLiteral("model.hapbf"));
        QVERIFY(QFile::copy(outsideApplicationFile(QStringLiteral("a.hapbf"), "b1", "first"), inside));
        QTRY_COMPARE(rig.count(), 1);
        QCOMPARE(rig.at(0)->getApplicationName(), QStringLiteral("first"));
        AppFileBytes::Fields fields;
        fields.appName = "second";
        const QString replacement = m_outside.filePath(QStringLiteral("b.hapbf"));
        QVERIFY(ExternalTools::writeFile(replacement,
                                         AppFileBytes::applicationFile(fields, m_elf + QByteArray(100, 'x'))));
        QVERIFY(QFile::remove(inside) && QFile::copy(replacement, inside));
        QTRY_COMPARE(rig.count() == 1 ? rig.at(0)->getApplicationName() : QString(), QStringLiteral("second"));
    }

    void withoutTheDataFolder()
    {
        BinaryListRig rig(false);
        QVERIFY(!rig.manager->isReady());
        QVERIFY(!rig.manager->isWatching());
        QCOMPARE(rig.count(), 0);
        rig.manager->pushElfBinaryFromFile(elf());
        QCOMPARE(rig.count(), 1);
        QCOMPARE(rig.manager->notificationKey(), 0); // no prompts either
    }

    // Deleting a row's file, and removing them all: the files go to the trash and the
    // entries leave.
    void removal()
    {
        BinaryListRig rig;
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1"), QStringLiteral("b1"), QString());
        rig.manager->pushElfBinaryFromUri(elf(QStringLiteral("appinfo")), QStringLiteral("2"), QStringLiteral("b2"),
                                          QString());
        rig.manager->pushElfBinaryFromUri(elf(QStringLiteral("appinfo_inside")), QStringLiteral("3"),
                                          QStringLiteral("b3"), QString());
        QCOMPARE(rig.count(), 3);

        AppFile *first = rig.at(0);
        const QString firstName = QFileInfo(first->filePath()).fileName();
        first->deleteAppFile();
        QCOMPARE(rig.count(), 2);
        QCOMPARE(BinaryListRig::trashed(), QStringList{firstName});

        QSignalSpy listChanged(rig.manager.get(), &AppBinaryManager::AppBinaryListChanged);
        rig.manager->removeAll();
        QCOMPARE(rig.count(), 0);
        QVERIFY(rig.binaryFiles().isEmpty());
        QCOMPARE(BinaryListRig::trashed().size(), 3);
        QVERIFY(!listChanged.isEmpty());
        // The folder is still followed.
        QVERIFY(QFile::copy(outsideApplicationFile(QStringLiteral("late.hapbf"), "b9", "late"),
                            rig.binaries().filePath(QStringLiteral("late.hapbf"))));
        QTRY_COMPARE(rig.count(), 1);
    }

    void sortsAndFilters()
    {
        BinaryListRig rig;
        // Three sizes: the ELF fixtures differ in length.
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1"), QStringLiteral("b1"), QString());
        rig.manager->pushElfBinaryFromUri(elf(QStringLiteral("appinfo")), QStringLiteral("2"), QStringLiteral("b2"),
                                          QString());
        rig.manager->pushElfBinaryFromUri(elf(QStringLiteral("appinfo_inside")), QStringLiteral("3"),
                                          QStringLiteral("b3"), QString());
        QSortFilterProxyModel *list = rig.manager->getAppBinaryList();
        const auto column = [&](const char *role) {
            QList<QVariant> values;
            const int r = rig.manager->appFiles()->roleForName(role);
            for (int row = 0; row < list->rowCount(); ++row)
                values << list->index(row, 0).data(r);
            return values;
        };
        const auto sizes = [&] {
            QList<qint64> values;
            for (const QVariant &v : column("fileSizeBytes"))
                values << v.toLongLong();
            return values;
        };

        rig.manager->setSortColumn("fileSizeBytes", Qt::AscendingOrder);
        QList<qint64> ascending = sizes();
        QVERIFY(std::is_sorted(ascending.cbegin(), ascending.cend()));
        rig.manager->setSortColumn("fileSizeBytes", Qt::DescendingOrder);
        QList<qint64> descending = sizes();
        QVERIFY(std::is_sorted(descending.crbegin(), descending.crend()));
        QVERIFY(ascending != descending);

        rig.manager->setFilterQuery(QStringLiteral("APPINFO"));
        QCOMPARE(list->rowCount(), 2);
        rig.manager->setFilterQuery(QStringLiteral("*inside*"));
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(column("applicationName"), QList<QVariant>{QStringLiteral("appinfo_inside")});
        rig.manager->setFilterQuery(QString());
        QCOMPARE(list->rowCount(), 3);
        // A name that is no role sorts by the display role, the file name.
        rig.manager->setSortColumn("noSuchRole", Qt::AscendingOrder);
        QCOMPARE(list->index(0, 0).data(Qt::DisplayRole).toString(), QStringLiteral("appinfo[2]"));
    }

    void binaryNameByBuildId_data()
    {
        QTest::addColumn<QByteArray>("buildId");
        QTest::addColumn<QString>("name");
        QTest::newRow("listed") << QByteArray("b2") << "appinfo";
        QTest::newRow("not listed") << QByteArray("b9") << "";
        QTest::newRow("a prefix is no match") << QByteArray("b") << "";
        QTest::newRow("empty matches no binary without one") << QByteArray() << "";
    }
    void binaryNameByBuildId()
    {
        QFETCH(QByteArray, buildId);
        QFETCH(QString, name);
        BinaryListRig rig;
        rig.manager->pushElfBinaryFromUri(elf(), QStringLiteral("1"), QString(), QString());
        rig.manager->pushElfBinaryFromUri(elf(QStringLiteral("appinfo")), QStringLiteral("2"), QStringLiteral("b2"),
                                          QString());
        QCOMPARE(rig.manager->getBinaryNameByBuildID(buildId), name);
    }

    void showsTheFolder()
    {
        BinaryListRig rig;
        QList<QUrl> opened;
        rig.manager->setFolderOpener([&](const QUrl &url) {
            opened << url;
            return true;
        });
        QCOMPARE(rig.manager->openExplorerWindowBinaries(), 1);
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(rig.manager->binariesFolder())});
        rig.manager->setFolderOpener([](const QUrl &) { return false; });
        QCOMPARE(rig.manager->openExplorerWindowBinaries(), 0);
    }

    void targetTypeOfBoard_data()
    {
        QTest::addColumn<int>("extendedType");
        QTest::addColumn<int>("index");
        QTest::newRow("no shield") << int(ostdevice::NoShield) << 3;
        QTest::newRow("last shield") << int(ostdevice::ShieldX9) << 3;
        QTest::newRow("industrial") << int(ostdevice::Industrial) << 4;
        QTest::newRow("evaluation kit") << int(ostdevice::EVK) << 1;
        QTest::newRow("development board") << int(ostdevice::ZeltoDevboard) << 2;
        QTest::newRow("Tavrin") << int(ostdevice::Tavrin) << 5;
        QTest::newRow("Tavrin 1.4") << int(ostdevice::Tavrin_v1_4) << 5;
        QTest::newRow("Kiro") << int(ostdevice::Kiro_v1_0) << 5;
        QTest::newRow("rugged") << int(ostdevice::Rugged) << 6;
        QTest::newRow("Bexlin") << int(ostdevice::Bexlin) << 7;
        QTest::newRow("test board") << int(ostdevice::TestBoard) << 0;
        QTest::newRow("CES") << int(ostdevice::Zelto_CES) << 0;
        QTest::newRow("read error") << int(ostdevice::ReadError) << 0;
        QTest::newRow("test extension") << int(ostdevice::KestraTestExtension) << 0;
        QTest::newRow("beyond") << 23 << 0;
    }
    void targetTypeOfBoard()
    {
        QFETCH(int, extendedType);
        QFETCH(int, index);
        QCOMPARE(AppBinaryManager::targetTypeIndexOfBoard(extendedType), index);
    }

    void firmwareNumber_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("number");
        QTest::newRow("three parts") << "2.5.0" << 0;
        QTest::newRow("two parts") << "2.5" << 0;
        QTest::newRow("a number") << "7" << 7;
        QTest::newRow("undefined") << "Undefined" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void firmwareNumber()
    {
        QFETCH(QString, version);
        QFETCH(int, number);
        QCOMPARE(AppBinaryManager::firmwareNumberOf(version), number);
    }

    void autoUploadSetting()
    {
        BinaryListRig rig;
        QVERIFY(rig.manager->getAutoUploadState());
        QSignalSpy changed(rig.manager.get(), &AppBinaryManager::AutoUploadStateChanged);
        rig.manager->setProperty("autoUploadState", false);
        rig.manager->setAutoUpload(false);
        QCOMPARE(changed.size(), 2); // also when unchanged
        QVERIFY(!rig.manager->getAutoUploadState());
    }
};

QTEST_GUILESS_MAIN(tst_AppBinaryManager)
#include "tst_AppBinaryManager.moc"
