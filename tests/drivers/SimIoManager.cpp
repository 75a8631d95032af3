#include "SimIoManager.h"

#include "veltrausbst.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

CSimIoManager* g_pSimIo = nullptr;

CSimIoManager& Sim()
{
    if (g_pSimIo == nullptr) {
        std::fputs("kernel service called with no simulated I/O manager\n", stderr);
        std::abort();
    }
    return *g_pSimIo;
}

std::string Hex(unsigned long nValue)
{
    char sz[32];
    std::snprintf(sz, sizeof sz, "0x%lX", nValue);
    return sz;
}

} // namespace

extern "C" {

static NTSTATUS NTAPI SimLowerDispatch(PDEVICE_OBJECT pDevice, PIRP pIrp)
{
    return Sim().OnLowerRequest(pDevice, pIrp);
}

BOOLEAN NTAPI IoIsWdmVersionAvailable(UCHAR nMajor, UCHAR nMinor)
{
    return Sim().IsWdmVersionAvailable(nMajor, nMinor);
}

PDEVICE_OBJECT NTAPI IoGetAttachedDeviceReference(PDEVICE_OBJECT pDevice)
{
    return Sim().GetAttachedDeviceReference(pDevice);
}

LONG_PTR FASTCALL ObfDereferenceObject(PVOID pObject)
{
    return Sim().DereferenceObject(pObject);
}

NTSTATUS NTAPI IoCreateDevice(PDRIVER_OBJECT pDriver, ULONG nExtensionSize, PUNICODE_STRING pName,
                              DEVICE_TYPE nType, ULONG nCharacteristics, BOOLEAN bExclusive,
                              PDEVICE_OBJECT* ppDevice)
{
    return Sim().CreateDevice(pDriver, nExtensionSize, pName, nType, nCharacteristics, bExclusive,
                              ppDevice);
}

PDEVICE_OBJECT NTAPI IoAttachDeviceToDeviceStack(PDEVICE_OBJECT pSource, PDEVICE_OBJECT pTarget)
{
    return Sim().AttachDeviceToDeviceStack(pSource, pTarget);
}

void NTAPI IoDetachDevice(PDEVICE_OBJECT pTarget)
{
    Sim().DetachDevice(pTarget);
}

void NTAPI IoDeleteDevice(PDEVICE_OBJECT pDevice)
{
    Sim().DeleteDevice(pDevice);
}

NTSTATUS FASTCALL IofCallDriver(PDEVICE_OBJECT pDevice, PIRP pIrp)
{
    return Sim().CallDriver(pDevice, pIrp);
}

void FASTCALL IofCompleteRequest(PIRP pIrp, CCHAR nBoost)
{
    Sim().CompleteRequest(pIrp, nBoost);
}

void NTAPI PoStartNextPowerIrp(PIRP pIrp)
{
    Sim().StartNextPowerIrp(pIrp);
}

NTSTATUS NTAPI PoCallDriver(PDEVICE_OBJECT pDevice, PIRP pIrp)
{
    return Sim().PoCallDriver(pDevice, pIrp);
}

} // extern "C"

CSimIoManager::CSimIoManager()
{
    if (g_pSimIo != nullptr) {
        std::fputs("only one simulated I/O manager at a time\n", stderr);
        std::abort();
    }
    g_pSimIo = this;
    m_driver.DriverExtension = &m_driverExtension;
    m_driverExtension.DriverObject = &m_driver;
    for (auto& pfn : m_lowerDriver.MajorFunction)
        pfn = SimLowerDispatch;
}

CSimIoManager::~CSimIoManager()
{
    g_pSimIo = nullptr;
}

void CSimIoManager::Fault(std::string strWhat)
{
    m_vecFaults.push_back(std::move(strWhat));
}

CSimIoManager::SDevice* CSimIoManager::Find(const void* pObject) const
{
    for (const auto& pDev : m_vecDevices)
        if (&pDev->obj == pObject)
            return pDev.get();
    return nullptr;
}

SRequest* CSimIoManager::FindRequest(const IRP* pIrp) const
{
    for (const auto& pReq : m_vecRequests)
        if (&pReq->irp == pIrp)
            return pReq.get();
    return nullptr;
}

