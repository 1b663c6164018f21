#include "UsbDiscovery.h"

#include "USBDataLink.h"

#include <QLoggingCategory>

#include <system_error>

Q_LOGGING_CATEGORY(lcUsbDiscovery, "Device.UsbDiscovery")

UsbDiscovery::UsbDiscovery(UsbBackend &backend, const UsbTimings &timings, QObject *parent)
    : QObject(parent)
    , m_backend(backend)
    , m_timings(timings)
    , m_usbEventThread(backend)
{
    qRegisterMetaType<USBDataLink *>("USBDataLink*");

    if (m_backend.init(&m_usbContext) != LIBUSB_SUCCESS) {
        m_usbContext = nullptr;
        qCWarning(lcUsbDiscovery) << "Could not initialise USB driver.";
        return;
    }
    m_backend.setLogLevel(m_usbContext, LIBUSB_LOG_LEVEL_NONE);
    connect(this, &UsbDiscovery::USBOstdeviceDiscovered, this, &UsbDiscovery::promoteToUSBOstdevice,
            Qt::QueuedConnection);
    try {
        m_discoveryThread = std::thread(&UsbDiscovery::usbDiscoveryLoop, this);
    } catch (const std::system_error &error) {
        qCWarning(lcUsbDiscovery) << "Cannot start USB discovery:" << error.what();
    }
}

UsbDiscovery::~UsbDiscovery()
{
    shutdown();
}

int UsbDiscovery::knownDeviceCount() const
{
    std::lock_guard usbLock(m_usbMutex);
    return int(m_knownUsbDevices.size());
}

bool UsbDiscovery::isEventThreadRunning() const
{
    std::lock_guard usbLock(m_usbMutex);
    return m_usbEventThread.isRunning();
}

void UsbDiscovery::shutdown()
{
    if (m_shuttingDown.exchange(true))
        return;

    {
        // Under the pacing mutex, so that a thread about to wait cannot miss the stop.
        std::lock_guard wake(m_discoveryWakeMutex);
        m_discoveryRunning = false;
    }
    m_discoveryWake.notify_all();
    // Frees a thread that waits for a hand-over the owner will never run now.
    m_discoverySemaphore.release();
    if (m_discoveryThread.joinable())
        m_discoveryThread.join();

    QList<QPointer<USBDataLink>> datalinks;
    {
        std::lock_guard usbLock(m_usbMutex);
        datalinks = m_datalinks;
        m_handedOver.clear();
    }
    // Each datalink is destroyed here, while the event thread still delivers the
    // cancellation of its transfers, and releases its board on the way.
    for (const QPointer<USBDataLink> &datalink : std::as_const(datalinks)) {
        if (!datalink)
            continue;
        disconnect(datalink, &USBDataLink::DeleteUsb, this, nullptr);
        connect(datalink, &USBDataLink::DeleteUsb, this, &UsbDiscovery::deinitUSBDevice, Qt::DirectConnection);
        delete datalink.data();
    }

    {
        std::lock_guard usbLock(m_usbMutex);
        m_usbEventThread.stop();
        for (libusb_device *device : std::as_const(m_knownUsbDevices))
            m_backend.unrefDevice(device);
        m_knownUsbDevices.clear();
        m_datalinks.clear();
    }
    if (m_usbContext)
        m_backend.exit(std::exchange(m_usbContext, nullptr));
}

bool UsbDiscovery::pace(std::chrono::steady_clock::time_point until)
{
    std::unique_lock wake(m_discoveryWakeMutex);
    return !m_discoveryWake.wait_until(wake, until, [this] { return !m_discoveryRunning; });
}

void UsbDiscovery::usbDiscoveryLoop()
{
    using Clock = std::chrono::steady_clock;
    if (!pace(Clock::now() + m_timings.discoveryStartDelay))
        return;
    while (pace(Clock::now() + m_timings.discoveryInterval)) {
        // After a hand-over the thread waits until the owner has adopted the board,
        // so boards are adopted one at a time and in order.
        if (discoveryRound())
            m_discoverySemaphore.acquire();
    }
}

