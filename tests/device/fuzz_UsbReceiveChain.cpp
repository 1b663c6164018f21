// The whole USB receive path as one chain: bulk IN data of a board on the fake USB bus
// goes through a USB datalink and its recombiner into a datalink manager, and on to
// the link protocol and every channel service of a board. The input is a run of board
// records (FuzzBoardBytes.h); the harness's bits of a record's control byte give the
// number of pieces the board cuts the record's bytes into, one after another.

#include "ControlChannel.h"
#include "DatalinkManager.h"
#include "ErrorChannel.h"
#include "ExternalMode.h"
#include "FakeUsbBackend.h"
#include "FileControlChannel.h"
#include "FuzzBoardBytes.h"
#include "SoftwareUpdate.h"
#include "USBDataLink.h"
#include "UsbEventThread.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

// Runs the bus's completions on this thread until the board's bytes are all taken,
// then the queued hand-overs of the chain.
void deliver(FakeUsbBackend &bus, libusb_context *context, const FakeUsbDevice &board)
{
    do {
        bus.interruptEventHandler(context); // handle what is ready, never wait
        bus.handleEventsCompleted(context, nullptr);
    } while (board.bytesWaitingForHost() > 0);
    bus.interruptEventHandler(context);
    bus.handleEventsCompleted(context, nullptr);
    for (int round = 0; round < 8; ++round)
        QCoreApplication::sendPostedEvents();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler(discardMessages);
    // Timers, queued connections and the notification list need an application object.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FakeUsbBackend bus;
    libusb_context *context = nullptr;
    bus.init(&context);
    FakeUsbDevice *board = bus.plug();
    libusb_device_handle *handle = nullptr;
    libusb_config_descriptor *config = nullptr;
    bus.open(FakeUsbBackend::libusbDevice(board), &handle);
    bus.getConfigDescriptor(FakeUsbBackend::libusbDevice(board), 0, &config);
    // Teardown waits for each transfer in flight to come back; on a busy machine that
    // takes a while, and one not waited for would count as a broken rule.
    UsbTimings timings;
    timings.cancelWait = std::chrono::milliseconds(5000);
    auto *link = new USBDataLink(bus, handle, config, &context, FakeUsbBackend::libusbDevice(board), timings);
    // What the discovery does with a board it lets go.
    QObject::connect(
        link, &USBDataLink::DeleteUsb, link,
        [&bus](void *devHandle, void *, int interfaceNumber, void *in, void *out) {
            bus.freeTransfer(static_cast<libusb_transfer *>(in));
            bus.freeTransfer(static_cast<libusb_transfer *>(out));
            if (interfaceNumber >= 0)
                bus.releaseInterface(static_cast<libusb_device_handle *>(devHandle), interfaceNumber);
            bus.close(static_cast<libusb_device_handle *>(devHandle));
        },
        Qt::DirectConnection);
    link->claimDatalinkInterface();

    auto manager = std::make_unique<DatalinkManager>();
    manager->addDatalink(link); // takes it over and starts reading
    {
        ControlChannel control(manager.get(), 1, true, manager.get());
        ErrorChannel errors(manager.get(), 6, true, manager.get());
        errors.setLogLevel(2);
        SoftwareUpdate update(manager.get(), manager.get());
        update.initialize();
        ExternalMode bridge(manager.get(), manager.get());
        FileControlChannel files(manager.get(), manager.get());

        for (const fuzzboard::Record &record : fuzzboard::records(data, size)) {
            const QByteArray bytes = fuzzboard::boardBytes(record);
            const qsizetype pieces = record.harnessBits() + 1;
            const qsizetype pieceSize = bytes.size() / pieces + 1;
            for (qsizetype at = 0; at < bytes.size(); at += pieceSize) {
                board->sendToHost(bytes.mid(at, pieceSize));
                deliver(bus, context, *board);
            }
        }
    }

    // The datalink's teardown waits for its transfers to come back from the bus.
    UsbEventThread events(bus);
    events.start(context);
    manager.reset();
    events.stop();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    bus.exit(context);
    // A rule of libusb that was broken is a failure.
    if (const QStringList violations = bus.violations(); !violations.isEmpty()) {
        std::fprintf(stderr, "libusb rules broken:\n%s\n", qPrintable(violations.join('\n')));
        __builtin_trap();
    }
    return 0;
}
