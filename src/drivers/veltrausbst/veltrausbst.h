/*
 * veltrausbst: stub function driver for the receiver's USB device.
 *
 * It attaches one unnamed function device object to each receiver's device
 * stack and passes plug and play and power requests down; every other
 * request, opening the device included, fails with STATUS_NOT_SUPPORTED.
 * Quorvane itself reaches the receiver through the user-mode USB library,
 * never through this driver.
 */
#ifndef QUORVANE_DRIVERS_VELTRAUSBST_H
#define QUORVANE_DRIVERS_VELTRAUSBST_H

#include "wdm_min.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Extension of each function device object; written only in AddDevice. */
typedef struct _DEVICE_EXTENSION {
    PDEVICE_OBJECT pSelf;        /* the function device object itself */
    PDEVICE_OBJECT pLowerDevice; /* next lower device: every passed-down request goes here */
} DEVICE_EXTENSION, *PDEVICE_EXTENSION;

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath);
NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT DriverObject, PDEVICE_OBJECT PhysicalDeviceObject);
void NTAPI Unload(PDRIVER_OBJECT DriverObject);
NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT DeviceObject, PIRP Irp);
NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT DeviceObject, PIRP Irp);

#ifdef __cplusplus
}
#endif

#endif
