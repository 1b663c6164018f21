#include "FakeUsbBackend.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cstring>

Q_LOGGING_CATEGORY(lcFakeUsb, "FakeUsb.Backend")

namespace {
constexpr std::chrono::seconds EventHandlerLimit{60};
}

// A configuration descriptor as libusb hands it out: one heap block per array, of
// exactly its length, so that a read past one is caught under AddressSanitizer.
struct FakeUsbBackend::ConfigStorage
{
    libusb_config_descriptor config{};
    std::unique_ptr<libusb_interface[]> interfaces;
    std::vector<std::unique_ptr<libusb_interface_descriptor[]>> settings;
    std::vector<std::unique_ptr<libusb_endpoint_descriptor[]>> endpoints;

    explicit ConfigStorage(const FakeUsbDeviceDescription &description)
    {
        config.bLength = LIBUSB_DT_CONFIG_SIZE;
        config.bDescriptorType = LIBUSB_DT_CONFIG;
        config.bNumInterfaces = uint8_t(description.interfaces.size());
        config.bConfigurationValue = description.configurationValue;
        interfaces = std::make_unique<libusb_interface[]>(size_t(description.interfaces.size()));
        for (qsizetype i = 0; i < description.interfaces.size(); ++i) {
            const QList<FakeUsbAltSetting> &alternates = description.interfaces[i].altSettings;
            auto descriptors = std::make_unique<libusb_interface_descriptor[]>(size_t(alternates.size()));
            for (qsizetype a = 0; a < alternates.size(); ++a) {
                const FakeUsbAltSetting &alternate = alternates[a];
                auto points = std::make_unique<libusb_endpoint_descriptor[]>(size_t(alternate.endpoints.size()));
                for (qsizetype e = 0; e < alternate.endpoints.size(); ++e) {
                    points[e].bLength = LIBUSB_DT_ENDPOINT_SIZE;
                    points[e].bDescriptorType = LIBUSB_DT_ENDPOINT;
                    points[e].bEndpointAddress = alternate.endpoints[e].address;
                    points[e].bmAttributes = alternate.endpoints[e].attributes;
                    points[e].wMaxPacketSize = alternate.endpoints[e].maxPacketSize;
                }
                libusb_interface_descriptor &descriptor = descriptors[a];
                descriptor.bLength = LIBUSB_DT_INTERFACE_SIZE;
                descriptor.bDescriptorType = LIBUSB_DT_INTERFACE;
                descriptor.bInterfaceNumber = uint8_t(i);
                descriptor.bAlternateSetting = uint8_t(a);
                descriptor.bNumEndpoints = uint8_t(alternate.endpoints.size());
                descriptor.bInterfaceClass = alternate.interfaceClass;
                descriptor.bInterfaceSubClass = alternate.interfaceSubClass;
                descriptor.bInterfaceProtocol = alternate.interfaceProtocol;
                descriptor.endpoint = points.get();
                endpoints.push_back(std::move(points));
            }
            interfaces[i].altsetting = descriptors.get();
            interfaces[i].num_altsetting = int(alternates.size());
            settings.push_back(std::move(descriptors));
        }
        config.interface = interfaces.get();
    }
};

FakeUsbBackend::FakeUsbBackend() = default;

FakeUsbBackend::~FakeUsbBackend()
{
    for (auto &[transfer, state] : m_transfers)
        delete transfer;
    for (auto &[list, count] : m_deviceLists)
        delete[] list;
}

FakeUsbDevice *FakeUsbBackend::plug(const FakeUsbDeviceDescription &description)
{
    std::lock_guard lock(m_lock);
    m_devices.push_back(std::make_unique<FakeUsbDevice>(*this, int(m_devices.size()), description));
    return m_devices.back().get();
}

void FakeUsbBackend::unplug(FakeUsbDevice *device)
{
    std::lock_guard lock(m_lock);
    if (!device->m_plugged)
        return;
    device->m_plugged = false;
    device->m_toHost.clear();
    device->m_pendingIn.clear();
    for (auto &[transfer, state] : m_transfers)
        if (state.inFlight && !state.completing && state.device == device)
            complete(transfer, LIBUSB_TRANSFER_NO_DEVICE, 0);
    m_eventsChanged.notify_all();
}

void FakeUsbBackend::setInitError(int error)
{
    std::lock_guard lock(m_lock);
    m_initError = error;
}

