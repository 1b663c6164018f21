#include "AppBinTools.h"
#include "AppFile.h"
#include "AppFileHeader.h"
#include "ErrorHandler.h"

#include "support/AppFileBytes.h"
#include "support/ExternalTools.h"
#include "support/Readelf.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Application binaries in the binaries folder: importing ELF files, copying in
// application files from elsewhere, tags, renaming, deleting, the fit to the
// connected board and the start of flashing.
class tst_AppFile : public QObject
{
    Q_OBJECT

private:
    struct Notice
    {
        QString title;
        QString message;
        QString origin;
        halvora::ErrorLevel level;
    };

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QObject> m_owner;
    QString m_folder;  // the binaries folder
    QString m_outside; // somewhere else
    qint32 m_boardFirmware = 0;
    qint32 m_boardTarget = 0;
    QByteArray m_boardBuildId;
    QByteArray m_elf;

    static QString elfPath() { return elfFixture(QStringLiteral("two_segments.elf")); }

    AppFile *make(const QString &source, const QString &version = QStringLiteral("1.0.0"),
                  const QString &boardType = QStringLiteral("Unknown"), quint32 flags = 0,
                  const QString &buildId = QString())
    {
        return new AppFile(m_owner.get(), source, version, buildId, boardType, flags, m_folder, m_boardFirmware,
                           m_boardTarget, m_boardBuildId);
    }

    // An application file around the ELF fixture, written to `folder`.
    QString writeApplicationFile(const QString &folder, const QString &name, const AppFileBytes::Fields &fields,
                                 const QByteArray &image = {})
    {
        const QString path = QDir(folder).filePath(name);
        const QByteArray bytes = AppFileBytes::applicationFile(fields, image.isNull() ? m_elf : image);
        return ExternalTools::writeFile(path, bytes) ? path : QString();
    }

    static QList<Notice> notices()
    {
        QList<Notice> list;
        for (const AbstractNotification *n : ErrorHandler::instance()->getNotificationList())
            list.append({n->getTitle(), n->getMessage(), n->getOrigin(), n->getLevel()});
        return list;
    }

    static std::optional<AppFileHeader> headerOf(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return AppFileHeader::read(file);
    }