PDEVICE_OBJECT CSimIoManager::Top(PDEVICE_OBJECT pDevice)
{
    while (pDevice->AttachedDevice != nullptr)
        pDevice = pDevice->AttachedDevice;
    return pDevice;
}

bool CSimIoManager::Exists(PDEVICE_OBJECT pDevice) const
{
    const SDevice* pDev = Find(pDevice);
    return pDev != nullptr && !pDev->bDeleted;
}

PDEVICE_OBJECT CSimIoManager::AttachedTo(PDEVICE_OBJECT pDevice) const
{
    const SDevice* pDev = Find(pDevice);
    return pDev != nullptr ? pDev->pAttachedTo : nullptr;
}

int CSimIoManager::OutstandingReferences() const
{
    int nTotal = 0;
    for (const auto& pDev : m_vecDevices)
        nTotal += pDev->nReferences;
    return nTotal;
}

PDEVICE_OBJECT CSimIoManager::CreatePhysicalDevice(DEVICE_TYPE nType, ULONG nCharacteristics)
{
    PDEVICE_OBJECT pDevice = nullptr;
    NTSTATUS nSavedFailure = m_nCreateFailure;
    m_nCreateFailure = STATUS_SUCCESS;
    CreateDevice(&m_lowerDriver, 0, nullptr, nType, nCharacteristics, FALSE, &pDevice);
    m_nCreateFailure = nSavedFailure;
    m_vecCreateCalls.pop_back(); // only the stub driver's creations are of interest
    pDevice->Flags &= ~static_cast<ULONG>(DO_DEVICE_INITIALIZING);
    return pDevice;
}

PDEVICE_OBJECT CSimIoManager::AttachFilter(PDEVICE_OBJECT pTarget, DEVICE_TYPE nType,
                                           ULONG nCharacteristics)
{
    PDEVICE_OBJECT pFilter = CreatePhysicalDevice(nType, nCharacteristics);
    bool bSavedFails = m_bAttachFails;
    m_bAttachFails = false;
    AttachDeviceToDeviceStack(pFilter, pTarget);
    m_bAttachFails = bSavedFails;
    return pFilter;
}

NTSTATUS CSimIoManager::LoadDriver()
{
    return DriverEntry(&m_driver, nullptr);
}

NTSTATUS CSimIoManager::AddDevice(PDEVICE_OBJECT pPhysical)
{
    if (m_driverExtension.AddDevice == nullptr) {
        Fault("AddDevice: the driver registered no AddDevice routine");
        return STATUS_UNSUCCESSFUL;
    }
    return m_driverExtension.AddDevice(&m_driver, pPhysical);
}

NTSTATUS CSimIoManager::Send(PDEVICE_OBJECT pTarget, UCHAR nMajor, UCHAR nMinor)
{
    auto pReq = std::make_unique<SRequest>();
    const int nCount = pTarget->StackSize;
    pReq->vecStack.resize(static_cast<size_t>(nCount));
    PIRP pIrp = &pReq->irp;
    pIrp->StackCount = static_cast<CCHAR>(nCount);
    pIrp->CurrentLocation = static_cast<CCHAR>(nCount + 1);
    pIrp->CurrentStackLocation = pReq->vecStack.data() + nCount;
    pIrp->IoStatus.Status = kPresetStatus;
    pIrp->IoStatus.Information = kPresetInformation;
    PIO_STACK_LOCATION pNext = IoGetNextIrpStackLocation(pIrp);
    pNext->MajorFunction = nMajor;
    pNext->MinorFunction = nMinor;
    m_vecRequests.push_back(std::move(pReq));
    return IofCallDriver(pTarget, pIrp);
}

BOOLEAN CSimIoManager::IsWdmVersionAvailable(UCHAR nMajor, UCHAR nMinor)
{
    m_vecEvents.push_back("IoIsWdmVersionAvailable(" + std::to_string(nMajor) + "," +
                          Hex(nMinor) + ")");
    return nMajor < 1 || (nMajor == 1 && nMinor <= m_nWdmMinor);
}

PDEVICE_OBJECT CSimIoManager::GetAttachedDeviceReference(PDEVICE_OBJECT pDevice)
{
    m_vecEvents.push_back("IoGetAttachedDeviceReference");
    if (!Exists(pDevice)) {
        Fault("IoGetAttachedDeviceReference: unknown or deleted device");
        return nullptr;
    }
    PDEVICE_OBJECT pTop = Top(pDevice);
    Find(pTop)->nReferences++;
    return pTop;
}

