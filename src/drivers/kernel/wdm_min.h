/*
 * Minimal kernel declarations for the veltrausbst stub driver.
 *
 * Only what the driver touches is declared here: the device and driver
 * objects, requests (IRPs) with their stack locations, the status codes and
 * the kernel services the driver calls.  Field order and sizes follow no
 * kernel's binary layout; the declarations are shared by the driver and by the
 * simulated I/O manager that the tests link in place of the kernel.
 */
#ifndef QUORVANE_DRIVERS_KERNEL_WDM_MIN_H
#define QUORVANE_DRIVERS_KERNEL_WDM_MIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Calling conventions of the 32-bit kernel; plain C everywhere else. */
#if defined(_MSC_VER) && defined(_M_IX86)
#define NTAPI __stdcall
#define FASTCALL __fastcall
#else
#define NTAPI
#define FASTCALL
#endif

typedef int32_t NTSTATUS;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef uint16_t USHORT;
typedef uint8_t UCHAR;
typedef uint8_t BOOLEAN;
typedef char CCHAR;
typedef void* PVOID;
typedef uintptr_t ULONG_PTR;
typedef intptr_t LONG_PTR;
typedef uint16_t WCHAR;
typedef ULONG DEVICE_TYPE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/* Status codes: severity in the top two bits, so failures are negative. */
#define STATUS_SUCCESS ((NTSTATUS)0x00000000L)
#define STATUS_PENDING ((NTSTATUS)0x00000103L)
#define STATUS_UNSUCCESSFUL ((NTSTATUS)0xC0000001L)
#define STATUS_NO_SUCH_DEVICE ((NTSTATUS)0xC000000EL)
#define STATUS_INSUFFICIENT_RESOURCES ((NTSTATUS)0xC000009AL)
#define STATUS_NOT_SUPPORTED ((NTSTATUS)0xC00000BBL)
#define NT_SUCCESS(status) (((NTSTATUS)(status)) >= 0)

/* Device types and device object flags. */
#define FILE_DEVICE_UNKNOWN 0x00000022
#define DO_DIRECT_IO 0x00000010
#define DO_EXCLUSIVE 0x00000008
#define DO_DEVICE_INITIALIZING 0x00000080
#define DO_POWER_PAGABLE 0x00002000

/* Priority boost for IofCompleteRequest. */
#define IO_NO_INCREMENT 0

/* Major function codes. */
#define IRP_MJ_CREATE 0x00
#define IRP_MJ_CLOSE 0x02
#define IRP_MJ_READ 0x03
#define IRP_MJ_WRITE 0x04
#define IRP_MJ_DEVICE_CONTROL 0x0E
#define IRP_MJ_INTERNAL_DEVICE_CONTROL 0x0F
#define IRP_MJ_CLEANUP 0x12
#define IRP_MJ_POWER 0x16
#define IRP_MJ_SYSTEM_CONTROL 0x17
#define IRP_MJ_PNP 0x1B
#define IRP_MJ_MAXIMUM_FUNCTION 0x1B

/* Plug and play minor function codes. */
#define IRP_MN_START_DEVICE 0x00
#define IRP_MN_QUERY_REMOVE_DEVICE 0x01
#define IRP_MN_REMOVE_DEVICE 0x02
#define IRP_MN_CANCEL_REMOVE_DEVICE 0x03
#define IRP_MN_STOP_DEVICE 0x04
#define IRP_MN_QUERY_STOP_DEVICE 0x05
#define IRP_MN_CANCEL_STOP_DEVICE 0x06
#define IRP_MN_QUERY_DEVICE_RELATIONS 0x07
#define IRP_MN_QUERY_CAPABILITIES 0x09
#define IRP_MN_QUERY_ID 0x13
#define IRP_MN_SURPRISE_REMOVAL 0x17

typedef struct _UNICODE_STRING {
    USHORT Length;        /* bytes in use */
    USHORT MaximumLength; /* bytes allocated */
    WCHAR* Buffer;
} UNICODE_STRING, *PUNICODE_STRING;

typedef struct _IO_STATUS_BLOCK {
    NTSTATUS Status;
    ULONG_PTR Information;
} IO_STATUS_BLOCK, *PIO_STATUS_BLOCK;

struct _DEVICE_OBJECT;
struct _DRIVER_OBJECT;
struct _IRP;

typedef NTSTATUS NTAPI DRIVER_DISPATCH(struct _DEVICE_OBJECT* DeviceObject, struct _IRP* Irp);
typedef DRIVER_DISPATCH* PDRIVER_DISPATCH;
typedef NTSTATUS NTAPI DRIVER_ADD_DEVICE(struct _DRIVER_OBJECT* DriverObject,
                                         struct _DEVICE_OBJECT* PhysicalDeviceObject);