void FakeUsbBackend::failDeviceList(int error, int times)
{
    std::lock_guard lock(m_lock);
    m_deviceListError = error;
    m_deviceListFailures = times;
}

void FakeUsbBackend::setConfigDescriptorError(int error)
{
    std::lock_guard lock(m_lock);
    m_configError = error;
}

void FakeUsbBackend::setPriorityError(int error)
{
    std::lock_guard lock(m_lock);
    m_priorityError = error;
}

QStringList FakeUsbBackend::violations() const
{
    std::lock_guard lock(m_lock);
    return m_violations;
}

FakeUsbBackend::Counters FakeUsbBackend::counters() const
{
    std::lock_guard lock(m_lock);
    return m_counters;
}

int FakeUsbBackend::liveTransfers() const
{
    std::lock_guard lock(m_lock);
    return int(m_transfers.size());
}

int FakeUsbBackend::transfersInFlight() const
{
    std::lock_guard lock(m_lock);
    return int(std::count_if(m_transfers.begin(), m_transfers.end(),
                             [](const auto &entry) { return entry.second.inFlight; }));
}

int FakeUsbBackend::outstandingConfigDescriptors() const
{
    std::lock_guard lock(m_lock);
    return int(m_configs.size());
}

int FakeUsbBackend::outstandingDeviceReferences() const
{
    std::lock_guard lock(m_lock);
    int references = 0;
    for (const auto &device : m_devices)
        references += device->m_references;
    return references;
}

int FakeUsbBackend::openHandles() const
{
    std::lock_guard lock(m_lock);
    return int(std::count_if(m_handles.begin(), m_handles.end(), [](const auto &handle) { return handle->open; }));
}

QList<std::thread::id> FakeUsbBackend::priorityRaises() const
{
    std::lock_guard lock(m_lock);
    return m_priorityRaises;
}

QList<std::thread::id> FakeUsbBackend::eventThreads() const
{
    std::lock_guard lock(m_lock);
    return m_eventThreads;
}

void FakeUsbBackend::violation(const QString &text)
{
    qCWarning(lcFakeUsb).noquote() << "libusb rule broken:" << text;
    m_violations.append(text);
}

FakeUsbDevice *FakeUsbBackend::deviceOf(libusb_device *device)
{
    for (const auto &known : m_devices)
        if (reinterpret_cast<libusb_device *>(known.get()) == device)
            return known.get();
    violation(QStringLiteral("used a device the bus does not know"));
    return nullptr;
}

FakeUsbBackend::Handle *FakeUsbBackend::handleOf(libusb_device_handle *handle)
{
    for (const auto &known : m_handles)
        if (reinterpret_cast<libusb_device_handle *>(known.get()) == handle)
            return known.get();
    return nullptr;
}

FakeUsbBackend::Handle *FakeUsbBackend::openHandleOf(libusb_device_handle *handle)
{
    Handle *known = handleOf(handle);
    if (known && known->open)
        return known;
    violation(QStringLiteral("used a handle that is not open"));
    return nullptr;
}

const FakeUsbEndpoint *FakeUsbBackend::claimedEndpoint(const FakeUsbDevice &device, uint8_t address) const
{
    for (int number : device.m_claimed) {
        const FakeUsbInterface &usbInterface = device.m_description.interfaces[number];
        if (usbInterface.altSettings.isEmpty())
            continue;
        for (const FakeUsbEndpoint &endpoint : usbInterface.altSettings.first().endpoints)
            if (endpoint.address == address)
                return &endpoint;
    }
    return nullptr;
}

void FakeUsbBackend::complete(libusb_transfer *transfer, libusb_transfer_status status, int actualLength)
{
    TransferState &state = m_transfers.at(transfer);
    state.completing = true;
    state.deadline.reset();
    m_completions.push_back({transfer, status, actualLength});
    m_eventsChanged.notify_all();
}

void FakeUsbBackend::serveIn(FakeUsbDevice &device)
{
    while (device.m_plugged && !device.m_pendingIn.empty() && !device.m_toHost.isEmpty()) {
        libusb_transfer *transfer = device.m_pendingIn.front();
        device.m_pendingIn.pop_front();
        const int length = int(qMin<qsizetype>(transfer->length, device.m_toHost.size()));
        std::memcpy(transfer->buffer, device.m_toHost.constData(), size_t(length));
        device.m_toHost.remove(0, length);
        complete(transfer, LIBUSB_TRANSFER_COMPLETED, length);
    }
}

