#include "FakeUsbDevice.h"

#include "FakeUsbBackend.h"

FakeUsbDevice::FakeUsbDevice(FakeUsbBackend &bus, int id, FakeUsbDeviceDescription description)
    : m_bus(bus)
    , m_id(id)
    , m_description(std::move(description))
{
}

void FakeUsbDevice::setHostWriteHandler(std::function<void(const QByteArray &)> handler)
{
    std::lock_guard lock(m_handlerLock);
    m_hostWriteHandler = std::move(handler);
}

void FakeUsbDevice::sendToHost(const QByteArray &bytes)
{
    std::lock_guard lock(m_bus.m_lock);
    if (!m_plugged)
        return;
    m_toHost.append(bytes);
    m_bus.serveIn(*this);
}

qsizetype FakeUsbDevice::bytesWaitingForHost() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_toHost.size();
}

void FakeUsbDevice::setReading(bool reading)
{
    std::lock_guard lock(m_bus.m_lock);
    m_reading = reading;
}

void FakeUsbDevice::setSwallowingOut(bool swallowing)
{
    std::lock_guard lock(m_bus.m_lock);
    m_swallowingOut = swallowing;
}

void FakeUsbDevice::scriptOutStatuses(const QList<libusb_transfer_status> &statuses)
{
    std::lock_guard lock(m_bus.m_lock);
    m_outStatuses.insert(m_outStatuses.end(), statuses.begin(), statuses.end());
}

void FakeUsbDevice::scriptInStatus(libusb_transfer_status status)
{
    std::lock_guard lock(m_bus.m_lock);
    // A pending IN transfer takes the status at once.
    if (!m_pendingIn.empty()) {
        libusb_transfer *transfer = m_pendingIn.front();
        m_pendingIn.pop_front();
        m_bus.complete(transfer, status, 0);
        return;
    }
    m_inStatuses.push_back(status);
}

void FakeUsbDevice::failOutSubmission(int error, int skip)
{
    std::lock_guard lock(m_bus.m_lock);
    m_outFailure = ScriptedFailure{error, skip};
}

void FakeUsbDevice::failInSubmission(int error, int skip)
{
    std::lock_guard lock(m_bus.m_lock);
    m_inFailure = ScriptedFailure{error, skip};
}

void FakeUsbDevice::setOpenError(int error)
{
    std::lock_guard lock(m_bus.m_lock);
    m_openError = error;
}

void FakeUsbDevice::setClaimError(int error)
{
    std::lock_guard lock(m_bus.m_lock);
    m_claimError = error;
}

bool FakeUsbDevice::isPlugged() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_plugged;
}

bool FakeUsbDevice::isOpen() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_openHandles > 0;
}

QSet<int> FakeUsbDevice::claimedInterfaces() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_claimed;
}

QList<FakeUsbDevice::OutTransfer> FakeUsbDevice::outTransfers() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_outTransfers;
}

QByteArray FakeUsbDevice::bytesFromHost() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_fromHost;
}

int FakeUsbDevice::inSubmissions() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_inSubmissions;
}

int FakeUsbDevice::openCount() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_openCount;
}

int FakeUsbDevice::closeCount() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_closeCount;
}

int FakeUsbDevice::configurationSet() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_configurationSet;
}

int FakeUsbDevice::autoDetachRequests() const
{
    std::lock_guard lock(m_bus.m_lock);
    return m_autoDetachRequests;
}
