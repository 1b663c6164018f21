#pragma once

#include "UsbBackend.h"

// The seam over libusb-1.0 itself.
class LibusbBackend final : public UsbBackend
{
public:
    // The process-wide backend; it holds no state of its own.
    static LibusbBackend &instance();

    int init(libusb_context **context) override;
    void exit(libusb_context *context) override;
    int setLogLevel(libusb_context *context, int level) override;

    std::ptrdiff_t getDeviceList(libusb_context *context, libusb_device ***list) override;
    void freeDeviceList(libusb_device **list, int unrefDevices) override;
    libusb_device *refDevice(libusb_device *device) override;
    void unrefDevice(libusb_device *device) override;
    int getDeviceDescriptor(libusb_device *device, libusb_device_descriptor *descriptor) override;
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
};