LONG_PTR CSimIoManager::DereferenceObject(PVOID pObject)
{
    m_vecEvents.push_back("ObfDereferenceObject");
    SDevice* pDev = Find(pObject);
    if (pDev == nullptr) {
        Fault("ObfDereferenceObject: unknown object");
        return 0;
    }
    if (pDev->nReferences == 0) {
        Fault("ObfDereferenceObject: no reference was taken");
        return 0;
    }
    return --pDev->nReferences;
}

NTSTATUS CSimIoManager::CreateDevice(PDRIVER_OBJECT pDriver, ULONG nExtensionSize,
                                     PUNICODE_STRING pName, DEVICE_TYPE nType,
                                     ULONG nCharacteristics, BOOLEAN bExclusive,
                                     PDEVICE_OBJECT* ppDevice)
{
    m_vecEvents.push_back("IoCreateDevice");
    m_vecCreateCalls.push_back(
        {nExtensionSize, pName != nullptr, nType, nCharacteristics, bExclusive != FALSE});
    if (!NT_SUCCESS(m_nCreateFailure))
        return m_nCreateFailure;

    auto pDev = std::make_unique<SDevice>();
    pDev->nExtensionBytes = nExtensionSize;
    if (nExtensionSize > 0) {
        size_t nUnits = (nExtensionSize + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
        pDev->pExtension = std::make_unique<std::max_align_t[]>(nUnits); // zeroed
        pDev->obj.DeviceExtension = pDev->pExtension.get();
    }
    DEVICE_OBJECT& obj = pDev->obj;
    obj.DriverObject = pDriver;
    obj.DeviceType = nType;
    obj.Characteristics = nCharacteristics;
    obj.Flags = DO_DEVICE_INITIALIZING | (bExclusive ? DO_EXCLUSIVE : 0);
    obj.StackSize = 1;
    obj.NextDevice = pDriver->DeviceObject;
    pDriver->DeviceObject = &obj;
    *ppDevice = &obj;
    m_vecDevices.push_back(std::move(pDev));
    return STATUS_SUCCESS;
}

PDEVICE_OBJECT CSimIoManager::AttachDeviceToDeviceStack(PDEVICE_OBJECT pSource,
                                                        PDEVICE_OBJECT pTarget)
{
    m_vecEvents.push_back("IoAttachDeviceToDeviceStack");
    SDevice* pSrc = Find(pSource);
    if (pSrc == nullptr || pSrc->bDeleted || !Exists(pTarget)) {
        Fault("IoAttachDeviceToDeviceStack: unknown or deleted device");
        return nullptr;
    }
    if (m_bAttachFails)
        return nullptr;
    PDEVICE_OBJECT pTop = Top(pTarget);
    pTop->AttachedDevice = pSource;
    pSrc->pAttachedTo = pTop;
    pSource->StackSize = static_cast<CCHAR>(pTop->StackSize + 1);
    return pTop;
}

void CSimIoManager::DetachDevice(PDEVICE_OBJECT pTarget)
{
    m_vecEvents.push_back("IoDetachDevice");
    if (!Exists(pTarget)) {
        Fault("IoDetachDevice: unknown or deleted device");
        return;
    }
    if (pTarget->AttachedDevice == nullptr) {
        Fault("IoDetachDevice: nothing is attached to the device");
        return;
    }
    Find(pTarget->AttachedDevice)->pAttachedTo = nullptr;
    pTarget->AttachedDevice = nullptr;
}

void CSimIoManager::DeleteDevice(PDEVICE_OBJECT pDevice)
{
    m_vecEvents.push_back("IoDeleteDevice");
    SDevice* pDev = Find(pDevice);
    if (pDev == nullptr || pDev->bDeleted) {
        Fault("IoDeleteDevice: unknown or already deleted device");
        return;
    }
    if (pDev->pAttachedTo != nullptr)
        Fault("IoDeleteDevice: the device is still attached to a stack");
    if (pDevice->AttachedDevice != nullptr)
        Fault("IoDeleteDevice: another device is attached above it");

    PDEVICE_OBJECT* ppLink = &pDevice->DriverObject->DeviceObject;
    while (*ppLink != nullptr && *ppLink != pDevice)
        ppLink = &(*ppLink)->NextDevice;
    if (*ppLink == pDevice)
        *ppLink = pDevice->NextDevice;

    // Keep the memory so that stale pointers stay comparable, but poison the
    // extension so that a driver reading it after deletion gets nonsense.
    if (pDev->pExtension)
        std::memset(pDev->pExtension.get(), 0xDD, pDev->nExtensionBytes);
    pDev->bDeleted = true;
}

NTSTATUS CSimIoManager::CallDriver(PDEVICE_OBJECT pDevice, PIRP pIrp)
{
    if (!m_bInPoCallDriver)
        m_vecEvents.push_back("IofCallDriver");
    if (!Exists(pDevice)) {
        Fault("IofCallDriver: unknown or deleted device");
        return STATUS_NO_SUCH_DEVICE;
    }
    if (FindRequest(pIrp) == nullptr) {
        Fault("IofCallDriver: unknown request");
        return STATUS_UNSUCCESSFUL;
    }
    if (pIrp->CurrentLocation <= 1) {
        Fault("IofCallDriver: the request has no stack location left");
        return STATUS_UNSUCCESSFUL;
    }
    pIrp->CurrentLocation--;
    pIrp->CurrentStackLocation--;
    PIO_STACK_LOCATION pStack = IoGetCurrentIrpStackLocation(pIrp);
    pStack->DeviceObject = pDevice;
    if (pStack->MajorFunction > IRP_MJ_MAXIMUM_FUNCTION ||
        pDevice->DriverObject->MajorFunction[pStack->MajorFunction] == nullptr) {
        Fault("IofCallDriver: no dispatch routine for major code " + Hex(pStack->MajorFunction));
        return STATUS_UNSUCCESSFUL;
    }
    return pDevice->DriverObject->MajorFunction[pStack->MajorFunction](pDevice, pIrp);
}

void CSimIoManager::CompleteRequest(PIRP pIrp, CCHAR nBoost)
{
    m_vecEvents.push_back("IofCompleteRequest");
    SRequest* pReq = FindRequest(pIrp);
    if (pReq == nullptr) {
        Fault("IofCompleteRequest: unknown request");
        return;
    }
    if (pReq->nCompletions > 0)
        Fault("IofCompleteRequest: the request was already completed");
    pReq->nCompletions++;
    pReq->nBoost = nBoost;
}

void CSimIoManager::StartNextPowerIrp(PIRP pIrp)
{
    m_vecEvents.push_back("PoStartNextPowerIrp");
    if (FindRequest(pIrp) == nullptr)
        Fault("PoStartNextPowerIrp: unknown request");
    else if (IoGetCurrentIrpStackLocation(pIrp)->MajorFunction != IRP_MJ_POWER)
        Fault("PoStartNextPowerIrp: not a power request");
}

NTSTATUS CSimIoManager::PoCallDriver(PDEVICE_OBJECT pDevice, PIRP pIrp)
{
    m_vecEvents.push_back("PoCallDriver");
    m_bInPoCallDriver = true;
    NTSTATUS nStatus = CallDriver(pDevice, pIrp);
    m_bInPoCallDriver = false;
    return nStatus;
}

NTSTATUS CSimIoManager::OnLowerRequest(PDEVICE_OBJECT pDevice, PIRP pIrp)
{
    const PIO_STACK_LOCATION pStack = IoGetCurrentIrpStackLocation(pIrp);
    m_vecEvents.push_back("lower");
    m_vecLowerCalls.push_back({pDevice, pStack->MajorFunction, pStack->MinorFunction,
                               pIrp->IoStatus.Status, pIrp->IoStatus.Information,
                               pIrp->CurrentLocation, m_bInPoCallDriver});
    if (m_optLowerResult && *m_optLowerResult == STATUS_PENDING)
        return STATUS_PENDING; // finishes later; the caller must not wait for it
    NTSTATUS nStatus = m_optLowerResult.value_or(pIrp->IoStatus.Status);
    pIrp->IoStatus.Status = nStatus;
    IofCompleteRequest(pIrp, IO_NO_INCREMENT);
    return nStatus;
}
