// A user-space stand-in for the kernel's I/O, plug and play and power
// managers, enough to load the stub driver, build device stacks under it,
// send it requests and see what reached the drivers below.
//
// The kernel services declared in wdm_min.h are defined in SimIoManager.cpp
// and act on the one CSimIoManager alive at the time. Misuse of a service
// (a call to a deleted device, deleting a device still in a stack, releasing
// a reference never taken, completing a request twice...) is recorded in
// Faults() rather than crashing, so tests can assert there was none.
#pragma once

#include "wdm_min.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What one lower (bus or filter) driver saw when a request reached it.
struct SLowerCall {
    PDEVICE_OBJECT pDevice = nullptr;
    UCHAR nMajor = 0;
    UCHAR nMinor = 0;
    NTSTATUS nStatusOnArrival = 0;
    ULONG_PTR nInformationOnArrival = 0;
    int nLocation = 0;             // the request's CurrentLocation on arrival
    bool bViaPoCallDriver = false; // sent with PoCallDriver rather than IofCallDriver
};

// Parameters of one IoCreateDevice call.
struct SCreateCall {
    ULONG nExtensionSize = 0;
    bool bNamed = false;
    DEVICE_TYPE nType = 0;
    ULONG nCharacteristics = 0;
    bool bExclusive = false;
};

// One request sent by the simulated plug and play manager, and its fate.
struct SRequest {
    IRP irp{};
    std::vector<IO_STACK_LOCATION> vecStack;
    int nCompletions = 0;
    int nBoost = -1;
};

class CSimIoManager {
public:
    // Status and information a new request carries before any driver sets
    // them, so tests can see whether a driver wrote them.
    static constexpr NTSTATUS kPresetStatus = static_cast<NTSTATUS>(0xE0001234);
    static constexpr ULONG_PTR kPresetInformation = 0x5A5A;

    CSimIoManager();
    ~CSimIoManager();
    CSimIoManager(const CSimIoManager&) = delete;
    CSimIoManager& operator=(const CSimIoManager&) = delete;

    // --- behaviour of the simulated system -------------------------------
    // Highest WDM minor revision (of major 1) the system reports.
    UCHAR m_nWdmMinor = 0x30;
    // When set to a failure, IoCreateDevice fails with it.
    NTSTATUS m_nCreateFailure = STATUS_SUCCESS;
    // IoAttachDeviceToDeviceStack returns no device.
    bool m_bAttachFails = false;
    // Result of the recording lower drivers: unset keeps the status found in
    // the request; STATUS_PENDING returns without completing.
    std::optional<NTSTATUS> m_optLowerResult;

    // --- building device stacks ------------------------------------------
    // A physical device object of the simulated bus driver.
    PDEVICE_OBJECT CreatePhysicalDevice(DEVICE_TYPE nType, ULONG nCharacteristics);
    // A recording filter device attached on top of pTarget's stack.
    PDEVICE_OBJECT AttachFilter(PDEVICE_OBJECT pTarget, DEVICE_TYPE nType, ULONG nCharacteristics);
    // Calls the stub driver's DriverEntry on its driver object.
    NTSTATUS LoadDriver();
    // Calls the AddDevice routine the driver registered.
    NTSTATUS AddDevice(PDEVICE_OBJECT pPhysical);
    DRIVER_OBJECT& Driver() { return m_driver; }
    // Topmost device of the stack that pDevice belongs to.
    static PDEVICE_OBJECT Top(PDEVICE_OBJECT pDevice);

    // --- requests --------------------------------------------------------
    // Sends a new request with the given codes to pTarget, as the plug and
    // play manager would, and returns what the call returned.
    NTSTATUS Send(PDEVICE_OBJECT pTarget, UCHAR nMajor, UCHAR nMinor);
    // The most recent request Send created.
    const SRequest& LastRequest() const { return *m_vecRequests.back(); }

    // --- inspection ------------------------------------------------------
    const std::vector<SLowerCall>& LowerCalls() const { return m_vecLowerCalls; }
    const std::vector<SCreateCall>& CreateCalls() const { return m_vecCreateCalls; }
    // Kernel service calls in order, by name.
    const std::vector<std::string>& Events() const { return m_vecEvents; }
    const std::vector<std::string>& Faults() const { return m_vecFaults; }
    // Created and not yet deleted.
    bool Exists(PDEVICE_OBJECT pDevice) const;
    // The device below pDevice in its stack (what it is attached to).
    PDEVICE_OBJECT AttachedTo(PDEVICE_OBJECT pDevice) const;
    // Object references taken with IoGetAttachedDeviceReference and not released.
    int OutstandingReferences() const;

    // --- kernel services (called through the C entry points) -------------
    BOOLEAN IsWdmVersionAvailable(UCHAR nMajor, UCHAR nMinor);
    PDEVICE_OBJECT GetAttachedDeviceReference(PDEVICE_OBJECT pDevice);
    LONG_PTR DereferenceObject(PVOID pObject);
    NTSTATUS CreateDevice(PDRIVER_OBJECT pDriver, ULONG nExtensionSize, PUNICODE_STRING pName,
                          DEVICE_TYPE nType, ULONG nCharacteristics, BOOLEAN bExclusive,
                          PDEVICE_OBJECT* ppDevice);
    PDEVICE_OBJECT AttachDeviceToDeviceStack(PDEVICE_OBJECT pSource, PDEVICE_OBJECT pTarget);
    void DetachDevice(PDEVICE_OBJECT pTarget);
    void DeleteDevice(PDEVICE_OBJECT pDevice);
    NTSTATUS CallDriver(PDEVICE_OBJECT pDevice, PIRP pIrp);
    void CompleteRequest(PIRP pIrp, CCHAR nBoost);
    void StartNextPowerIrp(PIRP pIrp);
    NTSTATUS PoCallDriver(PDEVICE_OBJECT pDevice, PIRP pIrp);

    // What the recording lower drivers do with a request.
    NTSTATUS OnLowerRequest(PDEVICE_OBJECT pDevice, PIRP pIrp);

private:
    struct SDevice {
        DEVICE_OBJECT obj{};
        std::unique_ptr<std::max_align_t[]> pExtension;
        size_t nExtensionBytes = 0;
        PDEVICE_OBJECT pAttachedTo = nullptr;
        int nReferences = 0;
        bool bDeleted = false;
    };

    SDevice* Find(const void* pObject) const;
    SRequest* FindRequest(const IRP* pIrp) const;
    void Fault(std::string strWhat);

    DRIVER_OBJECT m_driver{};
    DRIVER_EXTENSION m_driverExtension{};
    DRIVER_OBJECT m_lowerDriver{}; // the bus and filter drivers below the stub
    std::vector<std::unique_ptr<SDevice>> m_vecDevices;
    std::vector<std::unique_ptr<SRequest>> m_vecRequests;
    std::vector<SLowerCall> m_vecLowerCalls;
    std::vector<SCreateCall> m_vecCreateCalls;
    std::vector<std::string> m_vecEvents;
    std::vector<std::string> m_vecFaults;
    bool m_bInPoCallDriver = false;
};
