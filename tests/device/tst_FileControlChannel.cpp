#include "BoardFileService.h"
#include "BoardRig.h"
#include "FileControlChannel.h"
#include "TestBytes.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Rsp = FileControlChannel::ResponseCode;
using DirEntry = FileControlChannel::DirEntry;

namespace {

// A reply as the board sends it.
QByteArray reply(uint16_t command, uint8_t response, const QByteArray &payload)
{
    return le32(uint32_t(7 + payload.size())) + le16(command) + QByteArray(1, char(response)) + payload;
}

QByteArray listingEntry(int64_t time, int32_t size, int16_t type, const QByteArray &name)
{
    return le64(uint64_t(time)) + le32(uint32_t(size)) + le16(uint16_t(type)) + le16(uint16_t(name.size())) + name;
}

QByteArray fileHeader(int64_t time, uint32_t size, const QByteArray &name)
{
    return le64(uint64_t(time)) + le32(size) + le16(uint16_t(name.size())) + name;
}

// Response codes and file-system states as plain numbers, for comparing.
QVariant plain(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<Rsp>())
        return int(value.value<Rsp>());
    if (value.metaType() == QMetaType::fromType<filectrlpayload::AvailableStorage::FSStatus>())
        return int(value.value<filectrlpayload::AvailableStorage::FSStatus>());
    return value;
}

// The service on a manager without a link: payloads are handed in through the
// manager's DataReady, and what the service sends is recorded.
struct Harness
{
    DatalinkManager manager;
    FileControlChannel service{nullptr, &manager};
    QSignalSpy written{&service, &AbstractService::write};

    void receive(const QByteArray &payload) { emit manager.DataReady(FileControlChannel::Channel, payload); }
    QByteArray sent() const
    {
        QByteArray all;
        for (const QList<QVariant> &write : written)
            all += write[2].toByteArray();
        return all;
    }
};

// The service against the board simulator serving a temporary folder.
struct FileRig : BoardRig
{
    QTemporaryDir root;
    FileControlChannel service{nullptr, &manager};

    BoardFileService *files() const { return channel<BoardFileService>(); }
    QString local(const QString &boardPath) const { return root.path() + boardPath; }
    bool start()
    {
        if (!root.isValid() || !QDir(root.path()).mkpath("logs"))
            return false;
        files()->setRootFolder(root.path());
        return connect();
    }
};

} // namespace

// The board's file service: how requests are written and replies collected and read,
// the download into a file with its failures, and every command against the board
// simulator serving a folder, compared byte for byte.
class tst_FileControlChannel : public QObject
{
    Q_OBJECT

private slots:
    void requestsAreWrittenAsTheBoardReadsThem_data()
    {
        QTest::addColumn<std::function<void(FileControlChannel &)>>("request");
        QTest::addColumn<QByteArray>("message");

        QTest::newRow("list") << std::function([](FileControlChannel &s) { s.listDir("/logs"); })
                              << hex("0D000000 0600 00") + "/logs" + hex("00");
        QTest::newRow("rename file") << std::function([](FileControlChannel &s) { s.renameFile("a.hlf", "b.hlf"); })
                                     << hex("17000000 0500 00 0500") + "a.hlf" + hex("00 0500") + "b.hlf" + hex("00");
        QTest::newRow("rename directory") << std::function([](FileControlChannel &s) { s.renameDir("/old", "new"); })
                                          << hex("14000000 0900 00 0400") + "/old" + hex("00 0300") + "new" + hex("00");
        QTest::newRow("remove file") << std::function([](FileControlChannel &s) { s.removeFile("/x"); })
                                     << hex("0A000000 0400 00") + "/x" + hex("00");
        QTest::newRow("make directory") << std::function([](FileControlChannel &s) { s.makeDir("/d"); })
                                        << hex("0A000000 0700 00") + "/d" + hex("00");
        QTest::newRow("remove directory") << std::function([](FileControlChannel &s) { s.removeDir("/d"); })
                                          << hex("0A000000 0800 00") + "/d" + hex("00");
        QTest::newRow("download to memory") << std::function([](FileControlChannel &s) { s.downloadFileToBuf("/f"); })
                                            << hex("0A000000 0100 00") + "/f" + hex("00");
        QTest::newRow("free storage") << std::function([](FileControlChannel &s) { s.getAvailableStorage(); })
                                      << hex("07000000 0A00 00");
        QTest::newRow("upload") << std::function([](FileControlChannel &s) { s.uploadFile("/u", "abc"); })
                                << hex("10000000 0300 00 0200") + "/u" + hex("0300") + "abc";
        // A counted string is counted in UTF-16 code units, its bytes are UTF-8.
        QTest::newRow("upload to a path beyond ASCII")
            << std::function([](FileControlChannel &s) { s.uploadFile(QString::fromUtf8("/ä"), "z"); })
            << hex("0F000000 0300 00 0200") + QByteArray("/\xC3\xA4") + hex("0100") + "z";
        QTest::newRow("upload to a path beyond the first 65536 characters")
            << std::function([](FileControlChannel &s) { s.uploadFile(QString::fromUtf8("/\xF0\x9F\x98\x80"), "z"); })
            << hex("11000000 0300 00 0300") + QByteArray("/\xF0\x9F\x98\x80") + hex("0100") + "z";
        QTest::newRow("rename beyond ASCII")
            << std::function([](FileControlChannel &s) { s.renameFile(QString::fromUtf8("é"), "e"); })
            << hex("10000000 0500 00 0100 C3A9 00 0100") + "e" + hex("00");
    }
    void requestsAreWrittenAsTheBoardReadsThem()
    {
        QFETCH(std::function<void(FileControlChannel &)>, request);
        QFETCH(QByteArray, message);
        Harness harness;
        request(harness.service);
        QCOMPARE(harness.written.size(), 1);
        QCOMPARE(harness.written[0][0].value<DatalinkChannelId>(), DatalinkChannelId(9));
        QCOMPARE(harness.written[0][1].toBool(), true);
        QCOMPARE(harness.sent().toHex(' '), message.toHex(' '));
    }

