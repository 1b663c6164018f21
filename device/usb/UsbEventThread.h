#pragma once

#include <libusb.h>

#include <atomic>
#include <thread>

class UsbBackend;

// The thread that runs libusb's event handler, on which every transfer completion
// of the USB datalinks is delivered. It runs while at least one USB board is known.
class UsbEventThread
{
public:
    explicit UsbEventThread(UsbBackend &backend);
    ~UsbEventThread();

    UsbEventThread(const UsbEventThread &) = delete;
    UsbEventThread &operator=(const UsbEventThread &) = delete;

    void start(libusb_context *context);
    // Ends the loop and joins the thread; returns at once when it is not running.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

private:
    void usbEventLoop();

    UsbBackend &m_backend;
    libusb_context *m_context = nullptr;
    std::atomic<bool> m_usbEventsRunning{false};
    std::thread m_thread;
};
