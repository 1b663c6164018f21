#pragma once

#include <libusb.h>

#include <cstddef>
#include <string>

// The libusb calls the USB datalink and the USB discovery make, behind one seam so
// that the same code, threads included, runs over the real library or over a fake
// bus in the tests. The calls keep libusb's own types and rules: a transfer in
// flight is never submitted again or freed, cancellation completes in a later event
// run, and completions arrive on the thread that handles events.
class UsbBackend
{
public:
    virtual ~UsbBackend() = default;

    virtual int init(libusb_context **context) = 0;
    virtual void exit(libusb_context *context) = 0;
    // libusb_set_option with LIBUSB_OPTION_LOG_LEVEL.
    virtual int setLogLevel(libusb_context *context, int level) = 0;

    virtual std::ptrdiff_t getDeviceList(libusb_context *context, libusb_device ***list) = 0;
    virtual void freeDeviceList(libusb_device **list, int unrefDevices) = 0;
    virtual libusb_device *refDevice(libusb_device *device) = 0;
    virtual void unrefDevice(libusb_device *device) = 0;
    virtual int getDeviceDescriptor(libusb_device *device, libusb_device_descriptor *descriptor) = 0;
    // Where the device is plugged in, for example "3-1.4" (bus 3, port 1, then port 4
    // of the hub there); it stays the same while the device stays in that port.
    virtual std::string portPath(libusb_device *device) = 0;
    virtual int getConfigDescriptor(libusb_device *device, uint8_t index, libusb_config_descriptor **config) = 0;
    virtual void freeConfigDescriptor(libusb_config_descriptor *config) = 0;

    virtual int open(libusb_device *device, libusb_device_handle **handle) = 0;
    virtual void close(libusb_device_handle *handle) = 0;
    virtual int setAutoDetachKernelDriver(libusb_device_handle *handle, int enable) = 0;
    virtual int setConfiguration(libusb_device_handle *handle, int configuration) = 0;
    virtual int claimInterface(libusb_device_handle *handle, int interfaceNumber) = 0;
    virtual int releaseInterface(libusb_device_handle *handle, int interfaceNumber) = 0;

    virtual libusb_transfer *allocTransfer(int isoPackets) = 0;
    virtual void freeTransfer(libusb_transfer *transfer) = 0;
    virtual int submitTransfer(libusb_transfer *transfer) = 0;
    virtual int cancelTransfer(libusb_transfer *transfer) = 0;

    // Handles pending events; returns after an event, an interruption or at most 60 s.
    virtual int handleEventsCompleted(libusb_context *context, int *completed) = 0;
    // Makes a running (or the next) handleEventsCompleted return.
    virtual void interruptEventHandler(libusb_context *context) = 0;

    // Gives the calling thread, which moves packets to a board, a higher scheduling
    // priority where the system permits it. Returns 0, or the system's error code.
    virtual int raiseTransferThreadPriority() = 0;

    static const char *errorName(int code) { return libusb_error_name(code); }
};