    void longUploadIsSentInFrameSizedPayloads_data()
    {
        QTest::addColumn<int>("dataSize");
        QTest::addColumn<QList<int>>("payloadSizes");
        // 7 header + 2 count + 2 path + 2 length + data
        QTest::newRow("fits one payload") << 1005 << QList<int>{1018};
        QTest::newRow("one byte more") << 1006 << QList<int>{1018, 1};
        QTest::newRow("3000 bytes") << 3000 << QList<int>{1018, 1018, 977};
        QTest::newRow("largest upload") << 65535 << QList<int>();
    }
    void longUploadIsSentInFrameSizedPayloads()
    {
        QFETCH(int, dataSize);
        QFETCH(QList<int>, payloadSizes);
        Harness harness;
        const QByteArray data = randomBytes(dataSize, 7);
        harness.service.uploadFile("/u", data);
        QList<int> sizes;
        for (const QList<QVariant> &write : harness.written)
            sizes << int(write[2].toByteArray().size());
        if (!payloadSizes.isEmpty())
            QCOMPARE(sizes, payloadSizes);
        for (int size : sizes)
            QVERIFY(size <= 1018);
        QCOMPARE(harness.sent(), hex("") + le32(uint32_t(13 + dataSize)) + hex("0300 00 0200") + "/u"
                                     + le16(uint16_t(dataSize)) + data);
    }

    void uploadBeyondItsLengthFieldIsRefused()
    {
        Harness harness;
        QSignalSpy uploaded(&harness.service, &FileControlChannel::UploadFileReceived);
        harness.service.uploadFile("/u", QByteArray(65536, 'a'));
        QCOMPARE(harness.written.size(), 0);
        QCOMPARE(uploaded.size(), 1);
        QCOMPARE(uploaded[0][0].value<Rsp>(), FileControlChannel::RequestRefused);
    }

