#include "UsbEventThread.h"

#include "UsbBackend.h"

UsbEventThread::UsbEventThread(UsbBackend &backend)
    : m_backend(backend)
{
}

UsbEventThread::~UsbEventThread()
{
    stop();
}

void UsbEventThread::start(libusb_context *context)
{
    if (m_thread.joinable())
        return;
    m_context = context;
    m_usbEventsRunning = true;
    m_thread = std::thread(&UsbEventThread::usbEventLoop, this);
}

void UsbEventThread::stop()
{
    if (!m_thread.joinable())
        return;
    m_usbEventsRunning = false;
    // The interruption is kept until the handler next runs, so it also reaches a
    // loop that is just about to call it.
    m_backend.interruptEventHandler(m_context);
    m_thread.join();
}

void UsbEventThread::usbEventLoop()
{
    while (m_usbEventsRunning)
        m_backend.handleEventsCompleted(m_context, nullptr);
}