void FakeUsbBackend::expireDeadlines(Clock::time_point now)
{
    for (auto &[transfer, state] : m_transfers) {
        if (!state.inFlight || state.completing || !state.deadline || *state.deadline > now)
            continue;
        if (state.device)
            std::erase(state.device->m_pendingIn, transfer);
        complete(transfer, LIBUSB_TRANSFER_TIMED_OUT, 0);
    }
}

std::optional<FakeUsbBackend::Clock::time_point> FakeUsbBackend::earliestDeadline() const
{
    std::optional<Clock::time_point> earliest;
    for (const auto &[transfer, state] : m_transfers)
        if (state.inFlight && !state.completing && state.deadline && (!earliest || *state.deadline < *earliest))
            earliest = state.deadline;
    return earliest;
}

bool FakeUsbBackend::takeScriptedFailure(std::optional<FakeUsbDevice::ScriptedFailure> &failure, int &error)
{
    if (!failure)
        return false;
    if (failure->skip > 0) {
        --failure->skip;
        return false;
    }
    error = failure->error;
    failure.reset();
    return true;
}

int FakeUsbBackend::init(libusb_context **context)
{
    std::lock_guard lock(m_lock);
    ++m_counters.init;
    if (m_initError != 0)
        return m_initError;
    m_initialised = true;
    *context = reinterpret_cast<libusb_context *>(this);
    return LIBUSB_SUCCESS;
}

void FakeUsbBackend::exit(libusb_context *context)
{
    std::lock_guard lock(m_lock);
    ++m_counters.exit;
    if (!m_initialised || context != reinterpret_cast<libusb_context *>(this))
        violation(QStringLiteral("released libusb that was not initialised"));
    if (std::any_of(m_handles.begin(), m_handles.end(), [](const auto &handle) { return handle->open; }))
        violation(QStringLiteral("released libusb with device handles still open"));
    m_initialised = false;
}

int FakeUsbBackend::setLogLevel(libusb_context *, int)
{
    return LIBUSB_SUCCESS;
}

std::ptrdiff_t FakeUsbBackend::getDeviceList(libusb_context *context, libusb_device ***list)
{
    std::lock_guard lock(m_lock);
    ++m_counters.getDeviceList;
    if (!m_initialised || context != reinterpret_cast<libusb_context *>(this))
        violation(QStringLiteral("listed devices without libusb"));
    if (m_deviceListFailures > 0) {
        --m_deviceListFailures;
        return m_deviceListError;
    }
    std::vector<libusb_device *> plugged;
    for (const auto &device : m_devices) {
        if (device->m_plugged) {
            ++device->m_references;
            plugged.push_back(reinterpret_cast<libusb_device *>(device.get()));
        }
    }
    auto *devices = new libusb_device *[plugged.size() + 1];
    std::copy(plugged.begin(), plugged.end(), devices);
    devices[plugged.size()] = nullptr;
    m_deviceLists[devices] = std::ptrdiff_t(plugged.size());
    *list = devices;
    return std::ptrdiff_t(plugged.size());
}

void FakeUsbBackend::freeDeviceList(libusb_device **list, int unrefDevices)
{
    if (!list)
        return;
    std::lock_guard lock(m_lock);
    const auto found = m_deviceLists.find(list);
    if (found == m_deviceLists.end()) {
        violation(QStringLiteral("freed a device list the bus did not hand out"));
        return;
    }
    if (unrefDevices) {
        for (std::ptrdiff_t i = 0; i < found->second; ++i)
            if (FakeUsbDevice *device = deviceOf(list[i]); device && --device->m_references < 0)
                violation(QStringLiteral("a device lost more references than it had"));
    }
    m_deviceLists.erase(found);
    delete[] list;
}

libusb_device *FakeUsbBackend::refDevice(libusb_device *device)
{
    std::lock_guard lock(m_lock);
    if (FakeUsbDevice *known = deviceOf(device))
        ++known->m_references;
    return device;
}

void FakeUsbBackend::unrefDevice(libusb_device *device)
{
    std::lock_guard lock(m_lock);
    if (FakeUsbDevice *known = deviceOf(device); known && --known->m_references < 0)
        violation(QStringLiteral("a device lost more references than it had"));
}

