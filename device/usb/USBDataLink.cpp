#include "USBDataLink.h"

#include "OstPacketQueue.h"
#include "OstPacketRecombiner.h"
#include "UsbBackend.h"

#include <QLoggingCategory>

#include <chrono>
#include <thread>

Q_LOGGING_CATEGORY(lcUsbDataLink, "Device.USBDataLink")

namespace {

// wMaxPacketSize keeps the packet size in its low 11 bits.
constexpr uint16_t MaxPacketSizeMask = 0x07FF;

bool isBulk(const libusb_endpoint_descriptor &endpoint)
{
    return (endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
}

bool isIn(const libusb_endpoint_descriptor &endpoint)
{
    return (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
}

} // namespace

USBDataLink::USBDataLink(UsbBackend &backend, libusb_device_handle *devHandle, libusb_config_descriptor *config,
                         libusb_context *const *usbContext, libusb_device *device, const UsbTimings &timings,
                         QObject *parent)
    : AbstractDataLink(USB, parent)
    , m_backend(backend)
    , m_devHandle(devHandle)
    , m_config(config)
    , m_usbContext(usbContext)
    , m_device(device)
    , m_boardLocation(QStringLiteral("USB ") + QString::fromStdString(backend.portPath(device)))
    , m_timings(timings)
    , m_recombiner(new OstPacketRecombiner(this))
    , m_queue(new OstPacketQueue(this))
{
    connect(this, &USBDataLink::usbIn, m_recombiner, &OstPacketRecombiner::rawDataReady, Qt::QueuedConnection);
    connect(m_recombiner, &OstPacketRecombiner::packetReady, this, &AbstractDataLink::packetReceived,
            Qt::QueuedConnection);
    connect(this, &USBDataLink::TransferComplete, this, &USBDataLink::transferComplete, Qt::DirectConnection);
    connect(this, &USBDataLink::ConnectionError, this, &USBDataLink::transferFailed, Qt::DirectConnection);

    m_transferOut = m_backend.allocTransfer(0);
    try {
        m_writerThread = std::thread(&USBDataLink::writerLoop, this);
    } catch (...) {
        m_backend.freeTransfer(m_transferOut);
        throw;
    }
}

USBDataLink::~USBDataLink()
{
    flushQueue();
    setState(Invalid);
    m_running = false;
    disconnect(this, &USBDataLink::ConnectionError, nullptr, nullptr);
    {
        // A completion handler checks the running flag and resubmits under this
        // lock; from here on every handler sees the flag cleared.
        std::lock_guard barrier(m_transferLock);
    }
    // Wakes a writer that waits for the previous packet, so that it lets go of the
    // write lock at once instead of after its full wait.
    m_transferIdle.release();

    std::unique_lock sendLock(m_sendLock);
    std::unique_lock writeLock(m_writeLock);
    m_queue->clear();
    m_queue->wake(100);
    m_writerThread.join();
    delete std::exchange(m_queue, nullptr);

    const bool inLanded = cancelAndWait(m_transferIn, m_inInFlight, m_inLastStatus);
    const bool outLanded = cancelAndWait(m_transferOut, m_outInFlight, m_outLastStatus);
    {
        // Waits for a completion handler that has marked its transfer landed but
        // has not finished yet.
        std::lock_guard barrier(m_transferLock);
    }
    if (!inLanded || !outLanded) {
        // Freeing a transfer the bus still holds would let libusb write into freed
        // memory; it is left allocated instead.
        qCCritical(lcUsbDataLink) << "A USB transfer did not come back from the bus; it is left allocated";
        if (!inLanded)
            static_cast<void>(m_readBuffer.release());
        if (!outLanded) {
            // The chunk's bytes stay allocated with the transfer that points at them.
            static_cast<void>(std::make_unique<QByteArray>(std::move(m_outBuffer)).release());
        }
    }
    m_outBuffer.clear();

    writeLock.unlock();
    sendLock.unlock();

    const int interfaceNumber = m_interfaceClaimed ? getDatalinkInterfaceNumber() : -1;
    if (m_config)
        m_backend.freeConfigDescriptor(std::exchange(m_config, nullptr));
    emit DeleteUsb(m_devHandle, m_device, interfaceNumber, inLanded ? m_transferIn : nullptr,
                   outLanded ? m_transferOut : nullptr);
}

int USBDataLink::findDatalinkInterface(const libusb_config_descriptor *config)
{
    if (!config || !config->interface)
        return -1;
    for (int position = 0; position < config->bNumInterfaces; ++position) {
        const libusb_interface &usbInterface = config->interface[position];
        if (usbInterface.num_altsetting < 1 || !usbInterface.altsetting)
            continue;
        const libusb_interface_descriptor &setting = usbInterface.altsetting[0];
        if (setting.bInterfaceClass == DatalinkInterfaceClass && setting.bInterfaceSubClass == DatalinkInterfaceSubClass
            && setting.bInterfaceProtocol == DatalinkInterfaceProtocol)
            return position;
    }
    return -1;
}

int USBDataLink::getDatalinkInterfaceNumber()
{
    return findDatalinkInterface(m_config);
}

bool USBDataLink::claimDatalinkInterface()
{
    if (m_config)
        m_backend.setConfiguration(m_devHandle, m_config->bConfigurationValue);
    const int interfaceNumber = getDatalinkInterfaceNumber();
    if (interfaceNumber < 0) {
        qCDebug(lcUsbDataLink) << "unable to find Datalink interface number";
        return true;
    }
    if (const int result = m_backend.claimInterface(m_devHandle, interfaceNumber); result != LIBUSB_SUCCESS) {
        qCDebug(lcUsbDataLink) << "usb_claim_interface error" << result;
        return true;
    }
    m_interfaceClaimed = true;
    return false;
}

void USBDataLink::startReading()
{
    // Reading uses the interface that claiming chose: the first two endpoints of its
    // first alternate setting, one bulk IN and one bulk OUT, of a usable size.
    const int interfaceNumber = getDatalinkInterfaceNumber();
    const libusb_interface_descriptor *setting = interfaceNumber < 0
                                                     ? nullptr
                                                     : &m_config->interface[interfaceNumber].altsetting[0];
    if (!setting || setting->bNumEndpoints < 2 || !setting->endpoint) {
        qCDebug(lcUsbDataLink) << "failed to initialize usb";
        return;
    }
    const libusb_endpoint_descriptor &first = setting->endpoint[0];
    const libusb_endpoint_descriptor &second = setting->endpoint[1];
    const libusb_endpoint_descriptor &in = isIn(first) ? first : second;
    const libusb_endpoint_descriptor &out = isIn(first) ? second : first;
    const int readSize = in.wMaxPacketSize & MaxPacketSizeMask;
    const int chunkSize = out.wMaxPacketSize & MaxPacketSizeMask;
    if (isIn(first) == isIn(second) || !isBulk(first) || !isBulk(second) || readSize == 0 || chunkSize == 0) {
        qCDebug(lcUsbDataLink) << "failed to initialize usb";
        return;
    }
    if (m_transferIn)
        return;

    m_inEndpoint = in.bEndpointAddress;
    m_outEndpoint = out.bEndpointAddress;
    m_transferSize = chunkSize;
    m_readSize = readSize;
    m_readBuffer = std::make_unique<unsigned char[]>(size_t(readSize));

    m_transferIn = m_backend.allocTransfer(0);
    if (!m_transferIn) {
        qCDebug(lcUsbDataLink) << "error submitting read transfer: " << UsbBackend::errorName(LIBUSB_ERROR_NO_MEM);
        setState(Invalid);
        return;
    }
    libusb_fill_bulk_transfer(m_transferIn, m_devHandle, m_inEndpoint, m_readBuffer.get(), readSize,
                              &USBDataLink::readCompleted, this, 0);
    int result = LIBUSB_SUCCESS;
    {
        std::lock_guard lock(m_transferLock);
        m_inInFlight = true;
        result = m_backend.submitTransfer(m_transferIn);
        if (result != LIBUSB_SUCCESS)
            m_inInFlight = false;
    }
    if (result != LIBUSB_SUCCESS) {
        // Without a read the board's answers would never arrive: the link is not usable.
        qCDebug(lcUsbDataLink) << "error submitting read transfer: " << UsbBackend::errorName(result);
        setState(Invalid);
        return;
    }
    setState(Connected);
}

void USBDataLink::flushQueue()
{
    // The writer thread and the bus's event thread carry the frames out; this thread
    // only watches them go, for a bounded time. A link that already failed has no
    // board that listens.
    if (state() != Connected)
        return;
    const auto deadline = std::chrono::steady_clock::now() + m_timings.closingFlushLimit;
    while (m_running && m_queue && (m_framesToWrite > 0 || m_packetOnWire)
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void USBDataLink::sendPacket(DatalinkChannelId channel, bool isReliable, QByteArray packet)
{
    std::unique_lock sendLock(m_sendLock, std::try_to_lock);
    if (!sendLock.owns_lock() || !m_queue)
        return;
    ++m_framesToWrite;
    m_queue->push({std::move(packet), isReliable, channel});
}

void USBDataLink::activeLinkTypeChanged(AbstractDataLink::LinkType) {}

void USBDataLink::writerLoop()
{
    if (const int error = m_backend.raiseTransferThreadPriority())
        qCDebug(lcUsbDataLink) << "Failed to setup prioritu USB Datalink" << error;
    while (m_running) {
        std::optional<OstPacketQueue::Entry> entry = m_queue->waitAndTake();
        if (!m_running)
            break;
        if (entry) {
            usbWrite(entry->frame, entry->isReliable, entry->channel, int(m_timings.writeWait.count()));
            --m_framesToWrite;
        }
    }
}

int USBDataLink::usbWrite(QByteArray packet, bool isReliable, int channelNumber, int timeout)
{
    std::unique_lock writeLock(m_writeLock, std::try_to_lock);
    if (!writeLock.owns_lock() || !m_running) {
        if (writeLock.owns_lock())
            writeLock.unlock();
        emit ConnectionError();
        return -1;
    }

    if (!m_transferIdle.tryAcquire(1, timeout)) {
        bool previousReliable = false;
        {
            std::lock_guard lock(m_transferLock);
            previousReliable = m_packetReliable;
            m_abandonPacket = true;
        }
        if (m_transferOut)
            m_backend.cancelTransfer(m_transferOut);
        if (previousReliable) {
            writeLock.unlock();
            emit ConnectionError();
            return -4;
        }
        // The abandoned packet hands the transfer back when its cancellation
        // completes; the transfer is never reused while it is still in flight.
        const auto landing = m_timings.cancelWait * (m_timings.cancelRetries + 1);
        if (!m_transferIdle.tryAcquire(1, int(landing.count()))) {
            writeLock.unlock();
            emit ConnectionError();
            return -4;
        }
    }

    int result = LIBUSB_SUCCESS;
    {
        std::lock_guard lock(m_transferLock);
        if (!m_running) {
            result = -1;
        } else if (!m_transferOut || m_outEndpoint == 0 || m_outInFlight) {
            result = -2;
        } else {
            m_rest = std::move(packet);
            m_packetReliable = isReliable;
            m_packetChannel = channelNumber;
            m_abandonPacket = false;
            m_packetOnWire = true;
            const int submitted = submitNextChunkLocked();
            if (submitted != LIBUSB_SUCCESS) {
                qCDebug(lcUsbDataLink) << "Error sending usb message out!  " << UsbBackend::errorName(submitted);
                result = -3;
            }
        }
        if (result != LIBUSB_SUCCESS)
            clearPacketLocked();
    }
    if (result == LIBUSB_SUCCESS)
        return 0;

    // The packet never reached the wire: the next one must not wait for it.
    m_packetOnWire = false;
    m_transferIdle.release();
    writeLock.unlock();
    emit ConnectionError();
    return result;
}

int USBDataLink::submitNextChunkLocked()
{
    const qsizetype chunkSize = qMin<qsizetype>(m_transferSize, m_rest.size());
    m_outBuffer = m_rest.left(chunkSize);
    m_rest.remove(0, chunkSize);
    libusb_fill_bulk_transfer(m_transferOut, m_devHandle, m_outEndpoint,
                              reinterpret_cast<unsigned char *>(m_outBuffer.data()), int(m_outBuffer.size()),
                              &USBDataLink::writeCompleted, this, m_timings.chunkTimeoutMs);
    m_outInFlight = true;
    const int result = m_backend.submitTransfer(m_transferOut);
    if (result != LIBUSB_SUCCESS)
        m_outInFlight = false;
    return result;
}

void USBDataLink::clearPacketLocked()
{
    m_rest.clear();
    m_packetReliable = false;
    m_packetChannel = 0;
    m_abandonPacket = false;
}

void USBDataLink::releaseTransferIdle()
{
    if (m_packetOnWire.exchange(false))
        m_transferIdle.release();
}

void USBDataLink::transferComplete()
{
    releaseTransferIdle();
}

void USBDataLink::transferFailed()
{
    setState(Invalid);
}

void USBDataLink::writeCompleted(libusb_transfer *transfer)
{
    static_cast<USBDataLink *>(transfer->user_data)->handleWriteCompletion(transfer);
}

void USBDataLink::readCompleted(libusb_transfer *transfer)
{
    static_cast<USBDataLink *>(transfer->user_data)->handleReadCompletion(transfer);
}

void USBDataLink::handleWriteCompletion(libusb_transfer *transfer)
{
    // Everything runs under the lock: teardown takes it once a transfer has landed,
    // so that no handler still touches the datalink when it goes.
    std::lock_guard lock(m_transferLock);
    enum class Outcome { Continues, Done, Failed, Ended };
    Outcome outcome = Outcome::Continues;
    bool landedForCancel = false;
    {
        m_outInFlight = false;
        m_outLastStatus = transfer->status;
        if (!m_running || transfer->status == LIBUSB_TRANSFER_CANCELLED || m_abandonPacket) {
            landedForCancel = !m_running || transfer->status == LIBUSB_TRANSFER_CANCELLED;
            clearPacketLocked();
            outcome = Outcome::Ended;
        } else {
            int resubmitted = LIBUSB_SUCCESS;
            switch (transfer->status) {
            case LIBUSB_TRANSFER_COMPLETED:
                if (m_rest.isEmpty())
                    outcome = Outcome::Done;
                else
                    resubmitted = submitNextChunkLocked();
                break;
            case LIBUSB_TRANSFER_ERROR:
            case LIBUSB_TRANSFER_TIMED_OUT:
                if (m_packetReliable) {
                    // The same chunk again, as long as it takes.
                    m_outInFlight = true;
                    resubmitted = m_backend.submitTransfer(transfer);
                    if (resubmitted != LIBUSB_SUCCESS)
                        m_outInFlight = false;
                } else {
                    outcome = Outcome::Done; // an unreliable packet is given up
                }
                break;
            default:
                outcome = Outcome::Failed;
                break;
            }
            if (resubmitted != LIBUSB_SUCCESS) {
                qCDebug(lcUsbDataLink) << "Error sending usb message out!  " << UsbBackend::errorName(resubmitted);
                outcome = Outcome::Failed;
            }
            if (outcome != Outcome::Continues)
                clearPacketLocked();
        }
    }

    switch (outcome) {
    case Outcome::Continues:
        break;
    case Outcome::Done:
        emit TransferComplete();
        break;
    case Outcome::Failed:
        releaseTransferIdle();
        emit ConnectionError();
        break;
    case Outcome::Ended:
        releaseTransferIdle();
        if (landedForCancel)
            m_cancelSemaphore.release();
        break;
    }
}

void USBDataLink::handleReadCompletion(libusb_transfer *transfer)
{
    const int received = qBound(0, transfer->actual_length, transfer->length);
    emit usbIn(QByteArray(reinterpret_cast<const char *>(transfer->buffer), received));

    std::lock_guard lock(m_transferLock); // see handleWriteCompletion
    bool failed = false;
    {
        m_inInFlight = false;
        m_inLastStatus = transfer->status;
        if (!m_running || transfer->status == LIBUSB_TRANSFER_CANCELLED) {
            m_cancelSemaphore.release();
            return;
        }
        switch (transfer->status) {
        case LIBUSB_TRANSFER_COMPLETED:
        case LIBUSB_TRANSFER_ERROR:
        case LIBUSB_TRANSFER_TIMED_OUT:
        case LIBUSB_TRANSFER_OVERFLOW:
            m_inInFlight = true;
            if (const int result = m_backend.submitTransfer(transfer); result != LIBUSB_SUCCESS) {
                m_inInFlight = false;
                qCDebug(lcUsbDataLink) << UsbBackend::errorName(result);
                failed = true;
            }
            break;
        default:
            failed = true;
            break;
        }
    }
    if (failed)
        emit ConnectionError();
}

bool USBDataLink::waitUntilLanded(const std::atomic<bool> &inFlight, std::chrono::milliseconds wait)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + wait;
    while (inFlight) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        m_cancelSemaphore.tryAcquire(1, int(left.count()));
    }
    return true;
}

bool USBDataLink::cancelAndWait(libusb_transfer *transfer, const std::atomic<bool> &inFlight,
                                const std::atomic<int> &lastStatus)
{
    if (!transfer)
        return true;
    while (m_cancelSemaphore.tryAcquire()) {
    }
    if (!inFlight)
        return true;
    // After an unplug the transfer ends by itself, and without libusb nothing can be cancelled.
    if (lastStatus == LIBUSB_TRANSFER_NO_DEVICE || !m_usbContext || !*m_usbContext)
        return waitUntilLanded(inFlight, m_timings.cancelWait);
    for (int attempt = 0;; ++attempt) {
        const int result = m_backend.cancelTransfer(transfer);
        if (waitUntilLanded(inFlight, m_timings.cancelWait))
            return true;
        if (result != LIBUSB_SUCCESS || attempt >= m_timings.cancelRetries)
            return false;
    }
}