    QStringList folderEntries() const { return QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private slots:
    void initTestCase()
    {
        m_elf = ExternalTools::readFile(elfPath());
        QVERIFY(m_elf.startsWith("\x7F"
                                 "ELF"));
    }

    void init()
    {
        ErrorHandler::instance()->clearNotifications();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_folder = m_dir->filePath(QStringLiteral("AppBinaries"));
        m_outside = m_dir->filePath(QStringLiteral("Downloads"));
        QVERIFY(QDir().mkpath(m_folder) && QDir().mkpath(m_outside));
        m_owner = std::make_unique<QObject>();
        m_boardFirmware = 0;
        m_boardTarget = 0;
        m_boardBuildId.clear();
    }

    void importsAnElf_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("expectedFile");
        QTest::addColumn<QString>("baseVersion");
        QTest::addColumn<QString>("applicationName");
        const QString beta = QStringLiteral("release 1.2.3-beta");
        QTest::newRow("first import") << beta << QStringList() << "model[release 1.2.3-beta].hapbf"
                                      << "1.2.3"
                                      << "model";
        QTest::newRow("name taken") << beta << QStringList{"model[release 1.2.3-beta].hapbf"}
                                    << "model[release 1.2.3-beta]-1.hapbf"
                                    << "1.2.3"
                                    << "model-1";
        QTest::newRow("two names taken")
            << beta << QStringList{"model[release 1.2.3-beta].hapbf", "model[release 1.2.3-beta]-1.hapbf"}
            << "model[release 1.2.3-beta]-2.hapbf"
            << "1.2.3"
            << "model-2";
        QTest::newRow("two numbers") << "v2.7 nightly" << QStringList() << "model[v2.7 nightly].hapbf"
                                     << "2.7"
                                     << "model";
        QTest::newRow("no version number") << "nightly" << QStringList() << "model[nightly].hapbf"
                                           << ""
                                           << "model";
        // The command URI's default version; its "/" must not make a path.
        QTest::newRow("N/A") << "N/A" << QStringList() << "model[N_A].hapbf"
                             << ""
                             << "model";
        QTest::newRow("a path out of the folder") << "../../1.0.0" << QStringList() << "model[.._.._1.0.0].hapbf"
                                                  << "1.0.0"
                                                  << "model";
        QTest::newRow("characters no file name holds")
            << "1.0\\2:3*?\"<>|\t" << QStringList() << "model[1.0_2_3_______].hapbf"
            << "1.0"
            << "model";
    }
    void importsAnElf()
    {
        QFETCH(QString, version);
        QFETCH(QStringList, present);
        QFETCH(QString, expectedFile);
        QFETCH(QString, baseVersion);
        QFETCH(QString, applicationName);
        for (const QString &name : present)
            QVERIFY(ExternalTools::writeFile(QDir(m_folder).filePath(name), "taken"));
        const QString source = QDir(m_outside).filePath(QStringLiteral("model.elf"));
        QVERIFY(QFile::copy(elfPath(), source));

        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        AppFile *file = make(source, version, QStringLiteral("Zelto_Rugged"), 0x13, QStringLiteral("abc"));
        QVERIFY(file->isValid());
        QVERIFY(notices().isEmpty());
        const QString path = QDir(m_folder).filePath(expectedFile);
        QCOMPARE(file->filePath(), path);
        QCOMPARE(folderEntries().size(), present.size() + 1);
        QCOMPARE(file->getFileName(), QFileInfo(expectedFile).completeBaseName());
        QCOMPARE(file->getApplicationName(), applicationName);
        QCOMPARE(file->getBaseAppVersionNumber(), baseVersion);
        QCOMPARE(file->getAppVersionNumber(), version);
        QCOMPARE(file->getDeviceType(), QStringLiteral("Zelto Rugged"));
        QCOMPARE(file->getFileSizeBytes(), 660 + m_elf.size());
        QCOMPARE(ExternalTools::readFile(source), m_elf); // the source stays as it was

        const QByteArray written = ExternalTools::readFile(path);
        QCOMPARE(written.size(), 660 + m_elf.size());
        QVERIFY(written.sliced(660) == m_elf);
        const std::optional<AppFileHeader> header = headerOf(path);
        QVERIFY(header);
        QCOMPARE(header->version, 3u);
        QCOMPARE(header->appVersion, version); // the text as given, path characters and all
        QCOMPARE(header->baseVersion, baseVersion);
        QCOMPARE(header->appName, applicationName);
        QCOMPARE(header->flags, 0x13u);
        QCOMPARE(header->flagsLow, 0x3u);
        QCOMPARE(header->firmwareNumber, 0);
        QCOMPARE(header->targetTypeIndex, 6);
        QCOMPARE(header->buildId, QByteArray("abc").leftJustified(32, '\0'));
        QVERIFY(header->createDate >= before && header->createDate <= QDateTime::currentDateTime());
    }

