// The seam between the receiver link and the USB library.
//
// Every USB call of the program goes through the table in force, so tests and
// the emulated receiver can stand in for libusb 0.1 without touching the link.
#pragma once

#include <usb.h>

struct UsbApi {
    void (*init)(void);
    int (*find_busses)(void);
    int (*find_devices)(void);
    struct usb_bus* (*get_busses)(void);
    usb_dev_handle* (*open)(struct usb_device* dev);
    int (*close)(usb_dev_handle* dev);
    int (*set_configuration)(usb_dev_handle* dev, int configuration);
    int (*claim_interface)(usb_dev_handle* dev, int interface);
    int (*release_interface)(usb_dev_handle* dev, int interface);
    int (*set_altinterface)(usb_dev_handle* dev, int alternate);
    int (*bulk_write)(usb_dev_handle* dev, int ep, const char* bytes, int size, int timeout);
    int (*bulk_read)(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
    int (*control_msg)(usb_dev_handle* dev, int requesttype, int request, int value, int index,
                       char* bytes, int size, int timeout);
    char* (*strerror)(void);
};

// The real libusb 0.1 library.
const UsbApi& LibusbApi();

// Installs a table; null restores the real library. The table must outlive its use.
void SetUsbApi(const UsbApi* pApi);

// The table in force.
const UsbApi& Usb();