int FakeUsbBackend::getDeviceDescriptor(libusb_device *device, libusb_device_descriptor *descriptor)
{
    std::lock_guard lock(m_lock);
    FakeUsbDevice *known = deviceOf(device);
    if (!known)
        return LIBUSB_ERROR_INVALID_PARAM;
    *descriptor = libusb_device_descriptor{};
    descriptor->bLength = LIBUSB_DT_DEVICE_SIZE;
    descriptor->bDescriptorType = LIBUSB_DT_DEVICE;
    descriptor->idVendor = known->m_description.vendorId;
    descriptor->idProduct = known->m_description.productId;
    descriptor->bNumConfigurations = 1;
    return LIBUSB_SUCCESS;
}

std::string FakeUsbBackend::portPath(libusb_device *device)
{
    std::lock_guard lock(m_lock);
    const FakeUsbDevice *known = deviceOf(device);
    return known ? "1-" + std::to_string(known->id() + 1) : std::string();
}

int FakeUsbBackend::getConfigDescriptor(libusb_device *device, uint8_t index, libusb_config_descriptor **config)
{
    std::lock_guard lock(m_lock);
    FakeUsbDevice *known = deviceOf(device);
    if (!known)
        return LIBUSB_ERROR_INVALID_PARAM;
    if (m_configError != 0)
        return m_configError;
    if (index != 0)
        return LIBUSB_ERROR_NOT_FOUND;
    auto storage = std::make_unique<ConfigStorage>(known->m_description);
    *config = &storage->config;
    m_configs.emplace(*config, std::move(storage));
    return LIBUSB_SUCCESS;
}

void FakeUsbBackend::freeConfigDescriptor(libusb_config_descriptor *config)
{
    if (!config)
        return;
    std::lock_guard lock(m_lock);
    if (m_configs.erase(config) == 0)
        violation(QStringLiteral("freed a configuration descriptor the bus did not hand out"));
}

