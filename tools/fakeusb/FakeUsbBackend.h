#pragma once

#include "FakeUsbDescription.h"
#include "FakeUsbDevice.h"
#include "UsbBackend.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// A USB bus in memory behind the libusb seam, for tests. It keeps libusb's rules
// and reports every breach in violations(): a transfer submitted while in flight
// (BUSY), freed while in flight (it is then kept, never freed), a handle closed with
// transfers in flight, a transfer on an interface that was not claimed, libusb
// released with handles still open, unbalanced device references or configuration
// descriptors. Completions, cancellations and time-outs are delivered only by
// handleEventsCompleted, on the thread that calls it; a cancellation completes in
// the next event run. After an unplug, pending transfers complete with NO_DEVICE and
// every later call on the device fails with NO_DEVICE.
class FakeUsbBackend final : public UsbBackend
{
public:
    struct Counters
    {
        int init = 0;
        int exit = 0;
        int getDeviceList = 0;
        int open = 0;
        int close = 0;
        int submit = 0;
        int cancel = 0;
        int handleEvents = 0;
        int interrupt = 0;
        int allocTransfer = 0;
        int freeTransfer = 0;
        int maxConcurrentEventHandlers = 0;
    };

    FakeUsbBackend();
    ~FakeUsbBackend() override;

    // Devices stay known to the bus (for the pointers libusb users keep) after an unplug.
    FakeUsbDevice *plug(const FakeUsbDeviceDescription &description = FakeUsbDeviceDescription::board());
    void unplug(FakeUsbDevice *device);
    // The device as libusb users see it.
    static libusb_device *libusbDevice(FakeUsbDevice *device) { return reinterpret_cast<libusb_device *>(device); }

    void setInitError(int error);
    // The next `times` device lists fail with error.
    void failDeviceList(int error, int times = 1);
    void setConfigDescriptorError(int error);
    // What raiseTransferThreadPriority answers (0: raised).
    void setPriorityError(int error);

    QStringList violations() const;
    Counters counters() const;
    // Transfers allocated and not freed; configuration descriptors and device
    // references handed out and not given back; handles open.
    int liveTransfers() const;
    int transfersInFlight() const;
    int outstandingConfigDescriptors() const;
    int outstandingDeviceReferences() const;
    int openHandles() const;
    // The threads that asked for a higher priority, in order.
    QList<std::thread::id> priorityRaises() const;
    // The threads that have handled events.
    QList<std::thread::id> eventThreads() const;

    // UsbBackend
    int init(libusb_context **context) override;
    void exit(libusb_context *context) override;
    int setLogLevel(libusb_context *context, int level) override;
    std::ptrdiff_t getDeviceList(libusb_context *context, libusb_device ***list) override;
    void freeDeviceList(libusb_device **list, int unrefDevices) override;
    libusb_device *refDevice(libusb_device *device) override;
    void unrefDevice(libusb_device *device) override;
    int getDeviceDescriptor(libusb_device *device, libusb_device_descriptor *descriptor) override;
    // Every device of the fake bus has a port of its own: bus 1, port id + 1.
    std::string portPath(libusb_device *device) override;
    int getConfigDescriptor(libusb_device *device, uint8_t index, libusb_config_descriptor **config) override;
    void freeConfigDescriptor(libusb_config_descriptor *config) override;
    int open(libusb_device *device, libusb_device_handle **handle) override;
    void close(libusb_device_handle *handle) override;
    int setAutoDetachKernelDriver(libusb_device_handle *handle, int enable) override;
    int setConfiguration(libusb_device_handle *handle, int configuration) override;
    int claimInterface(libusb_device_handle *handle, int interfaceNumber) override;
    int releaseInterface(libusb_device_handle *handle, int interfaceNumber) override;
    libusb_transfer *allocTransfer(int isoPackets) override;
    void freeTransfer(libusb_transfer *transfer) override;
    int submitTransfer(libusb_transfer *transfer) override;
    int cancelTransfer(libusb_transfer *transfer) override;
    int handleEventsCompleted(libusb_context *context, int *completed) override;
    void interruptEventHandler(libusb_context *context) override;
    int raiseTransferThreadPriority() override;

private:
    friend class FakeUsbDevice;
    using Clock = std::chrono::steady_clock;

    struct Handle
    {
        FakeUsbDevice *device = nullptr;
        bool open = true;
    };

    struct TransferState
    {
        bool inFlight = false;
        bool completing = false; // a completion is queued for it
        bool cancelling = false;
        bool freedInFlight = false;
        FakeUsbDevice *device = nullptr;
        Handle *handle = nullptr;
        std::optional<Clock::time_point> deadline;
    };

    struct Completion
    {
        libusb_transfer *transfer = nullptr;
        libusb_transfer_status status = LIBUSB_TRANSFER_COMPLETED;
        int actualLength = 0;
    };

    struct ConfigStorage;

    void violation(const QString &text);
    FakeUsbDevice *deviceOf(libusb_device *device);
    Handle *handleOf(libusb_device_handle *handle);
    // The handle when it is open; otherwise records the breach of libusb's rules.
    Handle *openHandleOf(libusb_device_handle *handle);
    // Finds the endpoint on a claimed interface of the device (first alternate settings).
    const FakeUsbEndpoint *claimedEndpoint(const FakeUsbDevice &device, uint8_t address) const;
    void complete(libusb_transfer *transfer, libusb_transfer_status status, int actualLength);
    // Fills pending IN transfers of device from its queued bytes.
    void serveIn(FakeUsbDevice &device);
    void expireDeadlines(Clock::time_point now);
    std::optional<Clock::time_point> earliestDeadline() const;
    static bool takeScriptedFailure(std::optional<FakeUsbDevice::ScriptedFailure> &failure, int &error);

    mutable std::mutex m_lock;
    std::condition_variable m_eventsChanged;
    std::deque<std::unique_ptr<FakeUsbDevice>> m_devices;
    std::deque<std::unique_ptr<Handle>> m_handles;
    std::map<libusb_transfer *, TransferState> m_transfers;
    std::map<libusb_config_descriptor *, std::unique_ptr<ConfigStorage>> m_configs;
    std::map<libusb_device **, std::ptrdiff_t> m_deviceLists;
    std::deque<Completion> m_completions;
    bool m_interrupted = false;
    quint64 m_wakeCount = 0;
    int m_activeEventHandlers = 0;
    bool m_initialised = false;
    int m_initError = 0;
    int m_deviceListError = 0;
    int m_deviceListFailures = 0;
    int m_configError = 0;
    int m_priorityError = 0;
    QStringList m_violations;
    Counters m_counters;
    QList<std::thread::id> m_priorityRaises;
    QList<std::thread::id> m_eventThreads;
};
