#include "FakeUsbBackend.h"
#include "PacketFrame.h"
#include "TestBytes.h"
#include "USBDataLink.h"
#include "UsbEventThread.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(FakeUsbDeviceDescription)
Q_DECLARE_METATYPE(libusb_transfer_status)

namespace {

using namespace std::chrono_literals;

FakeUsbEndpoint bulk(uint8_t address, uint16_t maxPacketSize = 64)
{
    return {address, LIBUSB_TRANSFER_TYPE_BULK, maxPacketSize};
}

FakeUsbAltSetting setting(uint8_t interfaceClass, uint8_t subClass, uint8_t protocol,
                          const QList<FakeUsbEndpoint> &endpoints)
{
    return {interfaceClass, subClass, protocol, endpoints};
}

FakeUsbDeviceDescription device(const QList<FakeUsbInterface> &interfaces)
{
    FakeUsbDeviceDescription description;
    description.interfaces = interfaces;
    return description;
}

QList<int> chunkSizes(const QList<FakeUsbDevice::OutTransfer> &transfers)
{
    QList<int> sizes;
    for (const FakeUsbDevice::OutTransfer &transfer : transfers)
        sizes << transfer.length;
    return sizes;
}

// Writer waits long enough that a link which forgot to give the wire back shows
// up as a test time-out; everything else is short.
UsbTimings testTimings()
{
    UsbTimings timings;
    timings.writeWait = 60s;
    timings.cancelWait = 200ms;
    return timings;
}

// What the datalink reports, gathered on the test's thread through queued
// connections, since completions are emitted on the event and writer threads.
struct LinkEvents : QObject
{
    QList<AbstractDataLink::DatalinkState> states;
    int transfersComplete = 0;
    QList<QPair<uint16_t, QByteArray>> packets;

    int invalidCount() const { return int(states.count(AbstractDataLink::Invalid)); }
};

struct DeleteUsbRecord
{
    void *devHandle = nullptr;
    void *device = nullptr;
    int interfaceNumber = -2;
    void *transferIn = nullptr;
    void *transferOut = nullptr;
};

// One board on the fake bus with a USB datalink over it, the event thread its
// completions run on, and the release a discovery would do on DeleteUsb.
struct LinkRig
{
    FakeUsbBackend bus;
    FakeUsbDevice *board = nullptr;
    libusb_context *context = nullptr;
    libusb_device_handle *handle = nullptr;
    libusb_config_descriptor *config = nullptr;
    UsbEventThread events{bus};
    std::unique_ptr<USBDataLink> link;
    LinkEvents seen;
    QList<DeleteUsbRecord> deleted;

    explicit LinkRig(const FakeUsbDeviceDescription &description = FakeUsbDeviceDescription::board(),
                     const UsbTimings &timings = testTimings(), int priorityError = 0)
    {
        bus.setPriorityError(priorityError);
        bus.init(&context);
        board = bus.plug(description);
        bus.open(FakeUsbBackend::libusbDevice(board), &handle);
        bus.getConfigDescriptor(FakeUsbBackend::libusbDevice(board), 0, &config);
        events.start(context);
        link = std::make_unique<USBDataLink>(bus, handle, config, &context, FakeUsbBackend::libusbDevice(board),
                                             timings);
        QObject::connect(
            link.get(), &AbstractDataLink::datalinkStateSignal, &seen,
            [this](AbstractDataLink::LinkType, AbstractDataLink::DatalinkState state) { seen.states << state; },
            Qt::QueuedConnection);
        QObject::connect(
            link.get(), &USBDataLink::TransferComplete, &seen, [this] { ++seen.transfersComplete; },
            Qt::QueuedConnection);
        QObject::connect(link.get(), &AbstractDataLink::packetReceived, &seen,
                         [this](uint16_t channel, const QByteArray &payload) {
                             seen.packets.append({channel, payload});
                         });
        QObject::connect(link.get(), &USBDataLink::DeleteUsb, &seen,
                         [this](void *devHandle, void *device, int interfaceNumber, void *in, void *out) {
                             deleted.append({devHandle, device, interfaceNumber, in, out});
                             bus.freeTransfer(static_cast<libusb_transfer *>(in));
                             bus.freeTransfer(static_cast<libusb_transfer *>(out));
                             if (interfaceNumber >= 0)
                                 bus.releaseInterface(static_cast<libusb_device_handle *>(devHandle), interfaceNumber);
                             bus.close(static_cast<libusb_device_handle *>(devHandle));
                         });
    }

