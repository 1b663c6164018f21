#pragma once

#include "FakeUsbDescription.h"

#include <libusb.h>

#include <QByteArray>
#include <QList>
#include <QSet>

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class FakeUsbBackend;

// One device on the fake bus. Everything here may be called from any thread; the
// state is guarded by the bus. What the host writes to a bulk OUT endpoint is
// handed to the host-write handler; bytes given to sendToHost come back as bulk IN
// completions. Failures are scripted per device.
class FakeUsbDevice
{
public:
    // One OUT submission as the bus saw it.
    struct OutTransfer
    {
        uint8_t endpoint = 0;
        int length = 0;
        unsigned int timeout = 0;
        QByteArray bytes;
        std::thread::id thread;
    };

    FakeUsbDevice(FakeUsbBackend &bus, int id, FakeUsbDeviceDescription description);

    int id() const { return m_id; }
    const FakeUsbDeviceDescription &description() const { return m_description; }

    // Called with the bytes of every completed OUT chunk, outside the bus lock.
    void setHostWriteHandler(std::function<void(const QByteArray &)> handler);
    // Queues bytes for the host; each IN transfer takes at most its length.
    void sendToHost(const QByteArray &bytes);

    // false: OUT transfers stay pending until their own time-out ends them.
    void setReading(bool reading);
    // true: OUT transfers never complete, their time-out notwithstanding.
    void setSwallowingOut(bool swallowing);
    // The next OUT chunks complete with these statuses instead of being taken.
    void scriptOutStatuses(const QList<libusb_transfer_status> &statuses);
    // The next IN transfer completes with this status (and no data).
    void scriptInStatus(libusb_transfer_status status);
    // After `skip` more successful OUT (IN) submissions, the next one fails with error.
    void failOutSubmission(int error, int skip = 0);
    void failInSubmission(int error, int skip = 0);
    // Every open (claim) fails with error until cleared with 0.
    void setOpenError(int error);
    void setClaimError(int error);

    bool isPlugged() const;
    bool isOpen() const;
    QSet<int> claimedInterfaces() const;
    QList<OutTransfer> outTransfers() const;
    QByteArray bytesFromHost() const;
    // Bytes given to sendToHost that no IN transfer has taken yet.
    qsizetype bytesWaitingForHost() const;
    int inSubmissions() const;
    int openCount() const;
    int closeCount() const;
    int configurationSet() const;
    int autoDetachRequests() const;

private:
    friend class FakeUsbBackend;

    struct ScriptedFailure
    {
        int error = 0;
        int skip = 0;
    };

    FakeUsbBackend &m_bus;
    const int m_id;
    const FakeUsbDeviceDescription m_description;

    // Guarded by the bus lock.
    bool m_plugged = true;
    int m_references = 0;
    int m_openHandles = 0;
    QSet<int> m_claimed;
    QByteArray m_toHost;
    std::deque<libusb_transfer *> m_pendingIn;
    bool m_reading = true;
    bool m_swallowingOut = false;
    std::deque<libusb_transfer_status> m_outStatuses;
    std::deque<libusb_transfer_status> m_inStatuses;
    std::optional<ScriptedFailure> m_outFailure;
    std::optional<ScriptedFailure> m_inFailure;
    int m_openError = 0;
    int m_claimError = 0;
    QList<OutTransfer> m_outTransfers;
    QByteArray m_fromHost;
    int m_inSubmissions = 0;
    int m_openCount = 0;
    int m_closeCount = 0;
    int m_configurationSet = -1;
    int m_autoDetachRequests = 0;

    // Calls to the handler run under this lock, so that replacing it waits for them.
    mutable std::mutex m_handlerLock;
    std::function<void(const QByteArray &)> m_hostWriteHandler;
};