    void replyIsDispatchedOnceWhole()
    {
        Harness harness;
        QSignalSpy listed(&harness.service, &FileControlChannel::ListDirReceived);
        const QByteArray first = listingEntry(1700000000, 10, 8, "a.hlf");
        const QByteArray longName(3000 - 7 - first.size() - 16, 'n');
        const QByteArray message = reply(6, 1, first + listingEntry(1700000001, 20, 8, longName));
        QCOMPARE(message.size(), 3000);

        harness.receive(message.left(1018));
        harness.receive(message.mid(1018, 1018));
        QCOMPARE(listed.size(), 0);
        harness.receive(message.mid(2036));
        QCOMPARE(listed.size(), 1);
        const auto entries = listed[0][1].value<QList<DirEntry>>();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].name, QString("a.hlf"));
        QCOMPARE(entries[1].name, QString::fromLatin1(longName));
        QCOMPARE(entries[1].size, 20u);
    }

    void listingIsReadEntryByEntry_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QList<DirEntry>>("entries");
        QTest::addColumn<bool>("complete");

        const QDateTime t1 = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
        const QDateTime t2 = QDateTime::fromSecsSinceEpoch(1700000100, Qt::UTC);
        const QByteArray two = listingEntry(1700000000, 2500, 8, "a.hlf") + listingEntry(1700000100, 0, 4, "sub");
        const QList<DirEntry> both{{t1, 8, 2500, "a.hlf"}, {t2, 4, 0, "sub"}};
        QTest::newRow("two entries in payload order") << two << both << true;
        QTest::newRow("empty") << QByteArray() << QList<DirEntry>() << true;
        QTest::newRow("last entry cut inside its name") << two.chopped(1) << QList<DirEntry>{both.first()} << false;
        QTest::newRow("last entry cut inside its fields")
            << listingEntry(1700000000, 2500, 8, "a.hlf") + hex("0102") << QList<DirEntry>{both.first()} << false;
        QTest::newRow("name length beyond the payload")
            << le64(5) + le32(1) + le16(8) + le16(0xFFFF) + "abc" << QList<DirEntry>() << false;
        QTest::newRow("name in UTF-8") << listingEntry(1700000000, 1, 8, "\xC3\xA4.hlf")
                                       << QList<DirEntry>{{t1, 8, 1, QString::fromUtf8("ä.hlf")}} << true;
    }
    void listingIsReadEntryByEntry()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QList<DirEntry>, entries);
        QFETCH(bool, complete);
        bool wasComplete = !complete;
        QCOMPARE(FileControlChannel::parseDirEntries(payload, &wasComplete), entries);
        QCOMPARE(wasComplete, complete);

        Harness harness;
        QSignalSpy listed(&harness.service, &FileControlChannel::ListDirReceived);
        harness.receive(reply(6, 1, payload));
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0][1].value<QList<DirEntry>>(), entries);
    }

    void repliesAreReadByCommand_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("signal");
        QTest::addColumn<QVariantList>("arguments");

        QTest::newRow("removed") << reply(4, 1, "/logs/a.hlf") << QByteArray("RemoveFileReceived")
                                 << QVariantList{1, "/logs/a.hlf"};
        QTest::newRow("renamed") << reply(5, 1, "/logs/b.hlf") << QByteArray("RenameFileReceived")
                                 << QVariantList{1, "/logs/b.hlf"};
        QTest::newRow("made") << reply(7, 1, "/d") << QByteArray("MakeDirReceived") << QVariantList{1, "/d"};
        QTest::newRow("removed directory failed")
            << reply(8, 5, "/d") << QByteArray("RemoveDirReceived") << QVariantList{5, "/d"};
        QTest::newRow("renamed directory")
            << reply(9, 1, "/e") << QByteArray("RenameDirReceived") << QVariantList{1, "/e"};
        QTest::newRow("uploaded") << reply(3, 1, "") << QByteArray("UploadFileReceived") << QVariantList{1};
        QTest::newRow("storage") << reply(10, 1, le64(8000000000ULL) + le64(123456789) + le32(3))
                                 << QByteArray("GetAvailableStorageReceived")
                                 << QVariantList{1, 8000000000ULL, 123456789ULL, 3};
        QTest::newRow("storage cut short gives zeros")
            << reply(10, 1, le64(8000000000ULL) + le64(1)) << QByteArray("GetAvailableStorageReceived")
            << QVariantList{1, 0ULL, 0ULL, 0};
        QTest::newRow("download to memory")
            << reply(1, 1, fileHeader(1700000000, 5, "f.txt") + "hello") << QByteArray("DownloadFileToBufReceived")
            << QVariantList{
                   1, QVariant::fromValue(DirEntry{QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC), 8, 5, "f.txt"}),
                   QByteArray("hello")};
        QTest::newRow("download to memory refused") << reply(1, 4, "") << QByteArray("DownloadFileToBufReceived")
                                                    << QVariantList{4, QVariant::fromValue(DirEntry()), QByteArray()};
        QTest::newRow("download to memory with its header cut short")
            << reply(1, 1, fileHeader(1700000000, 5, "f.txt").left(12)) << QByteArray("DownloadFileToBufReceived")
            << QVariantList{int(FileControlChannel::ReplyUnreadable), QVariant::fromValue(DirEntry()), QByteArray()};
        // The service's own bookkeeping must not be fooled by a corrupt length.
        QTest::newRow("length 0")
            << hex("00000000 0600 01 0102") << QByteArray("ListDirReceived")
            << QVariantList{int(FileControlChannel::ReplyUnreadable), QVariant::fromValue(QList<DirEntry>())};
        QTest::newRow("length shorter than the header")
            << hex("03000000 0400 01 61") << QByteArray("RemoveFileReceived")
            << QVariantList{int(FileControlChannel::ReplyUnreadable), QString()};
        QTest::newRow("length beyond any reply")
            << hex("FFFFFFFF 0A00 01") << QByteArray("GetAvailableStorageReceived")
            << QVariantList{int(FileControlChannel::ReplyUnreadable), 0ULL, 0ULL, 0};
    }
    void repliesAreReadByCommand()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, signal);
        QFETCH(QVariantList, arguments);
        Harness harness;
        const QMetaObject *meta = harness.service.metaObject();
        QMetaMethod method;
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
            if (meta->method(i).name() == signal)
                method = meta->method(i);
        QVERIFY(method.isValid());
        QSignalSpy spy(&harness.service, method);
        QSignalSpy anyList(&harness.service, &FileControlChannel::ListDirReceived);
        harness.receive(message);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0].size(), arguments.size());
        for (int i = 0; i < arguments.size(); ++i)
            QCOMPARE(plain(spy[0][i]), arguments[i]);
        // The channel still takes the next reply.
        const int listsBefore = int(anyList.size());
        harness.receive(reply(6, 1, listingEntry(1, 1, 8, "x")));
        QCOMPARE(anyList.size(), listsBefore + 1);
        QCOMPARE(anyList.last()[1].value<QList<DirEntry>>().size(), 1);
    }

    // The download into a file, with replies handed in directly.
    void downloadWritesTheFileAndReportsProgress()
    {
        QTemporaryDir dir;
        const QString output = dir.filePath("out.hlf");
        Harness harness;
        QSignalSpy progress(&harness.service, &FileControlChannel::Progress);
        QSignalSpy done(&harness.service, &FileControlChannel::DownloadFileReceived);
        QCOMPARE(harness.service.downloadFile("/logs/a.hlf", output), 0);
        QCOMPARE(harness.sent(), hex("13000000 0200 00") + "/logs/a.hlf" + hex("00"));

        const QByteArray data = randomBytes(2500, 1);
        harness.receive(reply(2, 1, fileHeader(1700000000, 2500, "a.hlf") + data.left(900)));
        QVERIFY(QFileInfo::exists(output));
        QCOMPARE(progress.size(), 1);
        QCOMPARE(progress[0][0].toFloat(), 0.36f);
        QCOMPARE(progress[0][1].toString(), output);
        harness.receive(reply(2, 1, data.mid(900, 1000)));
        harness.receive(reply(2, 1, data.mid(1900)));
        QCOMPARE(progress.size(), 3);
        QVERIFY(progress[1][0].toFloat() > 0.36f);
        QCOMPARE(progress[2][0].toFloat(), 1.0f);
        QCOMPARE(done.size(), 1);
        QCOMPARE(done[0][0].value<Rsp>(), FileControlChannel::Success);
        QCOMPARE(done[0][1].toString(), QFileInfo(output).absoluteFilePath());
        QCOMPARE(readFile(output), data);
        QCOMPARE(QFileInfo(output).lastModified().toSecsSinceEpoch(), 1700000000);
        QVERIFY(!harness.service.isDownloading());
    }

    void downloadEndsOnEveryFailure_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("response");
        QTest::addColumn<bool>("outputDirectoryMissing");

        const QByteArray header = fileHeader(1700000000, 100, "a.hlf");
        QTest::newRow("board refuses") << QList<QByteArray>{reply(2, 3, "")} << 3 << false;
        QTest::newRow("board fails midway")
            << QList<QByteArray>{reply(2, 1, header + QByteArray(40, 'a')), reply(2, 4, "")} << 4 << false;
        QTest::newRow("header cut short")
            << QList<QByteArray>{reply(2, 1, header.left(13))} << int(FileControlChannel::ReplyUnreadable) << false;
        QTest::newRow("output cannot be opened") << QList<QByteArray>{reply(2, 1, header + QByteArray(40, 'a'))}
                                                 << int(FileControlChannel::LocalFileError) << true;
        QTest::newRow("corrupt length midway")
            << QList<QByteArray>{reply(2, 1, header + QByteArray(40, 'a')), hex("00000000 0200 01 6161")}
            << int(FileControlChannel::ReplyUnreadable) << false;
    }
    void downloadEndsOnEveryFailure()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, response);
        QFETCH(bool, outputDirectoryMissing);
        QTemporaryDir dir;
        const QString output = dir.filePath(outputDirectoryMissing ? "missing/out.hlf" : "out.hlf");
        Harness harness;
        QSignalSpy done(&harness.service, &FileControlChannel::DownloadFileReceived);
        QCOMPARE(harness.service.downloadFile("/logs/a.hlf", output), 0);
        for (const QByteArray &message : replies)
            harness.receive(message);
        QCOMPARE(done.size(), 1);
        QCOMPARE(int(done[0][0].value<Rsp>()), response);
        QCOMPARE(done[0][1].toString(), QString());
        QVERIFY2(!QFileInfo::exists(output), "no partial file is left as if it were the board's");
        QVERIFY(!harness.service.isDownloading());

        // Late data of the failed download is dropped, and a new download is accepted.
        harness.receive(reply(2, 1, QByteArray(10, 'z')));
        QCOMPARE(done.size(), 1);
        QCOMPARE(harness.service.downloadFile("/logs/a.hlf", dir.filePath("again.hlf")), 0);
    }

    void downloadCompletesForEmptyAndOversizeFiles_data()
    {
        QTest::addColumn<uint32_t>("declared");
        QTest::addColumn<QList<QByteArray>>("data");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("empty file") << 0u << QList<QByteArray>{""} << QByteArray();
        QTest::newRow("board sends more than the size")
            << 10u << QList<QByteArray>{"0123456", "789abc"} << QByteArray("0123456789");
        QTest::newRow("all in the first reply") << 4u << QList<QByteArray>{"wxyz"} << QByteArray("wxyz");
    }
    void downloadCompletesForEmptyAndOversizeFiles()
    {
        QFETCH(uint32_t, declared);
        QFETCH(QList<QByteArray>, data);
        QFETCH(QByteArray, written);
        QTemporaryDir dir;
        const QString output = dir.filePath("out.bin");
        Harness harness;
        QSignalSpy progress(&harness.service, &FileControlChannel::Progress);
        QSignalSpy done(&harness.service, &FileControlChannel::DownloadFileReceived);
        QCOMPARE(harness.service.downloadFile("/f", output), 0);
        harness.receive(reply(2, 1, fileHeader(1600000000, declared, "f") + data.first()));
        for (qsizetype i = 1; i < data.size(); ++i)
            harness.receive(reply(2, 1, data[i]));
        QCOMPARE(done.size(), 1);
        QCOMPARE(done[0][0].value<Rsp>(), FileControlChannel::Success);
        QCOMPARE(readFile(output), written);
        QCOMPARE(progress.last()[0].toFloat(), 1.0f);
        for (const QList<QVariant> &step : progress)
            QVERIFY(step[0].toFloat() >= 0.0f && step[0].toFloat() <= 1.0f);
    }

    void downloadIsRefusedWithoutSending_data()
    {
        QTest::addColumn<bool>("outputExists");
        QTest::newRow("output file exists") << true;
        QTest::newRow("download running") << false;
    }
    void downloadIsRefusedWithoutSending()
    {
        QFETCH(bool, outputExists);
        QTemporaryDir dir;
        Harness harness;
        const QString output = dir.filePath("out.hlf");
        if (outputExists) {
            QVERIFY(writeFile(output, "keep"));
        } else {
            QCOMPARE(harness.service.downloadFile("/a", dir.filePath("first.hlf")), 0);
            harness.written.clear();
        }
        QCOMPARE(harness.service.downloadFile("/b", output), -1);
        QCOMPARE(harness.written.size(), 0);
        if (outputExists)
            QCOMPARE(readFile(output), QByteArray("keep"));
    }

    // Against the board simulator serving a folder.
    void listShowsTheBoardsFolder()
    {
        FileRig rig;
        QVERIFY(rig.start());
        QVERIFY(writeFile(rig.local("/logs/b.hlf"), randomBytes(2500, 2)));
        QVERIFY(writeFile(rig.local("/logs/a.hlf"), "x"));
        QVERIFY(QDir(rig.local("/logs")).mkdir("old"));
        QSignalSpy listed(&rig.service, &FileControlChannel::ListDirReceived);
        rig.service.listDir("/logs");
        QVERIFY(listed.wait(3000));
        QCOMPARE(listed[0][0].value<Rsp>(), FileControlChannel::Success);
        const auto entries = listed[0][1].value<QList<DirEntry>>();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0].name, QString("a.hlf"));
        QCOMPARE(entries[0].size, 1u);
        QCOMPARE(entries[0].type, DirEntry::RegularFile);
        QCOMPARE(entries[1].name, QString("b.hlf"));
        QCOMPARE(entries[1].size, 2500u);
        QCOMPARE(entries[1].modified.toSecsSinceEpoch(),
                 QFileInfo(rig.local("/logs/b.hlf")).lastModified().toSecsSinceEpoch());
        QCOMPARE(entries[2].name, QString("old"));
        QVERIFY(entries[2].type != DirEntry::RegularFile);

        rig.service.listDir("/missing");
        QVERIFY(listed.wait(3000));
        QVERIFY(listed[1][0].value<Rsp>() != FileControlChannel::Success);
        QVERIFY(listed[1][1].value<QList<DirEntry>>().isEmpty());
    }

    void downloadMatchesTheBoardsFile_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("chunk");
        QTest::newRow("empty") << 0 << 1024;
        QTest::newRow("one byte") << 1 << 1024;
        QTest::newRow("2500 bytes, 900 with the header") << 2500 << 900;
        QTest::newRow("one frame of data") << 1018 << 1018;
        QTest::newRow("messages spanning frames") << 200000 << 16384;
        QTest::newRow("many small messages") << 50000 << 100;
    }
    void downloadMatchesTheBoardsFile()
    {
        QFETCH(int, size);
        QFETCH(int, chunk);
        FileRig rig;
        QVERIFY(rig.start());
        rig.files()->setDownloadChunk(chunk);
        const QByteArray data = randomBytes(size, quint32(size));
        QVERIFY(writeFile(rig.local("/logs/run.hlf"), data));
        QFile source(rig.local("/logs/run.hlf"));
        QVERIFY(source.open(QIODevice::ReadWrite));
        QVERIFY(source.setFileTime(QDateTime::fromSecsSinceEpoch(1650000000, Qt::UTC),
                                   QFileDevice::FileModificationTime));
        source.close();

        QTemporaryDir dir;
        const QString output = dir.filePath("run.hlf");
        QSignalSpy progress(&rig.service, &FileControlChannel::Progress);
        QSignalSpy done(&rig.service, &FileControlChannel::DownloadFileReceived);
        QCOMPARE(rig.service.downloadFile("/logs/run.hlf", output), 0);
        QVERIFY(done.wait(10000));
        QCOMPARE(done[0][0].value<Rsp>(), FileControlChannel::Success);
        QCOMPARE(done[0][1].toString(), QFileInfo(output).absoluteFilePath());
        QVERIFY(readFile(output) == data);
        QCOMPARE(QFileInfo(output).lastModified().toSecsSinceEpoch(), 1650000000);
        float previous = 0.0f;
        for (const QList<QVariant> &step : progress) {
            QVERIFY(step[0].toFloat() >= previous);
            previous = step[0].toFloat();
        }
        QCOMPARE(previous, 1.0f);
    }

    void downloadToMemoryMatchesTheBoardsFile()
    {
        FileRig rig;
        QVERIFY(rig.start());
        const QByteArray data = randomBytes(5000, 3);
        QVERIFY(writeFile(rig.local("/logs/m.bin"), data));
        QSignalSpy done(&rig.service, &FileControlChannel::DownloadFileToBufReceived);
        rig.service.downloadFileToBuf("/logs/m.bin");
        QVERIFY(done.wait(3000));
        QCOMPARE(done[0][0].value<Rsp>(), FileControlChannel::Success);
        const auto entry = done[0][1].value<DirEntry>();
        QCOMPARE(entry.name, QString("m.bin"));
        QCOMPARE(entry.size, 5000u);
        QCOMPARE(entry.type, DirEntry::RegularFile);
        QVERIFY(done[0][2].toByteArray() == data);
    }

    void uploadReachesTheBoardsFolder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("size");
        QTest::newRow("empty") << "/logs/e.txt" << 0;
        QTest::newRow("small") << "/logs/s.txt" << 10;
        QTest::newRow("several frames") << "/logs/m.bin" << 3000;
        QTest::newRow("largest upload") << "/logs/l.bin" << 65535;
        QTest::newRow("path beyond ASCII") << QString::fromUtf8("/logs/größe.txt") << 50;
        QTest::newRow("path beyond the first 65536 characters")
            << QString::fromUtf8("/logs/\xF0\x9F\x93\x88.txt") << 50;
    }
    void uploadReachesTheBoardsFolder()
    {
        QFETCH(QString, path);
        QFETCH(int, size);
        FileRig rig;
        QVERIFY(rig.start());
        const QByteArray data = randomBytes(size, 4);
        QSignalSpy uploaded(&rig.service, &FileControlChannel::UploadFileReceived);
        rig.service.uploadFile(path, data);
        QVERIFY(uploaded.wait(3000));
        QCOMPARE(uploaded[0][0].value<Rsp>(), FileControlChannel::Success);
        QVERIFY(QFileInfo::exists(rig.local(path)));
        QVERIFY(readFile(rig.local(path)) == data);
    }

    void filesAndFoldersAreManaged()
    {
        FileRig rig;
        QVERIFY(rig.start());
        QVERIFY(writeFile(rig.local("/logs/a.hlf"), "abc"));
        auto await = [](QSignalSpy &spy) { return spy.wait(3000) && spy.size() == 1; };

        QSignalSpy renamed(&rig.service, &FileControlChannel::RenameFileReceived);
        rig.service.renameFile("/logs/a.hlf", "b.hlf");
        QVERIFY(await(renamed));
        QCOMPARE(renamed[0][0].value<Rsp>(), FileControlChannel::Success);
        QCOMPARE(renamed[0][1].toString(), QString("/logs/b.hlf"));
        QVERIFY(!QFileInfo::exists(rig.local("/logs/a.hlf")));
        QCOMPARE(readFile(rig.local("/logs/b.hlf")), QByteArray("abc"));

        QSignalSpy made(&rig.service, &FileControlChannel::MakeDirReceived);
        rig.service.makeDir("/logs/archive");
        QVERIFY(await(made));
        QCOMPARE(made[0][0].value<Rsp>(), FileControlChannel::Success);
        QVERIFY(QFileInfo(rig.local("/logs/archive")).isDir());

        QSignalSpy dirRenamed(&rig.service, &FileControlChannel::RenameDirReceived);
        rig.service.renameDir("/logs/archive", "/old");
        QVERIFY(await(dirRenamed));
        QCOMPARE(dirRenamed[0][0].value<Rsp>(), FileControlChannel::Success);
        QVERIFY(QFileInfo(rig.local("/old")).isDir());

        QSignalSpy dirRemoved(&rig.service, &FileControlChannel::RemoveDirReceived);
        rig.service.removeDir("/old");
        QVERIFY(await(dirRemoved));
        QCOMPARE(dirRemoved[0][0].value<Rsp>(), FileControlChannel::Success);
        QVERIFY(!QFileInfo::exists(rig.local("/old")));

        QSignalSpy removed(&rig.service, &FileControlChannel::RemoveFileReceived);
        rig.service.removeFile("/logs/b.hlf");
        QVERIFY(await(removed));
        QCOMPARE(removed[0][0].value<Rsp>(), FileControlChannel::Success);
        QCOMPARE(removed[0][1].toString(), QString("/logs/b.hlf"));
        QVERIFY(!QFileInfo::exists(rig.local("/logs/b.hlf")));

        // What is not there cannot be removed, and nothing leaves the board's folder.
        removed.clear();
        rig.service.removeFile("/logs/b.hlf");
        QVERIFY(await(removed));
        QVERIFY(removed[0][0].value<Rsp>() != FileControlChannel::Success);
        QSignalSpy downloaded(&rig.service, &FileControlChannel::DownloadFileToBufReceived);
        rig.service.downloadFileToBuf("/../outside");
        QVERIFY(await(downloaded));
        QVERIFY(downloaded[0][0].value<Rsp>() != FileControlChannel::Success);
    }

    void renamesBeyondAsciiReachTheBoardsFolder_data()
    {
        QTest::addColumn<bool>("directory");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("renamed");
        QTest::newRow("file to a name beyond ASCII")
            << false << "/logs/a.hlf" << QString::fromUtf8("größe.hlf") << QString::fromUtf8("/logs/größe.hlf");
        QTest::newRow("file from a path beyond ASCII")
            << false << QString::fromUtf8("/logs/ü/é.hlf") << "b.hlf" << QString::fromUtf8("/logs/ü/b.hlf");
        QTest::newRow("directory with characters beyond the first 65536")
            << true << QString::fromUtf8("/logs/\xF0\x9F\x93\x88") << QString::fromUtf8("/\xF0\x9F\x93\x89x")
            << QString::fromUtf8("/\xF0\x9F\x93\x89x");
    }
    void renamesBeyondAsciiReachTheBoardsFolder()
    {
        QFETCH(bool, directory);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, renamed);
        FileRig rig;
        QVERIFY(rig.start());
        if (directory)
            QVERIFY(QDir().mkpath(rig.local(from)));
        else
            QVERIFY(QDir().mkpath(QFileInfo(rig.local(from)).path()) && writeFile(rig.local(from), "abc"));
        QSignalSpy replies(&rig.service, directory ? &FileControlChannel::RenameDirReceived
                                                   : &FileControlChannel::RenameFileReceived);
        if (directory)
            rig.service.renameDir(from, to);
        else
            rig.service.renameFile(from, to);
        QVERIFY(replies.wait(3000));
        QCOMPARE(replies[0][0].value<Rsp>(), FileControlChannel::Success);
        QCOMPARE(replies[0][1].toString(), renamed);
        QVERIFY(!QFileInfo::exists(rig.local(from)));
        QVERIFY(QFileInfo::exists(rig.local(renamed)));
    }

    void freeStorageIsReported()
    {
        FileRig rig;
        QVERIFY(rig.start());
        rig.files()->setStorage({32000000000ULL, 1234567ULL, 2});
        QSignalSpy storage(&rig.service, &FileControlChannel::GetAvailableStorageReceived);
        rig.service.getAvailableStorage();
        QVERIFY(storage.wait(3000));
        QCOMPARE(storage[0][0].value<Rsp>(), FileControlChannel::Success);
        QCOMPARE(storage[0][1].toULongLong(), 32000000000ULL);
        QCOMPARE(storage[0][2].toULongLong(), 1234567ULL);
        QCOMPARE(uint32_t(storage[0][3].value<filectrlpayload::AvailableStorage::FSStatus>()), 2u);
    }

    void failingBoardNeverWedgesTheService_data()
    {
        QTest::addColumn<BoardFileService::Fault>("fault");
        QTest::addColumn<int>("response"); // of the download; -1: none comes
        QTest::addColumn<bool>("fileWritten");
        QTest::newRow("error response") << BoardFileService::Fault::ErrorResponse << 2 << false;
        QTest::newRow("length 0") << BoardFileService::Fault::ZeroLength << int(FileControlChannel::ReplyUnreadable)
                                  << false;
        QTest::newRow("huge length") << BoardFileService::Fault::HugeLength << int(FileControlChannel::ReplyUnreadable)
                                     << false;
        QTest::newRow("header cut short")
            << BoardFileService::Fault::TruncatedHeader << int(FileControlChannel::ReplyUnreadable) << false;
        QTest::newRow("more data than the file has") << BoardFileService::Fault::ExtraData << 1 << true;
        QTest::newRow("stops midway") << BoardFileService::Fault::StopMidway << -1 << false;
        QTest::newRow("silent") << BoardFileService::Fault::Silent << -1 << false;
    }
    void failingBoardNeverWedgesTheService()
    {
        QFETCH(BoardFileService::Fault, fault);
        QFETCH(int, response);
        QFETCH(bool, fileWritten);
        FileRig rig;
        QVERIFY(rig.start());
        rig.files()->setDownloadChunk(1000);
        const QByteArray data = randomBytes(4000, 5);
        QVERIFY(writeFile(rig.local("/logs/f.hlf"), data));
        rig.files()->setFault(fault);

        QTemporaryDir dir;
        QSignalSpy done(&rig.service, &FileControlChannel::DownloadFileReceived);
        QCOMPARE(rig.service.downloadFile("/logs/f.hlf", dir.filePath("f.hlf")), 0);
        if (response < 0) {
            QVERIFY(!done.wait(300));
            QVERIFY(rig.service.isDownloading());
        } else {
            QVERIFY(done.wait(3000));
            QCOMPARE(int(done[0][0].value<Rsp>()), response);
            QCOMPARE(QFileInfo::exists(dir.filePath("f.hlf")), fileWritten);
            if (fileWritten)
                QVERIFY(readFile(dir.filePath("f.hlf")) == data);
            QVERIFY(!rig.service.isDownloading());
        }

        // Once the board behaves, the next request is answered.
        rig.files()->setFault(BoardFileService::Fault::None);
        QSignalSpy listed(&rig.service, &FileControlChannel::ListDirReceived);
        rig.service.listDir("/logs");
        QVERIFY(listed.wait(3000));
        QCOMPARE(listed[0][0].value<Rsp>(), FileControlChannel::Success);
        QCOMPARE(listed[0][1].value<QList<DirEntry>>().size(), 1);
    }

    void truncatedListingKeepsTheWholeEntries()
    {
        FileRig rig;
        QVERIFY(rig.start());
        for (const char *name : {"a", "b", "c"})
            QVERIFY(writeFile(rig.local(QString("/logs/") + name), name));
        rig.files()->setFault(BoardFileService::Fault::TruncatedListing);
        QSignalSpy listed(&rig.service, &FileControlChannel::ListDirReceived);
        rig.service.listDir("/logs");
        QVERIFY(listed.wait(3000));
        const auto entries = listed[0][1].value<QList<DirEntry>>();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[1].name, QString("b"));
    }
};

QTEST_GUILESS_MAIN(tst_FileControlChannel)
#include "tst_FileControlChannel.moc"