    ~LinkRig()
    {
        link.reset();
        events.stop();
        bus.exit(context);
    }

    // Claims the interface and starts reading, as adoption does.
    bool open()
    {
        if (link->claimDatalinkInterface())
            return false;
        link->startReading();
        return link->state() == AbstractDataLink::Connected;
    }

    void destroyLink() { link.reset(); }

    // Every rule libusb keeps was kept, and nothing was left behind.
    void verifyClean()
    {
        QCOMPARE(bus.violations(), QStringList());
        QCOMPARE(bus.liveTransfers(), 0);
        QCOMPARE(bus.outstandingConfigDescriptors(), 0);
        QCOMPARE(bus.openHandles(), 0);
    }
};

} // namespace

// The USB datalink over the fake bus: chunking and order of what it writes, every
// way a chunk can end, reading, the descriptors it accepts, and teardown in every
// state, each with libusb's rules checked by the bus.
class tst_USBDataLink : public QObject
{
    Q_OBJECT

private slots:
    void defaultTimingsAreTheBoardValues()
    {
        const UsbTimings timings;
        QCOMPARE(timings.discoveryStartDelay, 2000ms);
        QCOMPARE(timings.discoveryInterval, 1000ms);
        QCOMPARE(timings.writeWait, 5000ms);
        QCOMPARE(timings.chunkTimeoutMs, 5u);
        QCOMPARE(timings.cancelWait, 200ms);
        QCOMPARE(timings.cancelRetries, 5);
    }

    void framesGoOutInEndpointSizedChunks_data()
    {
        QTest::addColumn<int>("frameSize");
        QTest::addColumn<int>("maxPacketSize");
        QTest::addColumn<QList<int>>("chunks");
        QTest::newRow("200 bytes on 64") << 200 << 64 << QList<int>{64, 64, 64, 8};
        QTest::newRow("200 bytes on 512") << 200 << 512 << QList<int>{200};
        QTest::newRow("whole packets, no zero-length tail") << 128 << 64 << QList<int>{64, 64};
        QTest::newRow("header only") << 6 << 64 << QList<int>{6};
        QTest::newRow("largest frame on 1024") << 1024 << 1024 << QList<int>{1024};
    }

    void framesGoOutInEndpointSizedChunks()
    {
        QFETCH(int, frameSize);
        QFETCH(int, maxPacketSize);
        QFETCH(QList<int>, chunks);
        {
            LinkRig rig(FakeUsbDeviceDescription::board(uint16_t(maxPacketSize)));
            QVERIFY(rig.open());
            QCOMPARE(rig.link->transferSize(), maxPacketSize);
            const QByteArray frame = pattern(frameSize);
            rig.link->sendPacket(1, true, frame);

            QTRY_COMPARE(rig.seen.transfersComplete, 1);
            QCOMPARE(rig.board->bytesFromHost(), frame);
            const QList<FakeUsbDevice::OutTransfer> sent = rig.board->outTransfers();
            QCOMPARE(chunkSizes(sent), chunks);
            for (const FakeUsbDevice::OutTransfer &transfer : sent) {
                QCOMPARE(transfer.endpoint, uint8_t(0x01));
                QCOMPARE(transfer.timeout, 5u);
            }
            QTest::qWait(20);
            QCOMPARE(rig.seen.transfersComplete, 1);
            QCOMPARE(rig.seen.invalidCount(), 0);
            rig.destroyLink();
            rig.verifyClean();
        }
    }

    void framesReachTheBusInTheOrderGiven()
    {
        LinkRig rig;
        QVERIFY(rig.open());
        QByteArray expected;
        for (int i = 0; i < 40; ++i) {
            const QByteArray frame = pattern(6 + (i * 37) % 300, i);
            expected += frame;
            rig.link->sendPacket(uint16_t(i % 10), i % 3 != 0, frame);
        }
        QTRY_COMPARE(rig.board->bytesFromHost().size(), expected.size());
        QCOMPARE(rig.board->bytesFromHost(), expected);
        QTRY_COMPARE(rig.seen.transfersComplete, 40);
        rig.destroyLink();
        rig.verifyClean();
    }

