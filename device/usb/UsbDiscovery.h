#pragma once

#include "LibusbBackend.h"
#include "UsbEventThread.h"
#include "UsbTimings.h"

#include <libusb.h>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSemaphore>
#include <QSet>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class USBDataLink;

// The meta-object code needs these types complete (property and signal types).
Q_MOC_INCLUDE("USBDataLink.h")

// Finds controller boards on USB. A discovery thread looks at the bus once per
// interval, opens at most one new board per round and makes its USBDataLink, then
// hands the datalink to the thread that owns the discovery and waits until it has
// been adopted there. Adopting claims the board's interface and announces the
// datalink through usbDatalinkReady. While at least one board is known, an event
// thread runs libusb's event handler, which delivers every transfer completion.
//
// When a datalink is destroyed its board is released (transfers freed, interface
// released, handle closed) and becomes eligible again; the event thread ends with
// the last board. shutdown() (also run by the destructor) stops discovery,
// destroys the datalinks that are still alive while their cancellations can still
// be delivered, stops the event thread and releases libusb.
//
// When libusb cannot be initialised, no thread is started and no board is ever
// found; everything else carries on.
class UsbDiscovery : public QObject
{
    Q_OBJECT

public:
    static constexpr uint16_t BoardVendorId = 0x1FC9;
    static constexpr uint16_t BoardProductId = 0x828A;

    explicit UsbDiscovery(UsbBackend &backend = LibusbBackend::instance(), const UsbTimings &timings = UsbTimings(),
                          QObject *parent = nullptr);
    ~UsbDiscovery() override;

    // Whether libusb was initialised (and not yet released by shutdown).
    bool isUsbAvailable() const { return m_usbContext != nullptr; }
    void shutdown();

    int knownDeviceCount() const;
    bool isEventThreadRunning() const;

signals:
    // The discovery thread hands a new datalink over (queued to the owning thread).
    void USBOstdeviceDiscovered(USBDataLink *datalink);
    // A board whose interface is claimed. The receiver adopts the datalink (it is a
    // child of the discovery until then) and should be connected directly, so that
    // the next board is only opened once this one has been taken.
    void usbDatalinkReady(USBDataLink *datalink);

private slots:
    void promoteToUSBOstdevice(USBDataLink *datalink);
    void deinitUSBDevice(void *devHandle, void *device, int interfaceNumber, void *transferIn, void *transferOut);

private:
    void usbDiscoveryLoop();
    // Waits until the time given or until discovery stops; false when it stopped.
    bool pace(std::chrono::steady_clock::time_point until);
    // One look at the bus; true when a board was handed over.
    bool discoveryRound();
    bool openBoard(libusb_device *device);

    UsbBackend &m_backend;
    const UsbTimings m_timings;
    libusb_context *m_usbContext = nullptr;

    mutable std::mutex m_usbMutex;
    QList<libusb_device *> m_knownUsbDevices; // each holds a reference while known
    QList<QPointer<USBDataLink>> m_datalinks; // every datalink made, until it is gone
    QSet<USBDataLink *> m_handedOver;         // handed over, not adopted yet
    UsbEventThread m_usbEventThread;

    QSemaphore m_discoverySemaphore{0};
    std::mutex m_discoveryWakeMutex;
    std::condition_variable m_discoveryWake;
    std::atomic<bool> m_discoveryRunning{true};
    std::atomic<bool> m_shuttingDown{false};
    std::thread m_discoveryThread;
};
