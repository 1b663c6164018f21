#pragma once

#include "AbstractDataLink.h"
#include "UsbTimings.h"

#include <libusb.h>

#include <QByteArray>
#include <QSemaphore>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class OstPacketQueue;
class OstPacketRecombiner;
class UsbBackend;

// The transport over a board's vendor-specific USB interface. Frames handed to
// sendPacket are queued for a writer thread, which sends one packet at a time as
// bulk OUT transfers of at most one endpoint packet each; one bulk IN transfer is
// always running and its bytes are cut back into frames. Transfer completions run
// on the USB event thread of the discovery that made the datalink.
//
// The datalink owns the configuration descriptor it is given; the device handle,
// the device and the two transfers go back to its maker through DeleteUsb when it
// is destroyed, after its transfers have been cancelled.
class USBDataLink : public AbstractDataLink
{
    Q_OBJECT

public:
    // The board's datalink interface: the first alternate setting of the interface
    // carries this class, subclass and protocol.
    static constexpr uint8_t DatalinkInterfaceClass = 0xFF;
    static constexpr uint8_t DatalinkInterfaceSubClass = 0x01;
    static constexpr uint8_t DatalinkInterfaceProtocol = 0x00;
    // The chunk size until reading starts and the endpoints are known.
    static constexpr int DefaultTransferSize = 64;

    // Starts the writer thread; throws std::system_error when it cannot be started.
    // usbContext is the address of the maker's context pointer: a null context at
    // teardown means libusb is gone and no transfer may be cancelled.
    USBDataLink(UsbBackend &backend, libusb_device_handle *devHandle, libusb_config_descriptor *config,
                libusb_context *const *usbContext, libusb_device *device, const UsbTimings &timings = UsbTimings(),
                QObject *parent = nullptr);
    ~USBDataLink() override;

    // Selects the configuration and claims the datalink interface. Returns false on
    // success and true when it failed, as its callers expect.
    bool claimDatalinkInterface();
    // Finds the endpoints and starts the IN transfer; the link is Connected once it runs.
    Q_INVOKABLE void startReading();

    // The position of the datalink interface in config, or -1.
    static int findDatalinkInterface(const libusb_config_descriptor *config);

    // The size of each OUT chunk and of each IN read.
    QString boardLocation() const override { return m_boardLocation; }
    int transferSize() const { return m_transferSize; }
    int readSize() const { return m_readSize; }
    uint8_t inEndpoint() const { return m_inEndpoint; }
    uint8_t outEndpoint() const { return m_outEndpoint; }

public slots:
    int getDatalinkInterfaceNumber();
    // Queues the frame for the writer thread; never waits for the bus.
    void sendPacket(DatalinkChannelId channel, bool isReliable, QByteArray packet) override;
    void activeLinkTypeChanged(AbstractDataLink::LinkType linkType) override;
    // Puts one frame on the wire (the writer thread calls it). Returns 0 when its
    // first chunk was submitted, -1 while the link is being torn down (or another
    // write runs), -2 when there is no OUT transfer to use, -3 when the submission
    // failed, -4 when the previous packet did not leave within timeout ms. Every
    // negative result also emits ConnectionError.
    int usbWrite(QByteArray packet, bool isReliable, int channelNumber, int timeout);
    void transferComplete();
    void transferFailed();

signals:
    void usbIn(QByteArray packet);
    void ConnectionError();
    void TransferComplete();
    // Emitted once, at the end of teardown. A transfer that could not be brought
    // back from the bus is not handed over (it is null) and stays allocated.
    void DeleteUsb(void *devHandle, void *device, int interfaceNumber, void *transferIn, void *transferOut);

private:
    static void LIBUSB_CALL writeCompleted(libusb_transfer *transfer);
    static void LIBUSB_CALL readCompleted(libusb_transfer *transfer);
    void handleWriteCompletion(libusb_transfer *transfer);
    void handleReadCompletion(libusb_transfer *transfer);

    void writerLoop();
    // Lets the queued frames leave, for at most the closing flush limit.
    void flushQueue();
    // Puts the next chunk of the current packet into the OUT transfer and submits
    // it. Called with m_transferLock held.
    int submitNextChunkLocked();
    void clearPacketLocked();
    // Hands the transfer-idle semaphore back when a packet was on the wire.
    void releaseTransferIdle();
    // Cancels a transfer in flight and waits for its completion; false when it
    // did not come back.
    bool cancelAndWait(libusb_transfer *transfer, const std::atomic<bool> &inFlight,
                       const std::atomic<int> &lastStatus);
    bool waitUntilLanded(const std::atomic<bool> &inFlight, std::chrono::milliseconds wait);

    UsbBackend &m_backend;
    libusb_device_handle *const m_devHandle;
    libusb_config_descriptor *m_config;
    libusb_context *const *const m_usbContext;
    libusb_device *const m_device;
    const QString m_boardLocation;
    const UsbTimings m_timings;

    std::atomic<uint8_t> m_inEndpoint{0};
    std::atomic<uint8_t> m_outEndpoint{0};
    std::atomic<int> m_transferSize{DefaultTransferSize};
    int m_readSize = 0;
    std::unique_ptr<unsigned char[]> m_readBuffer;
    bool m_interfaceClaimed = false;

    libusb_transfer *m_transferIn = nullptr;
    libusb_transfer *m_transferOut = nullptr;
    std::atomic<bool> m_inInFlight{false};
    std::atomic<bool> m_outInFlight{false};
    std::atomic<int> m_inLastStatus{LIBUSB_TRANSFER_COMPLETED};
    std::atomic<int> m_outLastStatus{LIBUSB_TRANSFER_COMPLETED};

    // The packet on the wire, guarded by m_transferLock.
    std::mutex m_transferLock;
    QByteArray m_outBuffer; // the chunk the OUT transfer carries
    QByteArray m_rest;      // what is still to be sent
    bool m_packetReliable = false;
    int m_packetChannel = 0;
    bool m_abandonPacket = false; // the writer gave up on the packet; end it at its next completion

    std::atomic<bool> m_running{true};
    // Frames handed to the queue that the writer has not yet put on the wire.
    std::atomic<int> m_framesToWrite{0};
    std::atomic<bool> m_packetOnWire{false};
    QSemaphore m_transferIdle{1};
    QSemaphore m_cancelSemaphore{0};
    std::mutex m_sendLock;
    std::mutex m_writeLock;

    OstPacketRecombiner *m_recombiner;
    OstPacketQueue *m_queue;
    std::thread m_writerThread;
};