    // How each completion status of an OUT chunk ends (or continues) its packet; the
    // packet is 100 bytes on a 64-byte endpoint and its first chunk gets the statuses.
    // Whatever happened, the next frame leaves at once.
    void outChunkStatuses_data()
    {
        QTest::addColumn<bool>("reliable");
        QTest::addColumn<QList<libusb_transfer_status>>("statuses");
        QTest::addColumn<QList<int>>("chunks");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<int>("completions");
        QTest::addColumn<int>("invalid");

        QTest::newRow("reliable chunk timed out twice is sent again")
            << true << QList{LIBUSB_TRANSFER_TIMED_OUT, LIBUSB_TRANSFER_TIMED_OUT} << QList<int>{64, 64, 64, 36} << true
            << 1 << 0;
        QTest::newRow("reliable chunk in error is sent again")
            << true << QList{LIBUSB_TRANSFER_ERROR} << QList<int>{64, 64, 36} << true << 1 << 0;
        QTest::newRow("unreliable chunk timed out gives the packet up")
            << false << QList{LIBUSB_TRANSFER_TIMED_OUT} << QList<int>{64} << false << 1 << 0;
        QTest::newRow("unreliable chunk in error gives the packet up")
            << false << QList{LIBUSB_TRANSFER_ERROR} << QList<int>{64} << false << 1 << 0;
        QTest::newRow("stall ends the link")
            << true << QList{LIBUSB_TRANSFER_STALL} << QList<int>{64} << false << 0 << 1;
        QTest::newRow("overflow ends the link")
            << false << QList{LIBUSB_TRANSFER_OVERFLOW} << QList<int>{64} << false << 0 << 1;
        QTest::newRow("vanished device ends the link")
            << true << QList{LIBUSB_TRANSFER_NO_DEVICE} << QList<int>{64} << false << 0 << 1;
    }

    void outChunkStatuses()
    {
        QFETCH(bool, reliable);
        QFETCH(QList<libusb_transfer_status>, statuses);
        QFETCH(QList<int>, chunks);
        QFETCH(bool, delivered);
        QFETCH(int, completions);
        QFETCH(int, invalid);

        LinkRig rig;
        QVERIFY(rig.open());
        rig.board->scriptOutStatuses(statuses);
        const QByteArray frame = pattern(100);
        rig.link->sendPacket(1, reliable, frame);
        QTRY_COMPARE(chunkSizes(rig.board->outTransfers()), chunks);
        QTRY_COMPARE(rig.seen.transfersComplete, completions);
        QTRY_COMPARE(rig.seen.invalidCount(), invalid);
        QCOMPARE(rig.board->bytesFromHost(), delivered ? frame : QByteArray());

        const QByteArray next = pattern(10, 3);
        rig.link->sendPacket(1, true, next);
        QTRY_VERIFY_WITH_TIMEOUT(rig.board->bytesFromHost().endsWith(next), 3000);
        QTest::qWait(20);
        QCOMPARE(rig.seen.invalidCount(), invalid);
        rig.destroyLink();
        rig.verifyClean();
    }

    // A submission the bus refuses, for the first chunk or a later one, fails the
    // packet, makes the link Invalid and gives the wire back for the next frame.
    void refusedSubmissions_data()
    {
        QTest::addColumn<int>("skip");
        QTest::addColumn<int>("error");
        QTest::newRow("first chunk") << 0 << int(LIBUSB_ERROR_IO);
        QTest::newRow("later chunk") << 1 << int(LIBUSB_ERROR_PIPE);
    }