    void importIntoAMissingFolderFails()
    {
        m_folder = m_dir->filePath(QStringLiteral("missing"));
        AppFile *file = make(elfPath());
        QVERIFY(!file->isValid());
        const QList<Notice> list = notices();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].title, QStringLiteral("Importing binary failed"));
        QCOMPARE(list[0].message, QStringLiteral("Could not add the binary into the binary list."));
        QCOMPARE(list[0].origin, QStringLiteral("Binary list"));
        QCOMPARE(list[0].level, halvora::ErrorLevel::Warning);
        QVERIFY(!QFileInfo::exists(m_folder));
    }

    void copiesAnApplicationFileIn_data()
    {
        QTest::addColumn<quint32>("version");
        QTest::addColumn<QString>("sourceName");
        QTest::addColumn<QString>("copyName");
        QTest::addColumn<QString>("applicationName");
        QTest::addColumn<QString>("deviceType");
        QTest::newRow("version 1") << 1u << "tracker.hapbf"
                                   << "tracker[1.4.2].hapbf"
                                   << "tracker"
                                   << "Unknown";
        QTest::newRow("version 2") << 2u << "tracker.hapbf"
                                   << "tracker[1.4.2].hapbf"
                                   << "tracker"
                                   << "Zelto Rugged";
        QTest::newRow("version 3, version in the name") << 3u << "balancer[release 1.4.2-rc1].hapbf"
                                                        << "balancer[release 1.4.2-rc1].hapbf"
                                                        << "balancer"
                                                        << "Zelto Rugged";
    }
    void copiesAnApplicationFileIn()
    {
        QFETCH(quint32, version);
        QFETCH(QString, sourceName);
        QFETCH(QString, copyName);
        QFETCH(QString, applicationName);
        QFETCH(QString, deviceType);
        AppFileBytes::Fields fields;
        fields.version = version;
        const QString source = writeApplicationFile(m_outside, sourceName, fields);
        const QByteArray original = ExternalTools::readFile(source);

        AppFile *file = make(source, QStringLiteral("ignored"), QStringLiteral("Bexlin"));
        QVERIFY(file->isValid());
        const QString copy = QDir(m_folder).filePath(copyName);
        QCOMPARE(file->filePath(), copy);
        QCOMPARE(file->getFileName(), copyName); // after a copy the name keeps its extension
        QCOMPARE(ExternalTools::readFile(source), original);
        QCOMPARE(file->getApplicationName(), applicationName);
        QCOMPARE(file->getDeviceType(), deviceType);
        QCOMPARE(file->getAppVersionNumber(),
                 version == 3 ? QStringLiteral("release 1.4.2-rc1") : QStringLiteral("1.4.2"));
        QCOMPARE(file->getTag1(), QStringLiteral("first"));
        QCOMPARE(file->getTag4(), QStringLiteral("fourth"));
        QCOMPARE(file->firmwareNumber(), 7);
        const QDateTime created = QDateTime(QDate(2024, 1, 3), QTime(10, 20, 30), Qt::UTC).toLocalTime();
        QCOMPARE(file->getCreateDate(), created);
        QCOMPARE(file->getCreateDateString(), created.toString(QStringLiteral("dd-MM-yyyy")));
        QCOMPARE(file->getCreateTimeString(), created.toString(QStringLiteral("hh:mm")));

        // The copy carries a version-3 header and the unchanged image behind it.
        const QByteArray copied = ExternalTools::readFile(copy);
        QCOMPARE(copied.size(), 660 + m_elf.size());
        QVERIFY(copied.sliced(660) == m_elf);
        QCOMPARE(file->headerLength(), 660u);
        QCOMPARE(file->getFileSizeBytes(), copied.size());
        const std::optional<AppFileHeader> header = headerOf(copy);
        QVERIFY(header);
        QCOMPARE(header->version, 3u);
        QCOMPARE(header->tags[1], QStringLiteral("second"));
        QCOMPARE(header->appName, applicationName);
        QCOMPARE(header->targetTypeIndex, version == 1 ? 0 : 6);
    }

    void fileInTheFolderStaysWhereItIs()
    {
        const QString path = writeApplicationFile(m_folder, QStringLiteral("balancer[release 1.4.2-rc1].hapbf"), {});
        AppFile *file = make(path);
        QVERIFY(file->isValid());
        QCOMPARE(file->filePath(), path);
        QCOMPARE(file->getFileName(), QStringLiteral("balancer[release 1.4.2-rc1]"));
        QCOMPARE(folderEntries().size(), 1);
    }

    void copyOntoAnExistingFileFails()
    {
        const QString source = writeApplicationFile(m_outside, QStringLiteral("balancer[release 1.4.2-rc1].hapbf"), {});
        QVERIFY(ExternalTools::writeFile(QDir(m_folder).filePath(QStringLiteral("balancer[release 1.4.2-rc1].hapbf")),
                                         "kept"));
        AppFile *file = make(source);
        QVERIFY(!file->isValid());
        QCOMPARE(notices().size(), 1);
        QCOMPARE(notices()[0].title, QStringLiteral("Importing binary failed"));
        QCOMPARE(ExternalTools::readFile(QDir(m_folder).filePath(QStringLiteral("balancer[release 1.4.2-rc1].hapbf"))),
                 QByteArray("kept"));
    }

    void notAnApplicationFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << QByteArray("just some text, longer than twenty-four bytes");
        QTest::newRow("three bytes") << QByteArray("\x7F"
                                                   "EL");
        QByteArray magic = AppFileBytes::applicationFile({});
        magic[0] = ',';
        QTest::newRow("wrong magic") << magic;
        QByteArray length = AppFileBytes::applicationFile({});
        AppFileBytes::putInt<quint32>(length, 20, 0xFFFFFFFFu);
        QTest::newRow("header length 0xFFFFFFFF") << length;
    }
    void notAnApplicationFile()
    {
        QFETCH(QByteArray, bytes);
        const QString path = QDir(m_outside).filePath(QStringLiteral("odd.hapbf"));
        QVERIFY(ExternalTools::writeFile(path, bytes));
        AppFile *file = make(path);
        QVERIFY(!file->isValid());
        QVERIFY(notices().isEmpty());
        QVERIFY(folderEntries().isEmpty());
        file->setTag1(QStringLiteral("never written"));
        QCOMPARE(ExternalTools::readFile(path), bytes);
    }

    void buildIdOnTheBoard_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("board");
        QTest::addColumn<bool>("onBoard");
        const QByteArray id = QByteArray("a1b2c3").leftJustified(32, '\0');
        QTest::newRow("same build") << id << QByteArray("a1b2c3") << true;
        QTest::newRow("other build") << id << QByteArray("ffff") << false;
        QTest::newRow("board without a build ID") << id << QByteArray() << false;
        QTest::newRow("32 NUL bytes") << QByteArray(32, '\0') << QByteArray(1, '\0') << false;
        QTest::newRow("32 zero digits") << QByteArray(32, '0') << QByteArray(32, '0') << false;
    }
    void buildIdOnTheBoard()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, board);
        QFETCH(bool, onBoard);
        AppFileBytes::Fields fields;
        fields.buildId = stored;
        AppFile *file = make(writeApplicationFile(m_folder, QStringLiteral("a.hapbf"), fields));
        QVERIFY(file->isValid());
        QSignalSpy changed(file, &AppFile::IsOnZeltoChanged);
        QSignalSpy fit(file, &AppFile::CanBeFlashedChanged);
        m_boardBuildId = board;
        file->connectedDeviceUpdated();
        QCOMPARE(file->getIsOnZelto(), onBoard);
        QCOMPARE(changed.size(), onBoard ? 1 : 0);
        QCOMPARE(fit.size(), 1);
        file->connectedDeviceUpdated();
        QCOMPARE(changed.size(), onBoard ? 1 : 0);
        QCOMPARE(fit.size(), 2);
    }

    void noBuildIdFromTheImport()
    {
        AppFile *file = make(elfPath(), QStringLiteral("1.0"), QStringLiteral("Unknown"), 0, QString(32, '0'));
        QVERIFY(file->isValid());
        QVERIFY(file->buildId().isEmpty());
    }

    void tagsPersist()
    {
        AppFile *file = make(elfPath());
        QVERIFY(file->isValid());
        QSignalSpy changed(file, &AppFile::tag2Changed);
        file->setTag2(QStringLiteral("shelf A"));
        file->setTag2(QStringLiteral("shelf A"));
        QCOMPARE(changed.size(), 2); // also when it did not change
        QCOMPARE(changed.last().at(0).toString(), QStringLiteral("shelf A"));
        file->setTag4(QString(40, 'x'));
        QCOMPARE(file->getTag4(), QString(32, 'x'));

        AppFile *again = make(file->filePath());
        QVERIFY(again->isValid());
        QCOMPARE(again->getTag2(), QStringLiteral("shelf A"));
        QCOMPARE(again->getTag4(), QString(32, 'x'));
        const QByteArray bytes = ExternalTools::readFile(file->filePath());
        QVERIFY(bytes.sliced(660) == m_elf);
        QCOMPARE(file->getFileSizeBytes(), bytes.size());
        QCOMPARE(folderEntries().size(), 1); // no temporary file left behind
    }

    // A later header version may be longer; rewritten as version 3 it leaves no old
    // bytes behind the image.
    void rewritingALongerHeader()
    {
        AppFileBytes::Fields fields;
        fields.version = 4;
        fields.length = 700;
        const QString path = writeApplicationFile(m_folder, QStringLiteral("long.hapbf"), fields);
        AppFile *file = make(path);
        QVERIFY(file->isValid());
        QCOMPARE(file->headerLength(), 700u);
        file->setTag3(QStringLiteral("checked"));
        const QByteArray bytes = ExternalTools::readFile(path);
        QCOMPARE(bytes.size(), 660 + m_elf.size());
        QVERIFY(bytes.sliced(660) == m_elf);
        QCOMPARE(file->headerLength(), 660u);
        QCOMPARE(headerOf(path)->tags[2], QStringLiteral("checked"));
    }

    void fitAndRefusals_data()
    {
        QTest::addColumn<int>("firmware");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("boardFirmware");
        QTest::addColumn<int>("boardTarget");
        QTest::addColumn<QString>("refusal");
        const QString firmware = QStringLiteral("The binary coult not be flashed on the connected device due to a "
                                                "incorrect firmware. Update the device and try again.");
        const auto otherBoard = [](const char *built, const char *connected) {
            return QStringLiteral("The binary coult not be flashed on the connected device due to an incompatibility "
                                  "problem. The current binary is compiled for a %1 where a %2 is connected. Connect "
                                  "the correct device and try again.")
                .arg(QLatin1String(built), QLatin1String(connected));
        };
        QTest::newRow("same firmware") << 2 << 0 << 2 << 0 << "";
        QTest::newRow("older board firmware") << 2 << 0 << 1 << 0 << "";
        QTest::newRow("newer board firmware") << 2 << 0 << 3 << 0 << firmware;
        QTest::newRow("board firmware unknown") << 2 << 0 << -1 << 0 << firmware;
        QTest::newRow("firmware 0 on a dotted board version") << 0 << 0 << 0 << 6 << "";
        QTest::newRow("built for any board") << 2 << 1 << 2 << 5 << "";
        QTest::newRow("built for this board") << 2 << 6 << 2 << 6 << "";
        QTest::newRow("board kind unknown") << 2 << 6 << 2 << 0 << "";
        QTest::newRow("built for another board") << 2 << 6 << 2 << 5 << otherBoard("Zelto Rugged", "Tavrin");
        QTest::newRow("built for index 9") << 2 << 9 << 2 << 5 << otherBoard("Unknown", "Tavrin");
        QTest::newRow("built for index -1") << 2 << -1 << 2 << 7 << otherBoard("Unknown", "Bexlin");
        QTest::newRow("firmware refused first") << 2 << 6 << 3 << 5 << firmware;
    }
    void fitAndRefusals()
    {
        QFETCH(int, firmware);
        QFETCH(int, target);
        QFETCH(int, boardFirmware);
        QFETCH(int, boardTarget);
        QFETCH(QString, refusal);
        AppFileBytes::Fields fields;
        fields.firmwareNumber = firmware;
        fields.targetTypeIndex = target;
        AppFile *file = make(writeApplicationFile(m_folder, QStringLiteral("a.hapbf"), fields));
        QVERIFY(file->isValid());
        m_boardFirmware = boardFirmware;
        m_boardTarget = boardTarget;
        QCOMPARE(file->getCanBeFlashed(), refusal.isEmpty());

        QSignalSpy flashed(file, &AppFile::FlashAppBinSignal);
        QSignalSpy deleted(file, &AppFile::RequestDelete);
        file->flashAppFile();
        QCOMPARE(deleted.size(), 0);
        if (refusal.isEmpty()) {
            QCOMPARE(flashed.size(), 1);
            QVERIFY(notices().isEmpty());
            QVERIFY(file->isUploading());
            return;
        }
        QCOMPARE(flashed.size(), 0);
        QVERIFY(!file->isUploading());
        const QList<Notice> list = notices();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].title, QStringLiteral("Binary flashing failed"));
        QCOMPARE(list[0].message, refusal);
        QCOMPARE(list[0].origin, QStringLiteral("Binary list"));
        QCOMPARE(list[0].level, halvora::ErrorLevel::Warning);
    }

    // The image handed on is the one of the ELF file itself: the header is skipped.
    void flashingHandsOnTheUploadImage()
    {
        AppFile *file = make(elfPath(), QStringLiteral("release 1.2.3"), QStringLiteral("Unknown"), 0x3);
        QVERIFY(file->isValid());
        QSignalSpy flashed(file, &AppFile::FlashAppBinSignal);
        file->flashAppFile();
        QCOMPARE(flashed.size(), 1);
        QCOMPARE(flashed[0][0].value<AppFile *>(), file);
        const auto image = flashed[0][1].value<QSharedPointer<QBuffer>>();
        QVERIFY(image);
        const QSharedPointer<QBuffer> direct = AppBinTools().prepareBinary(elfPath(), QStringLiteral("1.2.3"), 0x3, 0);
        QCOMPARE(image->data(), direct->data());
    }

    void changedFileIsRefused()
    {
        AppFile *file = make(elfPath());
        QVERIFY(file->isValid());
        QFile grow(file->filePath());
        QVERIFY(grow.open(QIODevice::Append));
        grow.write("x");
        grow.close();
        QSignalSpy flashed(file, &AppFile::FlashAppBinSignal);
        QSignalSpy deleted(file, &AppFile::RequestDelete);
        file->flashAppFile();
        QCOMPARE(flashed.size(), 0);
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(notices().size(), 1);
        QCOMPARE(notices()[0].message,
                 QStringLiteral("The binary coult not be flashed due to a corruption a the file."));
    }

    // An image that cannot be loaded ends the upload there, and the user is told.
    void unloadableImage()
    {
        AppFileBytes::Fields fields;
        fields.firmwareNumber = 0;
        const QByteArray brokenImage = QByteArray("\x7F"
                                                  "ELF")
                                       + QByteArray(64, '\x11');
        AppFile *file = make(writeApplicationFile(m_folder, QStringLiteral("broken.hapbf"), fields, brokenImage));
        QVERIFY(file->isValid());
        QSignalSpy flashed(file, &AppFile::FlashAppBinSignal);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot be loaded")));
        file->flashAppFile();
        QCOMPARE(flashed.size(), 0);
        QVERIFY(!file->isUploading());
        QCOMPARE(notices().size(), 1);
        QCOMPARE(notices()[0].title, QStringLiteral("Binary flashing failed"));
        QCOMPARE(notices()[0].message, QStringLiteral("The ELF image of the binary could not be loaded."));
    }

    void uploadProgress_data()
    {
        QTest::addColumn<QList<float>>("progress");
        QTest::addColumn<int>("finalState"); // -1: none
        QTest::addColumn<QList<float>>("reported");
        QTest::addColumn<float>("shown");
        QTest::addColumn<int>("finished");
        QTest::addColumn<bool>("uploading");
        using F = QList<float>;
        // All is sent, but the board has not answered yet.
        QTest::newRow("progress to the end") << F{0.25f, 1.0f} << -1 << F{0.25f, 1.0f} << 1.0f << 0 << true;
        QTest::newRow("progress under way") << F{0.5f} << -1 << F{0.5f} << 0.5f << 0 << true;
        QTest::newRow("finished") << F{0.5f, 1.0f} << int(SoftwareUpdate::UpdateFinished) << F{0.5f, 1.0f, 1.0f} << 1.0f
                                  << 1 << false;
        QTest::newRow("timed out") << F{0.5f} << int(SoftwareUpdate::TimedOut) << F{0.5f, 0.0f} << 0.0f << 0 << false;
        QTest::newRow("error") << F{0.5f} << int(SoftwareUpdate::UpdateError) << F{0.5f, 0.0f} << 0.0f << 0 << false;
        QTest::newRow("application still running")
            << F{} << int(SoftwareUpdate::AppStillRunning) << F{0.0f} << 0.0f << 0 << false;
        QTest::newRow("an intermediate state")
            << F{0.5f} << int(SoftwareUpdate::SendBinaryData) << F{0.5f} << 0.5f << 0 << true;
    }
    void uploadProgress()
    {
        QFETCH(QList<float>, progress);
        QFETCH(int, finalState);
        QFETCH(QList<float>, reported);
        QFETCH(float, shown);
        QFETCH(int, finished);
        QFETCH(bool, uploading);
        AppFile *file = make(elfPath());
        QSignalSpy progressSpy(file, &AppFile::UploadProgressChanged);
        QSignalSpy finishedSpy(file, &AppFile::uploadFinished);
        file->uploadProgressUpdated(0.3f); // not uploading yet: nothing to report
        QCOMPARE(progressSpy.size(), 0);
        file->flashAppFile();
        QVERIFY(file->isUploading());
        for (const float p : progress)
            file->uploadProgressUpdated(p);
        if (finalState >= 0)
            file->uploadStateUpdated(SoftwareUpdate::UpdateState(finalState));
        QList<float> seen;
        for (const QList<QVariant> &signal : progressSpy)
            seen.append(signal.at(0).toFloat());
        QCOMPARE(seen, reported);
        QCOMPARE(file->getUpdateProgress(), shown);
        QCOMPARE(finishedSpy.size(), finished);
        QCOMPARE(file->isUploading(), uploading);
    }

    void renaming()
    {
        AppFile *file = make(elfPath(), QStringLiteral("1.0"));
        QVERIFY(file->isValid());
        QVERIFY(ExternalTools::writeFile(QDir(m_folder).filePath(QStringLiteral("taken.hapbf")), "other"));
        QSignalSpy renamed(file, &AppFile::FileNameChanged);

        file->setFileName(QStringLiteral("balance test"));
        QCOMPARE(renamed.size(), 1);
        QCOMPARE(renamed[0][0].toString(), QStringLiteral("balance test"));
        QCOMPARE(file->getFileName(), QStringLiteral("balance test"));
        QCOMPARE(file->filePath(), QDir(m_folder).filePath(QStringLiteral("balance test.hapbf")));
        QVERIFY(QFileInfo::exists(file->filePath()));

        for (const QString &refused : {QStringLiteral("taken"), QStringLiteral("../escaped"), QStringLiteral("a/b"),
                                       QString(), QStringLiteral("..")}) {
            file->setFileName(refused);
            QCOMPARE(file->getFileName(), QStringLiteral("balance test"));
        }
        QCOMPARE(renamed.size(), 1);
        QCOMPARE(folderEntries(), (QStringList{"balance test.hapbf", "taken.hapbf"}));
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("escaped.hapbf"))));
        QCOMPARE(notices().size(), 1); // equal notices are merged
        QCOMPARE(notices()[0].title, QStringLiteral("Binary renaming failed"));
        QCOMPARE(notices()[0].message, QStringLiteral("Renaming binary file failed. Try again with a different name."));
    }

    void deletingMovesToTheTrash()
    {
        AppFile *file = make(elfPath(), QStringLiteral("1.0"));
        QVERIFY(file->isValid());
        QSignalSpy deleted(file, &AppFile::RequestDelete);
        file->deleteAppFile();
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(deleted[0][0].value<AppFile *>(), file);
        QVERIFY(folderEntries().isEmpty());
        const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
        QVERIFY(QFileInfo::exists(trash + "/two_segments[1.0].hapbf"));

        AppFile *listed = make(elfPath(), QStringLiteral("2.0"));
        QSignalSpy listDeleted(listed, &AppFile::RequestDelete);
        listed->deleteWithoutNotify();
        QCOMPARE(listDeleted.size(), 0);
        listed->deleteAppFromList();
        QCOMPARE(listDeleted.size(), 1);
        QVERIFY(folderEntries().isEmpty());
    }

    void selection()
    {
        AppFile *file = make(elfPath());
        QSignalSpy selected(file, &AppFile::selectedChanged);
        file->setSelected(true);
        file->setSelected(true);
        file->setSelected(false);
        QCOMPARE(selected.size(), 2);
        QCOMPARE(file->getSelected(), false);
    }

    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("100 bytes") << qint64(100) << "0KB";
        QTest::newRow("512 bytes") << qint64(512) << "1KB";
        QTest::newRow("1023 KiB") << qint64(1023) * 1024 << "1023KB";
        QTest::newRow("1 MiB") << (qint64(1) << 20) << "1MB";
        QTest::newRow("2.5 MiB") << qint64(5) * 512 * 1024 << "3MB";
        QTest::newRow("3 GiB") << qint64(3) * 1024 * 1024 * 1024 << "3GB";
    }
    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(AppFile::sizeText(bytes), text);
    }
};

QTEST_GUILESS_MAIN(tst_AppFile)
#include "tst_AppFile.moc"