int FakeUsbBackend::open(libusb_device *device, libusb_device_handle **handle)
{
    std::lock_guard lock(m_lock);
    ++m_counters.open;
    FakeUsbDevice *known = deviceOf(device);
    if (!known)
        return LIBUSB_ERROR_INVALID_PARAM;
    if (!known->m_plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    if (known->m_openError != 0)
        return known->m_openError;
    m_handles.push_back(std::make_unique<Handle>(Handle{known, true}));
    ++known->m_openHandles;
    ++known->m_references;
    ++known->m_openCount;
    *handle = reinterpret_cast<libusb_device_handle *>(m_handles.back().get());
    return LIBUSB_SUCCESS;
}

void FakeUsbBackend::close(libusb_device_handle *handle)
{
    std::lock_guard lock(m_lock);
    ++m_counters.close;
    Handle *known = handleOf(handle);
    if (!known || !known->open) {
        violation(QStringLiteral("closed a handle that is not open"));
        return;
    }
    for (const auto &[transfer, state] : m_transfers)
        if (state.inFlight && state.handle == known)
            violation(QStringLiteral("closed a handle with a transfer in flight"));
    known->open = false;
    FakeUsbDevice &device = *known->device;
    --device.m_openHandles;
    --device.m_references;
    ++device.m_closeCount;
    device.m_claimed.clear();
    // Closing a handle wakes the event handler, as libusb does.
    ++m_wakeCount;
    m_eventsChanged.notify_all();
}

int FakeUsbBackend::setAutoDetachKernelDriver(libusb_device_handle *handle, int)
{
    std::lock_guard lock(m_lock);
    Handle *known = openHandleOf(handle);
    if (!known)
        return LIBUSB_ERROR_INVALID_PARAM;
    ++known->device->m_autoDetachRequests;
    return LIBUSB_SUCCESS;
}

int FakeUsbBackend::setConfiguration(libusb_device_handle *handle, int configuration)
{
    std::lock_guard lock(m_lock);
    Handle *known = openHandleOf(handle);
    if (!known)
        return LIBUSB_ERROR_INVALID_PARAM;
    FakeUsbDevice &device = *known->device;
    if (!device.m_plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    if (!device.m_claimed.isEmpty())
        return LIBUSB_ERROR_BUSY;
    device.m_configurationSet = configuration;
    return LIBUSB_SUCCESS;
}

int FakeUsbBackend::claimInterface(libusb_device_handle *handle, int interfaceNumber)
{
    std::lock_guard lock(m_lock);
    Handle *known = openHandleOf(handle);
    if (!known)
        return LIBUSB_ERROR_INVALID_PARAM;
    FakeUsbDevice &device = *known->device;
    if (!device.m_plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    if (device.m_claimError != 0)
        return device.m_claimError;
    if (interfaceNumber < 0 || interfaceNumber >= device.m_description.interfaces.size())
        return LIBUSB_ERROR_NOT_FOUND;
    device.m_claimed.insert(interfaceNumber);
    return LIBUSB_SUCCESS;
}

int FakeUsbBackend::releaseInterface(libusb_device_handle *handle, int interfaceNumber)
{
    std::lock_guard lock(m_lock);
    Handle *known = openHandleOf(handle);
    if (!known)
        return LIBUSB_ERROR_INVALID_PARAM;
    FakeUsbDevice &device = *known->device;
    if (!device.m_claimed.remove(interfaceNumber))
        return LIBUSB_ERROR_NOT_FOUND;
    return device.m_plugged ? LIBUSB_SUCCESS : LIBUSB_ERROR_NO_DEVICE;
}

libusb_transfer *FakeUsbBackend::allocTransfer(int isoPackets)
{
    std::lock_guard lock(m_lock);
    ++m_counters.allocTransfer;
    if (isoPackets != 0)
        violation(QStringLiteral("asked for isochronous packets on a bulk link"));
    auto *transfer = new libusb_transfer{};
    m_transfers.emplace(transfer, TransferState{});
    return transfer;
}

void FakeUsbBackend::freeTransfer(libusb_transfer *transfer)
{
    if (!transfer)
        return;
    std::lock_guard lock(m_lock);
    ++m_counters.freeTransfer;
    const auto found = m_transfers.find(transfer);
    if (found == m_transfers.end()) {
        violation(QStringLiteral("freed a transfer the bus did not allocate, or freed it twice"));
        return;
    }
    if (found->second.inFlight) {
        violation(QStringLiteral("freed a transfer that is in flight"));
        found->second.freedInFlight = true; // kept, so that its completion does not land in freed memory
        return;
    }
    m_transfers.erase(found);
    delete transfer;
}

int FakeUsbBackend::submitTransfer(libusb_transfer *transfer)
{
    std::lock_guard lock(m_lock);
    ++m_counters.submit;
    const auto found = m_transfers.find(transfer);
    if (found == m_transfers.end()) {
        violation(QStringLiteral("submitted a transfer the bus did not allocate"));
        return LIBUSB_ERROR_INVALID_PARAM;
    }
    TransferState &state = found->second;
    if (state.inFlight) {
        violation(QStringLiteral("submitted a transfer that is in flight"));
        return LIBUSB_ERROR_BUSY;
    }
    Handle *handle = handleOf(transfer->dev_handle);
    if (!handle || !handle->open) {
        violation(QStringLiteral("submitted a transfer on a handle that is not open"));
        return LIBUSB_ERROR_NO_DEVICE;
    }
    FakeUsbDevice &device = *handle->device;
    if (!device.m_plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    if (transfer->type != LIBUSB_TRANSFER_TYPE_BULK)
        violation(QStringLiteral("submitted a transfer that is not a bulk transfer"));
    const FakeUsbEndpoint *endpoint = claimedEndpoint(device, transfer->endpoint);
    if (!endpoint) {
        violation(QStringLiteral("submitted to endpoint 0x%1, which is on no claimed interface")
                      .arg(transfer->endpoint, 2, 16, QLatin1Char('0')));
        return LIBUSB_ERROR_NOT_FOUND;
    }
    if (transfer->length < 0 || (transfer->length > 0 && !transfer->buffer)) {
        violation(QStringLiteral("submitted a transfer without a buffer for its length"));
        return LIBUSB_ERROR_INVALID_PARAM;
    }
    const bool in = (transfer->endpoint & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
    if (int error = 0; takeScriptedFailure(in ? device.m_inFailure : device.m_outFailure, error))
        return error;

    state = TransferState{};
    state.inFlight = true;
    state.device = &device;
    state.handle = handle;
    const auto deadline = transfer->timeout > 0
                              ? std::optional(Clock::now() + std::chrono::milliseconds(transfer->timeout))
                              : std::nullopt;
    if (in) {
        ++device.m_inSubmissions;
        // The device may fill the whole buffer, so every byte of it must be writable.
        std::memset(transfer->buffer, 0, size_t(transfer->length));
        if (!device.m_inStatuses.empty()) {
            const libusb_transfer_status status = device.m_inStatuses.front();
            device.m_inStatuses.pop_front();
            complete(transfer, status, 0);
        } else {
            state.deadline = deadline;
            if (deadline)
                m_eventsChanged.notify_all();
            device.m_pendingIn.push_back(transfer);
            serveIn(device);
        }
        return LIBUSB_SUCCESS;
    }

    const QByteArray bytes(reinterpret_cast<const char *>(transfer->buffer), transfer->length);
    device.m_outTransfers.append({transfer->endpoint, transfer->length, transfer->timeout, bytes,
                                  std::this_thread::get_id()});
    if (!device.m_outStatuses.empty()) {
        const libusb_transfer_status status = device.m_outStatuses.front();
        device.m_outStatuses.pop_front();
        complete(transfer, status, 0);
    } else if (device.m_swallowingOut) {
        // Stays in flight until it is cancelled or the device goes.
    } else if (!device.m_reading) {
        state.deadline = deadline;
        m_eventsChanged.notify_all(); // the event handler now has a time-out to watch
    } else {
        device.m_fromHost.append(bytes);
        {
            // Under the bus lock, so that chunks reach the device in the order they were sent.
            std::lock_guard handlerLock(device.m_handlerLock);
            if (device.m_hostWriteHandler)
                device.m_hostWriteHandler(bytes);
        }
        complete(transfer, LIBUSB_TRANSFER_COMPLETED, transfer->length);
    }
    return LIBUSB_SUCCESS;
}

int FakeUsbBackend::cancelTransfer(libusb_transfer *transfer)
{
    std::lock_guard lock(m_lock);
    ++m_counters.cancel;
    const auto found = m_transfers.find(transfer);
    if (found == m_transfers.end()) {
        violation(QStringLiteral("cancelled a transfer the bus did not allocate"));
        return LIBUSB_ERROR_INVALID_PARAM;
    }
    TransferState &state = found->second;
    if (!state.inFlight || state.cancelling)
        return LIBUSB_ERROR_NOT_FOUND;
    state.cancelling = true;
    // A transfer whose completion is already on its way arrives with that status.
    if (!state.completing) {
        if (state.device)
            std::erase(state.device->m_pendingIn, transfer);
        complete(transfer, LIBUSB_TRANSFER_CANCELLED, 0);
    }
    return LIBUSB_SUCCESS;
}

int FakeUsbBackend::handleEventsCompleted(libusb_context *context, int *completed)
{
    std::unique_lock lock(m_lock);
    ++m_counters.handleEvents;
    if (!m_initialised || context != reinterpret_cast<libusb_context *>(this))
        violation(QStringLiteral("handled events without libusb"));
    m_counters.maxConcurrentEventHandlers = std::max(m_counters.maxConcurrentEventHandlers, ++m_activeEventHandlers);
    if (!m_eventThreads.contains(std::this_thread::get_id()))
        m_eventThreads.append(std::this_thread::get_id());

    const Clock::time_point limit = Clock::now() + EventHandlerLimit;
    const quint64 wakeCount = m_wakeCount;
    for (;;) {
        const Clock::time_point now = Clock::now();
        expireDeadlines(now);
        if (!m_completions.empty() || m_interrupted || m_wakeCount != wakeCount || now >= limit)
            break;
        Clock::time_point until = limit;
        if (const std::optional<Clock::time_point> deadline = earliestDeadline())
            until = std::min(until, *deadline);
        m_eventsChanged.wait_until(lock, until);
    }
    m_interrupted = false;

    std::deque<Completion> ready;
    ready.swap(m_completions);
    for (const Completion &completion : ready) {
        const auto found = m_transfers.find(completion.transfer);
        if (found == m_transfers.end())
            continue;
        if (found->second.freedInFlight) {
            m_transfers.erase(found);
            delete completion.transfer;
            continue;
        }
        found->second = TransferState{};
        completion.transfer->status = completion.status;
        completion.transfer->actual_length = completion.actualLength;
        lock.unlock();
        completion.transfer->callback(completion.transfer);
        lock.lock();
    }
    --m_activeEventHandlers;
    if (completed)
        *completed = 1;
    return LIBUSB_SUCCESS;
}

void FakeUsbBackend::interruptEventHandler(libusb_context *)
{
    std::lock_guard lock(m_lock);
    ++m_counters.interrupt;
    m_interrupted = true;
    m_eventsChanged.notify_all();
}

int FakeUsbBackend::raiseTransferThreadPriority()
{
    std::lock_guard lock(m_lock);
    m_priorityRaises.append(std::this_thread::get_id());
    return m_priorityError;
}