    void refusedSubmissions()
    {
        QFETCH(int, skip);
        QFETCH(int, error);
        LinkRig rig;
        QVERIFY(rig.open());
        rig.board->failOutSubmission(error, skip);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Error sending usb message out!   %1$")
                                                                .arg(UsbBackend::errorName(error))));
        rig.link->sendPacket(1, true, pattern(100));
        QTRY_COMPARE(rig.seen.invalidCount(), 1);
        QCOMPARE(rig.seen.transfersComplete, 0);

        const QByteArray next = pattern(20, 9);
        rig.link->sendPacket(1, true, next);
        QTRY_VERIFY_WITH_TIMEOUT(rig.board->bytesFromHost().endsWith(next), 3000);
        rig.destroyLink();
        rig.verifyClean();
    }

    // usbWrite's results, called the way the writer calls it.
    void writeResults_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("result");
        QTest::newRow("submitted") << "ready" << 0;
        QTest::newRow("reading not started") << "not reading" << -2;
        QTest::newRow("submission refused") << "refused" << -3;
        QTest::newRow("reliable packet before it stuck") << "stuck reliable" << -4;
    }

    void writeResults()
    {
        QFETCH(QString, situation);
        QFETCH(int, result);
        LinkRig rig;
        if (situation != QLatin1String("not reading"))
            QVERIFY(rig.open());
        if (situation == QLatin1String("refused")) {
            rig.board->failOutSubmission(LIBUSB_ERROR_IO);
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Error sending usb message out!"));
        }
        if (situation == QLatin1String("stuck reliable")) {
            rig.board->setSwallowingOut(true);
            QCOMPARE(rig.link->usbWrite(pattern(10), true, 1, 50), 0);
        }
        QCOMPARE(rig.link->usbWrite(pattern(10), true, 1, 50), result);
        QTRY_COMPARE(rig.seen.invalidCount(), result < 0 ? 1 : 0);
        rig.destroyLink();
        rig.verifyClean();
    }

    // The board stops taking data: a reliable packet is retried until the next
    // frame has waited the write wait; then its transfer is cancelled, the new frame
    // dropped and the link Invalid.
    void stuckReliablePacketEndsTheLink()
    {
        UsbTimings timings = testTimings();
        timings.writeWait = 150ms;
        LinkRig rig(FakeUsbDeviceDescription::board(), timings);
        QVERIFY(rig.open());
        rig.board->setReading(false);
        QElapsedTimer clock;
        clock.start();
        rig.link->sendPacket(1, true, pattern(40));
        rig.link->sendPacket(1, true, pattern(40, 1));
        QTRY_COMPARE(rig.seen.invalidCount(), 1);
        QVERIFY(clock.elapsed() >= 140);
        QVERIFY(rig.bus.counters().cancel >= 1);
        // The stuck chunk was offered again after every time-out of 5 ms.
        QVERIFY(rig.board->outTransfers().size() >= 5);

        rig.board->setReading(true);
        const QByteArray next = pattern(12, 5);
        rig.link->sendPacket(1, true, next);
        QTRY_COMPARE(rig.board->bytesFromHost(), next);
        rig.destroyLink();
        rig.verifyClean();
    }

    // An unreliable packet whose transfer never comes back: the next frame cancels
    // it, waits until the cancellation has landed and only then reuses the transfer.
    void stuckUnreliablePacketIsCancelledBeforeTheTransferIsReused()
    {
        UsbTimings timings = testTimings();
        timings.writeWait = 100ms;
        LinkRig rig(FakeUsbDeviceDescription::board(), timings);
        QVERIFY(rig.open());
        rig.board->setSwallowingOut(true);
        rig.link->sendPacket(1, false, pattern(30));
        QTRY_COMPARE(rig.board->outTransfers().size(), 1);
        rig.board->setSwallowingOut(false);
        const QByteArray next = pattern(30, 2);
        rig.link->sendPacket(1, true, next);
        QTRY_COMPARE(rig.board->bytesFromHost(), next);
        QCOMPARE(rig.bus.counters().cancel, 1);
        QCOMPARE(rig.seen.invalidCount(), 0);
        rig.destroyLink();
        rig.verifyClean();
    }

    void incomingBytesBecomePackets_data()
    {
        QTest::addColumn<int>("maxPacketSize");
        QTest::newRow("full speed") << 64;
        QTest::newRow("high speed") << 512;
        QTest::newRow("super speed") << 1024;
    }

    void incomingBytesBecomePackets()
    {
        QFETCH(int, maxPacketSize);
        LinkRig rig(FakeUsbDeviceDescription::board(uint16_t(maxPacketSize)));
        QVERIFY(rig.open());
        QCOMPARE(rig.link->readSize(), maxPacketSize);
        QCOMPARE(rig.link->inEndpoint(), uint8_t(0x81));

        const QByteArray first = pattern(1000, 1);
        const QByteArray second = pattern(3, 2);
        const QByteArray stream = *PacketFrame::build(4, first) + *PacketFrame::build(9, second);
        // Handed over in odd pieces, as a board may send them.
        for (qsizetype at = 0; at < stream.size(); at += 77)
            rig.board->sendToHost(stream.mid(at, 77));
        QTRY_COMPARE(rig.seen.packets.size(), 2);
        QCOMPARE(rig.seen.packets[0], qMakePair(uint16_t(4), first));
        QCOMPARE(rig.seen.packets[1], qMakePair(uint16_t(9), second));
        // Every completion was followed by a new IN transfer.
        QTRY_VERIFY(rig.board->inSubmissions() >= 1 + int(stream.size() / maxPacketSize));
        rig.destroyLink();
        rig.verifyClean();
    }

    void inCompletionStatuses_data()
    {
        QTest::addColumn<libusb_transfer_status>("status");
        QTest::addColumn<bool>("resubmitted");
        QTest::newRow("error") << LIBUSB_TRANSFER_ERROR << true;
        QTest::newRow("timed out") << LIBUSB_TRANSFER_TIMED_OUT << true;
        QTest::newRow("overflow") << LIBUSB_TRANSFER_OVERFLOW << true;
        QTest::newRow("stall") << LIBUSB_TRANSFER_STALL << false;
        QTest::newRow("no device") << LIBUSB_TRANSFER_NO_DEVICE << false;
    }

    void inCompletionStatuses()
    {
        QFETCH(libusb_transfer_status, status);
        QFETCH(bool, resubmitted);
        LinkRig rig;
        QVERIFY(rig.open());
        QCOMPARE(rig.board->inSubmissions(), 1);
        rig.board->scriptInStatus(status);
        QTRY_COMPARE(rig.board->inSubmissions(), resubmitted ? 2 : 1);
        QTRY_COMPARE(rig.seen.invalidCount(), resubmitted ? 0 : 1);
        if (resubmitted) {
            const QByteArray payload = pattern(5);
            rig.board->sendToHost(*PacketFrame::build(1, payload));
            QTRY_COMPARE(rig.seen.packets.size(), 1);
        }
        rig.destroyLink();
        rig.verifyClean();
    }

    void readCannotStart()
    {
        LinkRig rig;
        rig.board->failInSubmission(LIBUSB_ERROR_IO);
        QVERIFY(!rig.link->claimDatalinkInterface());
        QTest::ignoreMessage(QtDebugMsg, "error submitting read transfer:  LIBUSB_ERROR_IO");
        rig.link->startReading();
        QCOMPARE(rig.link->state(), AbstractDataLink::Invalid);
        QTRY_COMPARE(rig.seen.states, QList{AbstractDataLink::Invalid});
        rig.destroyLink();
        rig.verifyClean();
    }

    // Which configurations the datalink claims and reads: the interface whose first
    // alternate setting is the datalink's, with one bulk IN and one bulk OUT
    // endpoint as its first two.
    void descriptors_data()
    {
        QTest::addColumn<FakeUsbDeviceDescription>("description");
        QTest::addColumn<int>("interfaceNumber");
        QTest::addColumn<bool>("connects");
        const QList<FakeUsbEndpoint> pair{bulk(0x81), bulk(0x01)};
        const FakeUsbInterface storage{{setting(0x08, 0x06, 0x50, pair)}};

        QTest::newRow("board") << FakeUsbDeviceDescription::board() << 0 << true;
        QTest::newRow("datalink is the third interface")
            << device({storage, FakeUsbInterface{{setting(0xFF, 0x02, 0x00, pair)}},
                       FakeUsbInterface{{setting(0xFF, 0x01, 0x00, pair)}}})
            << 2 << true;
        QTest::newRow("OUT endpoint listed first")
            << device({FakeUsbInterface{{setting(0xFF, 0x01, 0x00, {bulk(0x02), bulk(0x83)})}}}) << 0 << true;
        QTest::newRow("more than two endpoints")
            << device({FakeUsbInterface{{setting(0xFF, 0x01, 0x00, {bulk(0x81), bulk(0x01), bulk(0x82)})}}}) << 0
            << true;
        QTest::newRow("no datalink interface") << device({storage}) << -1 << false;
        QTest::newRow("other protocol") << device({FakeUsbInterface{{setting(0xFF, 0x01, 0x01, pair)}}}) << -1 << false;
        QTest::newRow("datalink only as second alternate setting")
            << device({FakeUsbInterface{{setting(0x08, 0x06, 0x50, pair), setting(0xFF, 0x01, 0x00, pair)}}}) << -1
            << false;
        QTest::newRow("interface without alternate settings") << device({FakeUsbInterface{}}) << -1 << false;
        QTest::newRow("no interfaces") << device({}) << -1 << false;
        QTest::newRow("one endpoint") << device({FakeUsbInterface{{setting(0xFF, 0x01, 0x00, {bulk(0x81)})}}}) << 0
                                      << false;
        QTest::newRow("no endpoints") << device({FakeUsbInterface{{setting(0xFF, 0x01, 0x00, {})}}}) << 0 << false;
        QTest::newRow("two IN endpoints")
            << device({FakeUsbInterface{{setting(0xFF, 0x01, 0x00, {bulk(0x81), bulk(0x82)})}}}) << 0 << false;
        QTest::newRow("interrupt endpoints") << device({FakeUsbInterface{
            {setting(0xFF, 0x01, 0x00,
                     {{0x81, LIBUSB_TRANSFER_TYPE_INTERRUPT, 64}, {0x01, LIBUSB_TRANSFER_TYPE_INTERRUPT, 64}})}}})
                                             << 0 << false;
        QTest::newRow("packet size zero")
            << device({FakeUsbInterface{{setting(0xFF, 0x01, 0x00, {bulk(0x81, 0), bulk(0x01, 0)})}}}) << 0 << false;
    }

    void descriptors()
    {
        QFETCH(FakeUsbDeviceDescription, description);
        QFETCH(int, interfaceNumber);
        QFETCH(bool, connects);
        LinkRig rig(description);
        QCOMPARE(rig.link->getDatalinkInterfaceNumber(), interfaceNumber);
        if (interfaceNumber < 0)
            QTest::ignoreMessage(QtDebugMsg, "unable to find Datalink interface number");
        QCOMPARE(rig.link->claimDatalinkInterface(), interfaceNumber < 0);
        QCOMPARE(rig.board->claimedInterfaces(), interfaceNumber < 0 ? QSet<int>() : QSet<int>{interfaceNumber});
        QCOMPARE(rig.board->configurationSet(), 1);
        if (!connects)
            QTest::ignoreMessage(QtDebugMsg, "failed to initialize usb");
        rig.link->startReading();
        QCOMPARE(rig.link->state(), connects ? AbstractDataLink::Connected : AbstractDataLink::Created);
        if (connects) {
            const QByteArray frame = pattern(70);
            rig.link->sendPacket(1, true, frame);
            QTRY_COMPARE(rig.board->bytesFromHost(), frame);
        }
        rig.destroyLink();
        QCOMPARE(rig.deleted.size(), 1);
        QCOMPARE(rig.deleted[0].interfaceNumber, interfaceNumber);
        rig.verifyClean();
    }

    // Configurations of every shape a device could report: claiming, reading and
    // writing never read outside the descriptor (AddressSanitizer) or break a rule.
    void randomDescriptorsAreHandledSafely()
    {
        // The link's complaints about unusable descriptors would fill the log.
        QLoggingCategory::setFilterRules(QStringLiteral("Device.USBDataLink.debug=false"));
        const auto restoreLogging = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
        QRandomGenerator random(20240611);
        const QList<uint16_t> sizes{0, 1, 8, 64, 512, 1024, 2047, 0xFFFF};
        for (int round = 0; round < 150; ++round) {
            FakeUsbDeviceDescription description;
            const int interfaces = random.bounded(4);
            for (int i = 0; i < interfaces; ++i) {
                FakeUsbInterface usbInterface;
                const int alternates = random.bounded(3);
                for (int a = 0; a < alternates; ++a) {
                    FakeUsbAltSetting alternate;
                    alternate.interfaceClass = random.bounded(2) ? 0xFF : 0x08;
                    alternate.interfaceSubClass = uint8_t(random.bounded(3));
                    alternate.interfaceProtocol = uint8_t(random.bounded(2));
                    const int endpoints = random.bounded(5);
                    for (int e = 0; e < endpoints; ++e)
                        alternate.endpoints.append({uint8_t((random.bounded(2) ? 0x80 : 0x00) | (1 + e)),
                                                    uint8_t(random.bounded(4)), sizes[random.bounded(sizes.size())]});
                    usbInterface.altSettings.append(alternate);
                }
                description.interfaces.append(usbInterface);
            }
            LinkRig rig(description, testTimings());
            if (!rig.link->claimDatalinkInterface()) {
                rig.link->startReading();
                rig.link->sendPacket(1, round % 2 == 0, pattern(300, round));
                rig.board->sendToHost(pattern(200, round));
                QTest::qWait(2);
            }
            rig.destroyLink();
            rig.verifyClean();
            if (QTest::currentTestFailed())
                return;
        }
    }

    void priorityIsRaisedForTheWriterThreadOnly()
    {
        LinkRig rig;
        QTRY_COMPARE(rig.bus.priorityRaises().size(), 1);
        const std::thread::id raised = rig.bus.priorityRaises().first();
        QVERIFY(raised != std::this_thread::get_id());
        QVERIFY(!rig.bus.eventThreads().contains(raised));
        QVERIFY(rig.open());
        rig.link->sendPacket(1, true, pattern(10));
        QTRY_COMPARE(rig.board->outTransfers().size(), 1);
        QCOMPARE(rig.board->outTransfers().first().thread, raised);
        rig.destroyLink();
        QCOMPARE(rig.bus.priorityRaises().size(), 1);
    }

    void refusedPriorityIsLoggedAndTheLinkWorks()
    {
        // Logged by the writer thread as it starts.
        QTest::ignoreMessage(QtDebugMsg, "Failed to setup prioritu USB Datalink 1");
        LinkRig rig(FakeUsbDeviceDescription::board(), testTimings(), EPERM);
        QTRY_COMPARE(rig.bus.priorityRaises().size(), 1);
        QVERIFY(rig.open());
        const QByteArray frame = pattern(100);
        rig.link->sendPacket(1, true, frame);
        QTRY_COMPARE(rig.board->bytesFromHost(), frame);
        rig.destroyLink();
        rig.verifyClean();
    }

    // Teardown in each state of the link: it cancels what is in flight (and only
    // that), waits for the cancellation, hands everything back through DeleteUsb
    // and never keeps the caller waiting on the writer.
    void teardown_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("cancels");
        QTest::addColumn<bool>("hasInTransfer");
        QTest::newRow("reading") << "reading" << 1 << true;
        QTest::newRow("never read") << "created" << 0 << false;
        QTest::newRow("board unplugged") << "unplugged" << 0 << true;
        QTest::newRow("packet stuck on the wire, writer waiting") << "stuck" << 2 << true;
    }

    void teardown()
    {
        QFETCH(QString, state);
        QFETCH(int, cancels);
        QFETCH(bool, hasInTransfer);
        LinkRig rig;
        if (state != QLatin1String("created"))
            QVERIFY(rig.open());
        if (state == QLatin1String("unplugged")) {
            rig.bus.unplug(rig.board);
            QTRY_VERIFY(rig.seen.invalidCount() >= 1);
        }
        if (state == QLatin1String("stuck")) {
            rig.board->setSwallowingOut(true);
            rig.link->sendPacket(1, true, pattern(10));
            rig.link->sendPacket(1, true, pattern(10)); // the writer now waits for the first
            QTRY_COMPARE(rig.board->outTransfers().size(), 1);
            QTest::qWait(20);
        }
        void *const handle = rig.handle;
        void *const usbDevice = FakeUsbBackend::libusbDevice(rig.board);

        QElapsedTimer clock;
        clock.start();
        rig.destroyLink();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));

        QCOMPARE(rig.bus.counters().cancel, cancels);
        QCOMPARE(rig.deleted.size(), 1);
        const DeleteUsbRecord &record = rig.deleted.first();
        QCOMPARE(record.devHandle, handle);
        QCOMPARE(record.device, usbDevice);
        QCOMPARE(record.interfaceNumber, state == QLatin1String("created") ? -1 : 0);
        QCOMPARE(record.transferIn != nullptr, hasInTransfer);
        QVERIFY(record.transferOut != nullptr);
        QTRY_VERIFY(rig.seen.states.endsWith(AbstractDataLink::Invalid));
        rig.verifyClean();
    }
};

QTEST_GUILESS_MAIN(tst_USBDataLink)
#include "tst_USBDataLink.moc"
