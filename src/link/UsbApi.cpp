#include "UsbApi.h"

#include <atomic>

namespace {

const UsbApi kLibusb = {
    usb_init,
    usb_find_busses,
    usb_find_devices,
    usb_get_busses,
    usb_open,
    usb_close,
    usb_set_configuration,
    usb_claim_interface,
    usb_release_interface,
    usb_set_altinterface,
    usb_bulk_write,
    usb_bulk_read,
    usb_control_msg,
    usb_strerror,
};

// Read from the user-interface thread (presence poll) and a transfer worker.
std::atomic<const UsbApi*> s_pApi{&kLibusb};

}  // namespace

const UsbApi& LibusbApi() { return kLibusb; }

void SetUsbApi(const UsbApi* pApi) { s_pApi.store(pApi ? pApi : &kLibusb); }

const UsbApi& Usb() { return *s_pApi.load(); }
