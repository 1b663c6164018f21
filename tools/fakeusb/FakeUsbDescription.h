#pragma once

#include <libusb.h>

#include <QList>

#include <cstdint>

// What a device on the fake bus looks like: its identity and its one
// configuration, as libusb reports them.
struct FakeUsbEndpoint
{
    uint8_t address = 0;
    uint8_t attributes = LIBUSB_TRANSFER_TYPE_BULK;
    uint16_t maxPacketSize = 64;
};

struct FakeUsbAltSetting
{
    uint8_t interfaceClass = 0xFF;
    uint8_t interfaceSubClass = 0x01;
    uint8_t interfaceProtocol = 0x00;
    QList<FakeUsbEndpoint> endpoints;
};

struct FakeUsbInterface
{
    QList<FakeUsbAltSetting> altSettings;
};

struct FakeUsbDeviceDescription
{
    uint16_t vendorId = 0x1FC9;
    uint16_t productId = 0x828A;
    uint8_t configurationValue = 1;
    QList<FakeUsbInterface> interfaces;

    // A controller board: one datalink interface (class 0xFF, subclass 1, protocol
    // 0) with bulk IN 0x81 and bulk OUT 0x01 of the given packet size.
    static FakeUsbDeviceDescription board(uint16_t maxPacketSize = 64)
    {
        FakeUsbDeviceDescription description;
        FakeUsbAltSetting setting;
        setting.endpoints = {{0x81, LIBUSB_TRANSFER_TYPE_BULK, maxPacketSize},
                             {0x01, LIBUSB_TRANSFER_TYPE_BULK, maxPacketSize}};
        description.interfaces = {FakeUsbInterface{{setting}}};
        return description;
    }
};
