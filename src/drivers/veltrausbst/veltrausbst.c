/*
 * veltrausbst: stub function driver for the receiver's USB device.
 * See veltrausbst.h for what it does and does not do.
 */
#include "veltrausbst.h"

/* The WDM revision from which a function device may start as FILE_DEVICE_UNKNOWN;
 * on older systems it takes the type of the device already at the top of the stack. */
#define WDM_MAJOR_VERSION 1
#define WDM_MINOR_VERSION 0x20

/* Ends a request here with the given status and no data. */
static NTSTATUS CompleteRequest(PIRP Irp, NTSTATUS Status)
{
    Irp->IoStatus.Information = 0;
    Irp->IoStatus.Status = Status;
    IoCompleteRequest(Irp, IO_NO_INCREMENT);
    return Status;
}

/* Hands the request unchanged to the next lower device and returns its result. */
static NTSTATUS PassDown(PDEVICE_EXTENSION Extension, PIRP Irp)
{
    IoSkipCurrentIrpStackLocation(Irp);
    return IoCallDriver(Extension->pLowerDevice, Irp);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath)
{
    (void)RegistryPath;
    for (int nMajor = 0; nMajor <= IRP_MJ_MAXIMUM_FUNCTION; ++nMajor)
        DriverObject->MajorFunction[nMajor] = Dispatch;
    DriverObject->DriverExtension->AddDevice = AddDevice;
    DriverObject->DriverUnload = Unload;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT DriverObject, PDEVICE_OBJECT PhysicalDeviceObject)
{
    DEVICE_TYPE nType = FILE_DEVICE_UNKNOWN;
    if (!IoIsWdmVersionAvailable(WDM_MAJOR_VERSION, WDM_MINOR_VERSION)) {
        PDEVICE_OBJECT pTop = IoGetAttachedDeviceReference(PhysicalDeviceObject);
        nType = pTop->DeviceType;
        ObDereferenceObject(pTop);
    }

    PDEVICE_OBJECT pDevice = NULL;
    NTSTATUS status = IoCreateDevice(DriverObject, sizeof(DEVICE_EXTENSION), NULL, nType, 0,
                                     FALSE, &pDevice);
    if (!NT_SUCCESS(status))
        return status;

    PDEVICE_EXTENSION pExt = (PDEVICE_EXTENSION)pDevice->DeviceExtension;
    pExt->pSelf = pDevice;
    pExt->pLowerDevice = IoAttachDeviceToDeviceStack(pDevice, PhysicalDeviceObject);
    if (pExt->pLowerDevice == NULL) {
        /* A device attached to nothing could never pass a request on. */
        IoDeleteDevice(pDevice);
        return STATUS_NO_SUCH_DEVICE;
    }

    pDevice->DeviceType = pExt->pLowerDevice->DeviceType;
    pDevice->Characteristics = pExt->pLowerDevice->Characteristics;
    pDevice->Flags |= DO_POWER_PAGABLE | DO_DIRECT_IO;
    pDevice->Flags &= ~(ULONG)DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

void NTAPI Unload(PDRIVER_OBJECT DriverObject)
{
    (void)DriverObject;
}

NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    PDEVICE_EXTENSION pExt = (PDEVICE_EXTENSION)DeviceObject->DeviceExtension;
    switch (IoGetCurrentIrpStackLocation(Irp)->MajorFunction) {
    case IRP_MJ_CLEANUP:
        return CompleteRequest(Irp, STATUS_SUCCESS);
    case IRP_MJ_POWER:
        PoStartNextPowerIrp(Irp);
        IoSkipCurrentIrpStackLocation(Irp);
        return PoCallDriver(pExt->pLowerDevice, Irp);
    case IRP_MJ_PNP:
        return DispatchPnp(DeviceObject, Irp);
    default:
        return CompleteRequest(Irp, STATUS_NOT_SUPPORTED);
    }
}

NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    PDEVICE_EXTENSION pExt = (PDEVICE_EXTENSION)DeviceObject->DeviceExtension;
    switch (IoGetCurrentIrpStackLocation(Irp)->MinorFunction) {
    case IRP_MN_REMOVE_DEVICE: {
        /* The request may not be touched once passed down, nor the device once deleted. */
        PDEVICE_OBJECT pLower = pExt->pLowerDevice;
        Irp->IoStatus.Status = STATUS_SUCCESS;
        NTSTATUS status = PassDown(pExt, Irp);
        IoDetachDevice(pLower);
        IoDeleteDevice(DeviceObject);
        return status;
    }
    case IRP_MN_START_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
        Irp->IoStatus.Status = STATUS_SUCCESS;
        return PassDown(pExt, Irp);
    default:
        Irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
        return PassDown(pExt, Irp);
    }
}