bool UsbDiscovery::discoveryRound()
{
    std::lock_guard usbLock(m_usbMutex);
    libusb_device **list = nullptr;
    const std::ptrdiff_t count = m_backend.getDeviceList(m_usbContext, &list);
    if (count < 0) {
        qCDebug(lcUsbDiscovery) << "USB discover error, " << UsbBackend::errorName(int(count));
        return false;
    }
    bool handedOver = false;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        libusb_device *device = list[i];
        libusb_device_descriptor descriptor{};
        if (m_backend.getDeviceDescriptor(device, &descriptor) != LIBUSB_SUCCESS || descriptor.idVendor != BoardVendorId
            || descriptor.idProduct != BoardProductId || m_knownUsbDevices.contains(device))
            continue;
        handedOver = openBoard(device);
        break;
    }
    m_backend.freeDeviceList(list, 1);
    return handedOver;
}

bool UsbDiscovery::openBoard(libusb_device *device)
{
    libusb_device_handle *handle = nullptr;
    if (const int result = m_backend.open(device, &handle); result != LIBUSB_SUCCESS) {
        qCDebug(lcUsbDiscovery) << "error opening device: " << result;
        return false;
    }
    m_backend.setAutoDetachKernelDriver(handle, 1);
    libusb_config_descriptor *config = nullptr;
    if (m_backend.getConfigDescriptor(device, 0, &config) != LIBUSB_SUCCESS)
        config = nullptr; // the datalink finds no interface and the board is released again

    USBDataLink *datalink = nullptr;
    try {
        // Made here without a parent, since its owner lives on another thread; it is
        // tracked in m_datalinks until it is adopted there or destroyed by shutdown().
        datalink = new USBDataLink(m_backend, handle, config, &m_usbContext, device, m_timings);
    } catch (const std::system_error &error) {
        qCWarning(lcUsbDiscovery) << "Cannot start the writer of a USB datalink:" << error.what();
        if (config)
            m_backend.freeConfigDescriptor(config);
        m_backend.close(handle);
        return false;
    }
    if (m_knownUsbDevices.isEmpty())
        m_usbEventThread.start(m_usbContext);
    m_knownUsbDevices.append(m_backend.refDevice(device));
    m_datalinks.removeAll(nullptr);
    m_datalinks.append(datalink);
    m_handedOver.insert(datalink);
    datalink->moveToThread(thread());
    emit USBOstdeviceDiscovered(datalink);
    return true;
}

void UsbDiscovery::promoteToUSBOstdevice(USBDataLink *datalink)
{
    {
        std::lock_guard usbLock(m_usbMutex);
        // A hand-over that arrives after shutdown refers to a datalink already gone.
        if (!m_handedOver.remove(datalink))
            return;
    }
    datalink->setParent(this);
    // Direct, so that a board is also released when its datalink is destroyed
    // during shutdown, when no event loop would deliver a queued call any more.
    connect(datalink, &USBDataLink::DeleteUsb, this, &UsbDiscovery::deinitUSBDevice, Qt::DirectConnection);
    if (datalink->claimDatalinkInterface())
        datalink->deleteLater();
    else
        emit usbDatalinkReady(datalink);
    m_discoverySemaphore.release();
}

void UsbDiscovery::deinitUSBDevice(void *devHandle, void *device, int interfaceNumber, void *transferIn,
                                   void *transferOut)
{
    std::lock_guard usbLock(m_usbMutex);
    auto *usbDevice = static_cast<libusb_device *>(device);
    auto *handle = static_cast<libusb_device_handle *>(devHandle);
    const bool lastBoard = m_knownUsbDevices.size() == 1 && m_knownUsbDevices.contains(usbDevice);

    if (transferIn)
        m_backend.freeTransfer(static_cast<libusb_transfer *>(transferIn));
    if (transferOut)
        m_backend.freeTransfer(static_cast<libusb_transfer *>(transferOut));
    if (handle) {
        if (interfaceNumber >= 0)
            m_backend.releaseInterface(handle, interfaceNumber);
        m_backend.close(handle);
    }
    if (lastBoard)
        m_usbEventThread.stop();
    if (m_knownUsbDevices.removeOne(usbDevice))
        m_backend.unrefDevice(usbDevice);
}
