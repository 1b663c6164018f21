#include "LibusbBackend.h"

#include "ThreadPriority.h"

LibusbBackend &LibusbBackend::instance()
{
    static LibusbBackend backend;
    return backend;
}

int LibusbBackend::init(libusb_context **context)
{
    return libusb_init(context);
}

void LibusbBackend::exit(libusb_context *context)
{
    libusb_exit(context);
}

int LibusbBackend::setLogLevel(libusb_context *context, int level)
{
    return libusb_set_option(context, LIBUSB_OPTION_LOG_LEVEL, level);
}

std::ptrdiff_t LibusbBackend::getDeviceList(libusb_context *context, libusb_device ***list)
{
    return libusb_get_device_list(context, list);
}

void LibusbBackend::freeDeviceList(libusb_device **list, int unrefDevices)
{
    libusb_free_device_list(list, unrefDevices);
}

libusb_device *LibusbBackend::refDevice(libusb_device *device)
{
    return libusb_ref_device(device);
}

void LibusbBackend::unrefDevice(libusb_device *device)
{
    libusb_unref_device(device);
}

int LibusbBackend::getDeviceDescriptor(libusb_device *device, libusb_device_descriptor *descriptor)
{
    return libusb_get_device_descriptor(device, descriptor);
}

std::string LibusbBackend::portPath(libusb_device *device)
{
    std::string path = std::to_string(libusb_get_bus_number(device));
    uint8_t ports[7];
    const int depth = libusb_get_port_numbers(device, ports, int(sizeof(ports)));
    for (int i = 0; i < depth; ++i)
        path += (i == 0 ? "-" : ".") + std::to_string(ports[i]);
    return path;
}

int LibusbBackend::getConfigDescriptor(libusb_device *device, uint8_t index, libusb_config_descriptor **config)
{
    return libusb_get_config_descriptor(device, index, config);
}

void LibusbBackend::freeConfigDescriptor(libusb_config_descriptor *config)
{
    libusb_free_config_descriptor(config);
}

int LibusbBackend::open(libusb_device *device, libusb_device_handle **handle)
{
    return libusb_open(device, handle);
}

void LibusbBackend::close(libusb_device_handle *handle)
{
    libusb_close(handle);
}

int LibusbBackend::setAutoDetachKernelDriver(libusb_device_handle *handle, int enable)
{
    return libusb_set_auto_detach_kernel_driver(handle, enable);
}

int LibusbBackend::setConfiguration(libusb_device_handle *handle, int configuration)
{
    return libusb_set_configuration(handle, configuration);
}

int LibusbBackend::claimInterface(libusb_device_handle *handle, int interfaceNumber)
{
    return libusb_claim_interface(handle, interfaceNumber);
}

int LibusbBackend::releaseInterface(libusb_device_handle *handle, int interfaceNumber)
{
    return libusb_release_interface(handle, interfaceNumber);
}

libusb_transfer *LibusbBackend::allocTransfer(int isoPackets)
{
    return libusb_alloc_transfer(isoPackets);
}

void LibusbBackend::freeTransfer(libusb_transfer *transfer)
{
    libusb_free_transfer(transfer);
}

int LibusbBackend::submitTransfer(libusb_transfer *transfer)
{
    return libusb_submit_transfer(transfer);
}

int LibusbBackend::cancelTransfer(libusb_transfer *transfer)
{
    return libusb_cancel_transfer(transfer);
}

int LibusbBackend::handleEventsCompleted(libusb_context *context, int *completed)
{
    return libusb_handle_events_completed(context, completed);
}

void LibusbBackend::interruptEventHandler(libusb_context *context)
{
    libusb_interrupt_event_handler(context);
}

int LibusbBackend::raiseTransferThreadPriority()
{
    return halvora::platform::raiseCurrentThreadPriority();
}