typedef DRIVER_ADD_DEVICE* PDRIVER_ADD_DEVICE;
typedef void NTAPI DRIVER_UNLOAD(struct _DRIVER_OBJECT* DriverObject);
typedef DRIVER_UNLOAD* PDRIVER_UNLOAD;

typedef struct _DRIVER_EXTENSION {
    struct _DRIVER_OBJECT* DriverObject;
    PDRIVER_ADD_DEVICE AddDevice;
} DRIVER_EXTENSION, *PDRIVER_EXTENSION;

typedef struct _DRIVER_OBJECT {
    struct _DEVICE_OBJECT* DeviceObject; /* first device created by this driver */
    PDRIVER_EXTENSION DriverExtension;
    PDRIVER_UNLOAD DriverUnload;
    PDRIVER_DISPATCH MajorFunction[IRP_MJ_MAXIMUM_FUNCTION + 1];
} DRIVER_OBJECT, *PDRIVER_OBJECT;

typedef struct _DEVICE_OBJECT {
    struct _DRIVER_OBJECT* DriverObject;
    struct _DEVICE_OBJECT* NextDevice;     /* next device of the same driver */
    struct _DEVICE_OBJECT* AttachedDevice; /* device attached above this one */
    ULONG Flags;
    ULONG Characteristics;
    PVOID DeviceExtension;
    DEVICE_TYPE DeviceType;
    CCHAR StackSize; /* stack locations a request sent here needs */
} DEVICE_OBJECT, *PDEVICE_OBJECT;

typedef struct _IO_STACK_LOCATION {
    UCHAR MajorFunction;
    UCHAR MinorFunction;
    UCHAR Flags;
    UCHAR Control;
    PDEVICE_OBJECT DeviceObject;
} IO_STACK_LOCATION, *PIO_STACK_LOCATION;

/*
 * A request.  Its stack locations are numbered 1..StackCount; a request is
 * created with CurrentLocation = StackCount + 1, and each call into a driver
 * moves one location down, so the topmost driver sees location StackCount.
 */
typedef struct _IRP {
    IO_STATUS_BLOCK IoStatus;
    CCHAR StackCount;
    CCHAR CurrentLocation;
    PIO_STACK_LOCATION CurrentStackLocation;
} IRP, *PIRP;

static inline PIO_STACK_LOCATION IoGetCurrentIrpStackLocation(PIRP Irp)
{
    return Irp->CurrentStackLocation;
}

static inline PIO_STACK_LOCATION IoGetNextIrpStackLocation(PIRP Irp)
{
    return Irp->CurrentStackLocation - 1;
}

/* Hands the current stack location unchanged to the next lower driver. */
static inline void IoSkipCurrentIrpStackLocation(PIRP Irp)
{
    Irp->CurrentLocation++;
    Irp->CurrentStackLocation++;
}

/* Kernel services. */
BOOLEAN NTAPI IoIsWdmVersionAvailable(UCHAR MajorVersion, UCHAR MinorVersion);
PDEVICE_OBJECT NTAPI IoGetAttachedDeviceReference(PDEVICE_OBJECT DeviceObject);
LONG_PTR FASTCALL ObfDereferenceObject(PVOID Object);
NTSTATUS NTAPI IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize,
                              PUNICODE_STRING DeviceName, DEVICE_TYPE DeviceType,
                              ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                              PDEVICE_OBJECT* DeviceObject);
PDEVICE_OBJECT NTAPI IoAttachDeviceToDeviceStack(PDEVICE_OBJECT SourceDevice,
                                                 PDEVICE_OBJECT TargetDevice);
void NTAPI IoDetachDevice(PDEVICE_OBJECT TargetDevice);
void NTAPI IoDeleteDevice(PDEVICE_OBJECT DeviceObject);
NTSTATUS FASTCALL IofCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp);
void FASTCALL IofCompleteRequest(PIRP Irp, CCHAR PriorityBoost);
void NTAPI PoStartNextPowerIrp(PIRP Irp);
NTSTATUS NTAPI PoCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp);

#define IoCallDriver(DeviceObject, Irp) IofCallDriver((DeviceObject), (Irp))
#define IoCompleteRequest(Irp, Boost) IofCompleteRequest((Irp), (Boost))
#define ObDereferenceObject(Object) ObfDereferenceObject((Object))

#ifdef __cplusplus
}
#endif

#endif
