// The stub driver driven as the plug and play, power and I/O managers would
// drive it, through the simulated I/O manager.
#include "SimIoManager.h"
#include "veltrausbst.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Distinct values, so that copying from the wrong device shows.
constexpr DEVICE_TYPE kPhysicalType = 0x2A;     // bus extender
constexpr ULONG kPhysicalCharacteristics = 0x100;
constexpr DEVICE_TYPE kFilterType = 0x31;
constexpr ULONG kFilterCharacteristics = 0x80;
constexpr UCHAR kSetPower = 0x02;

std::string HexCode(unsigned nCode)
{
    char sz[16];
    std::snprintf(sz, sizeof sz, "0x%02X", nCode);
    return sz;
}

PDEVICE_EXTENSION Extension(PDEVICE_OBJECT pDevice)
{
    return static_cast<PDEVICE_EXTENSION>(pDevice->DeviceExtension);
}

// Index of the first occurrence of strEvent, or -1.
long EventIndex(const std::vector<std::string>& vecEvents, const std::string& strEvent)
{
    auto it = std::find(vecEvents.begin(), vecEvents.end(), strEvent);
    return it == vecEvents.end() ? -1 : static_cast<long>(it - vecEvents.begin());
}

// Every test ends with no misuse of a kernel service and no reference held.
class CDriverTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_THAT(m_sim.Faults(), IsEmpty());
        EXPECT_EQ(m_sim.OutstandingReferences(), 0);
    }

    CSimIoManager m_sim;
};

// A receiver's physical device with the stub driver loaded and attached on top.
class CAttachedDriverTest : public CDriverTest {
protected:
    void SetUp() override
    {
        m_pPhysical = m_sim.CreatePhysicalDevice(kPhysicalType, kPhysicalCharacteristics);
        ASSERT_EQ(m_sim.LoadDriver(), STATUS_SUCCESS);
        ASSERT_EQ(m_sim.AddDevice(m_pPhysical), STATUS_SUCCESS);
        m_pFunction = m_pPhysical->AttachedDevice;
        ASSERT_NE(m_pFunction, nullptr);
    }

    PDEVICE_OBJECT m_pPhysical = nullptr;
    PDEVICE_OBJECT m_pFunction = nullptr;
};

TEST_F(CDriverTest, DriverEntryRoutesEveryMajorCodeToDispatch)
{
    EXPECT_EQ(m_sim.LoadDriver(), STATUS_SUCCESS);
    DRIVER_OBJECT& driver = m_sim.Driver();
    for (unsigned nMajor = 0; nMajor <= IRP_MJ_MAXIMUM_FUNCTION; ++nMajor)
        EXPECT_EQ(driver.MajorFunction[nMajor], &Dispatch) << HexCode(nMajor);
    EXPECT_EQ(driver.DriverExtension->AddDevice, &AddDevice);
    EXPECT_EQ(driver.DriverUnload, &Unload);
    EXPECT_EQ(driver.DeviceObject, nullptr);
}

TEST_F(CAttachedDriverTest, AddDeviceAttachesAnUnnamedFunctionDeviceShapedLikeTheLowerDevice)
{
    ASSERT_EQ(m_sim.CreateCalls().size(), 1u);
    const SCreateCall& create = m_sim.CreateCalls()[0];
    EXPECT_EQ(create.nExtensionSize, sizeof(DEVICE_EXTENSION));
    EXPECT_EQ(sizeof(DEVICE_EXTENSION), 2 * sizeof(void*));
    EXPECT_FALSE(create.bNamed);
    EXPECT_EQ(create.nType, static_cast<DEVICE_TYPE>(FILE_DEVICE_UNKNOWN));
    EXPECT_EQ(create.nCharacteristics, 0u);
    EXPECT_FALSE(create.bExclusive);

    EXPECT_EQ(m_sim.Driver().DeviceObject, m_pFunction);
    EXPECT_EQ(m_sim.AttachedTo(m_pFunction), m_pPhysical);
    EXPECT_EQ(Extension(m_pFunction)->pSelf, m_pFunction);
    EXPECT_EQ(Extension(m_pFunction)->pLowerDevice, m_pPhysical);
    EXPECT_EQ(m_pFunction->DeviceType, kPhysicalType);
    EXPECT_EQ(m_pFunction->Characteristics, kPhysicalCharacteristics);
    EXPECT_EQ(m_pFunction->Flags, static_cast<ULONG>(DO_POWER_PAGABLE | DO_DIRECT_IO));
    EXPECT_EQ(m_pFunction->StackSize, 2);
}

// The device type the function device is created with depends on the WDM
// revision the system reports; it always ends up with the lower device's type.
struct SWdmCase {
    UCHAR nSystemWdmMinor;
    DEVICE_TYPE nCreatedType;
};

void PrintTo(const SWdmCase& wdmCase, std::ostream* pOut)
{
    *pOut << "WDM 1." << HexCode(wdmCase.nSystemWdmMinor) << " creates type "
          << HexCode(wdmCase.nCreatedType);
}

class CDeviceTypeTest : public CDriverTest, public ::testing::WithParamInterface<SWdmCase> {};

TEST_P(CDeviceTypeTest, CreatedTypeFollowsTheWdmRevision)
{
    // A filter already on the physical device: "the top of the stack" is not
    // the physical device itself.
    PDEVICE_OBJECT pPhysical = m_sim.CreatePhysicalDevice(kPhysicalType, kPhysicalCharacteristics);
    PDEVICE_OBJECT pFilter = m_sim.AttachFilter(pPhysical, kFilterType, kFilterCharacteristics);
    m_sim.m_nWdmMinor = GetParam().nSystemWdmMinor;
    ASSERT_EQ(m_sim.LoadDriver(), STATUS_SUCCESS);

    ASSERT_EQ(m_sim.AddDevice(pPhysical), STATUS_SUCCESS);

    EXPECT_GE(EventIndex(m_sim.Events(), "IoIsWdmVersionAvailable(1,0x20)"), 0);
    ASSERT_EQ(m_sim.CreateCalls().size(), 1u);
    EXPECT_EQ(m_sim.CreateCalls()[0].nType, GetParam().nCreatedType);
    PDEVICE_OBJECT pFunction = pFilter->AttachedDevice;
    ASSERT_NE(pFunction, nullptr);
    EXPECT_EQ(Extension(pFunction)->pLowerDevice, pFilter);
    EXPECT_EQ(pFunction->DeviceType, kFilterType);
    EXPECT_EQ(pFunction->Characteristics, kFilterCharacteristics);
}

INSTANTIATE_TEST_SUITE_P(Wdm, CDeviceTypeTest,
                         ::testing::Values(SWdmCase{0x30, FILE_DEVICE_UNKNOWN},
                                           SWdmCase{0x20, FILE_DEVICE_UNKNOWN},
                                           SWdmCase{0x10, kFilterType},
                                           SWdmCase{0x00, kFilterType}),
                         [](const ::testing::TestParamInfo<SWdmCase>& info) {
                             return "SystemWdm1_" + HexCode(info.param.nSystemWdmMinor).substr(2);
                         });

TEST_F(CDriverTest, FailedCreationReturnsItsStatusAndAttachesNothing)
{
    PDEVICE_OBJECT pPhysical = m_sim.CreatePhysicalDevice(kPhysicalType, 0);
    ASSERT_EQ(m_sim.LoadDriver(), STATUS_SUCCESS);
    m_sim.m_nCreateFailure = STATUS_INSUFFICIENT_RESOURCES;

    EXPECT_EQ(m_sim.AddDevice(pPhysical), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(pPhysical->AttachedDevice, nullptr);
    EXPECT_EQ(m_sim.Driver().DeviceObject, nullptr);
    EXPECT_EQ(EventIndex(m_sim.Events(), "IoAttachDeviceToDeviceStack"), -1);
}

TEST_F(CDriverTest, FailedAttachDeletesTheNewDeviceAndFails)
{
    PDEVICE_OBJECT pPhysical = m_sim.CreatePhysicalDevice(kPhysicalType, 0);
    ASSERT_EQ(m_sim.LoadDriver(), STATUS_SUCCESS);
    m_sim.m_bAttachFails = true;

    NTSTATUS nStatus = m_sim.AddDevice(pPhysical);

    EXPECT_FALSE(NT_SUCCESS(nStatus));
    EXPECT_EQ(pPhysical->AttachedDevice, nullptr);
    EXPECT_EQ(m_sim.Driver().DeviceObject, nullptr);
    EXPECT_GE(EventIndex(m_sim.Events(), "IoDeleteDevice"), 0);
}

TEST_F(CAttachedDriverTest, RequestsItDoesNotServeFailWithNotSupportedAndNoData)
{
    for (unsigned nMajor = 0; nMajor <= IRP_MJ_MAXIMUM_FUNCTION; ++nMajor) {
        if (nMajor == IRP_MJ_CLEANUP || nMajor == IRP_MJ_POWER || nMajor == IRP_MJ_PNP)
            continue;
        SCOPED_TRACE("major " + HexCode(nMajor));
        EXPECT_EQ(m_sim.Send(m_pFunction, static_cast<UCHAR>(nMajor), 0), STATUS_NOT_SUPPORTED);
        const SRequest& req = m_sim.LastRequest();
        EXPECT_EQ(req.irp.IoStatus.Status, STATUS_NOT_SUPPORTED);
        EXPECT_EQ(req.irp.IoStatus.Information, 0u);
        EXPECT_EQ(req.nCompletions, 1);
        EXPECT_EQ(req.nBoost, IO_NO_INCREMENT);
    }
    EXPECT_THAT(m_sim.LowerCalls(), IsEmpty());
}

TEST_F(CAttachedDriverTest, CleanupSucceedsWithoutReachingTheLowerDriver)
{
    EXPECT_EQ(m_sim.Send(m_pFunction, IRP_MJ_CLEANUP, 0), STATUS_SUCCESS);
    const SRequest& req = m_sim.LastRequest();
    EXPECT_EQ(req.irp.IoStatus.Status, STATUS_SUCCESS);
    EXPECT_EQ(req.irp.IoStatus.Information, 0u);
    EXPECT_EQ(req.nCompletions, 1);
    EXPECT_THAT(m_sim.LowerCalls(), IsEmpty());
}

TEST_F(CAttachedDriverTest, PowerRequestGoesDownAfterStartingTheNextOne)
{
    m_sim.m_optLowerResult = STATUS_PENDING;

    EXPECT_EQ(m_sim.Send(m_pFunction, IRP_MJ_POWER, kSetPower), STATUS_PENDING);

    ASSERT_EQ(m_sim.LowerCalls().size(), 1u);
    const SLowerCall& call = m_sim.LowerCalls()[0];
    EXPECT_EQ(call.pDevice, m_pPhysical);
    EXPECT_EQ(call.nMajor, IRP_MJ_POWER);
    EXPECT_EQ(call.nMinor, kSetPower);
    EXPECT_TRUE(call.bViaPoCallDriver);
    EXPECT_EQ(call.nLocation, 2) << "the stack location was not skipped";
    EXPECT_EQ(call.nStatusOnArrival, CSimIoManager::kPresetStatus);
    EXPECT_EQ(m_sim.LastRequest().nCompletions, 0);

    long nStart = EventIndex(m_sim.Events(), "PoStartNextPowerIrp");
    long nCall = EventIndex(m_sim.Events(), "PoCallDriver");
    ASSERT_GE(nStart, 0);
    EXPECT_LT(nStart, nCall);
}

// Every minor code but removal reaches the lower driver unanswered, with the
// status preset by the stub and the lower driver's result handed back.
TEST_F(CAttachedDriverTest, EveryPnpMinorCodeIsPassedDownWithItsPresetStatus)
{
    m_sim.m_optLowerResult = STATUS_PENDING; // the stub must not wait for it
    const unsigned arrAcknowledged[] = {IRP_MN_START_DEVICE,       IRP_MN_QUERY_REMOVE_DEVICE,
                                        IRP_MN_CANCEL_REMOVE_DEVICE, IRP_MN_STOP_DEVICE,
                                        IRP_MN_QUERY_STOP_DEVICE,  IRP_MN_CANCEL_STOP_DEVICE,
                                        IRP_MN_SURPRISE_REMOVAL};
    for (unsigned nMinor = 0; nMinor <= 0xFF; ++nMinor) {
        if (nMinor == IRP_MN_REMOVE_DEVICE)
            continue;
        SCOPED_TRACE("minor " + HexCode(nMinor));
        bool bAcknowledged = std::find(std::begin(arrAcknowledged), std::end(arrAcknowledged),
                                       nMinor) != std::end(arrAcknowledged);
        size_t nCallsBefore = m_sim.LowerCalls().size();

        EXPECT_EQ(m_sim.Send(m_pFunction, IRP_MJ_PNP, static_cast<UCHAR>(nMinor)), STATUS_PENDING);

        ASSERT_EQ(m_sim.LowerCalls().size(), nCallsBefore + 1);
        const SLowerCall& call = m_sim.LowerCalls().back();
        EXPECT_EQ(call.pDevice, m_pPhysical);
        EXPECT_EQ(call.nMajor, IRP_MJ_PNP);
        EXPECT_EQ(call.nMinor, nMinor);
        EXPECT_EQ(call.nStatusOnArrival, bAcknowledged ? STATUS_SUCCESS : STATUS_NOT_SUPPORTED);
        EXPECT_EQ(call.nInformationOnArrival, CSimIoManager::kPresetInformation);
        EXPECT_EQ(call.nLocation, 2) << "the stack location was not skipped";
        EXPECT_FALSE(call.bViaPoCallDriver);
        EXPECT_EQ(m_sim.LastRequest().nCompletions, 0);
    }
    EXPECT_TRUE(m_sim.Exists(m_pFunction));
    EXPECT_EQ(m_pPhysical->AttachedDevice, m_pFunction);
}

TEST_F(CAttachedDriverTest, LowerDriversAnswerIsReturned)
{
    // Capabilities and identifiers come from the bus driver below.
    m_sim.m_optLowerResult = STATUS_SUCCESS;
    EXPECT_EQ(m_sim.Send(m_pFunction, IRP_MJ_PNP, IRP_MN_QUERY_CAPABILITIES), STATUS_SUCCESS);
    EXPECT_EQ(m_sim.LastRequest().irp.IoStatus.Status, STATUS_SUCCESS);

    // A bus driver that leaves the request alone keeps the stub's preset.
    m_sim.m_optLowerResult.reset();
    EXPECT_EQ(m_sim.Send(m_pFunction, IRP_MJ_PNP, IRP_MN_QUERY_ID), STATUS_NOT_SUPPORTED);
    EXPECT_EQ(m_sim.Send(m_pFunction, IRP_MJ_PNP, IRP_MN_START_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(m_sim.LastRequest().nCompletions, 1);
}

TEST_F(CDriverTest, RemoveDetachesAndDeletesLeavingTheStackBelowIntact)
{
    PDEVICE_OBJECT pPhysical = m_sim.CreatePhysicalDevice(kPhysicalType, 0);
    PDEVICE_OBJECT pFilter = m_sim.AttachFilter(pPhysical, kFilterType, 0);
    ASSERT_EQ(m_sim.LoadDriver(), STATUS_SUCCESS);
    ASSERT_EQ(m_sim.AddDevice(pPhysical), STATUS_SUCCESS);
    PDEVICE_OBJECT pFunction = pFilter->AttachedDevice;
    m_sim.m_optLowerResult = STATUS_PENDING; // the lower driver's result is what comes back

    EXPECT_EQ(m_sim.Send(pFunction, IRP_MJ_PNP, IRP_MN_REMOVE_DEVICE), STATUS_PENDING);

    ASSERT_EQ(m_sim.LowerCalls().size(), 1u);
    EXPECT_EQ(m_sim.LowerCalls()[0].pDevice, pFilter);
    EXPECT_EQ(m_sim.LowerCalls()[0].nMinor, IRP_MN_REMOVE_DEVICE);
    EXPECT_EQ(m_sim.LowerCalls()[0].nStatusOnArrival, STATUS_SUCCESS);
    EXPECT_EQ(m_sim.LowerCalls()[0].nLocation, 3);
    EXPECT_EQ(m_sim.LastRequest().nCompletions, 0);

    // Passed down first, then detached, then deleted.
    const auto& vecEvents = m_sim.Events();
    long nLower = EventIndex(vecEvents, "lower");
    long nDetach = EventIndex(vecEvents, "IoDetachDevice");
    long nDelete = EventIndex(vecEvents, "IoDeleteDevice");
    EXPECT_GE(nLower, 0);
    EXPECT_LT(nLower, nDetach);
    EXPECT_LT(nDetach, nDelete);

    EXPECT_FALSE(m_sim.Exists(pFunction));
    EXPECT_EQ(m_sim.Driver().DeviceObject, nullptr);
    EXPECT_TRUE(m_sim.Exists(pFilter));
    EXPECT_TRUE(m_sim.Exists(pPhysical));
    EXPECT_EQ(pFilter->AttachedDevice, nullptr);
    EXPECT_EQ(pPhysical->AttachedDevice, pFilter);
    EXPECT_EQ(m_sim.AttachedTo(pFilter), pPhysical);
}

TEST_F(CDriverTest, EachReceiverHasItsOwnFunctionDevice)
{
    PDEVICE_OBJECT pFirst = m_sim.CreatePhysicalDevice(kPhysicalType, 0);
    PDEVICE_OBJECT pSecond = m_sim.CreatePhysicalDevice(kPhysicalType, 0);
    ASSERT_EQ(m_sim.LoadDriver(), STATUS_SUCCESS);
    ASSERT_EQ(m_sim.AddDevice(pFirst), STATUS_SUCCESS);
    ASSERT_EQ(m_sim.AddDevice(pSecond), STATUS_SUCCESS);
    PDEVICE_OBJECT pSecondFunction = pSecond->AttachedDevice;

    EXPECT_EQ(m_sim.Send(pFirst->AttachedDevice, IRP_MJ_PNP, IRP_MN_REMOVE_DEVICE), STATUS_SUCCESS);
    EXPECT_EQ(m_sim.Send(pSecondFunction, IRP_MJ_PNP, IRP_MN_START_DEVICE), STATUS_SUCCESS);

    ASSERT_EQ(m_sim.LowerCalls().size(), 2u);
    EXPECT_EQ(m_sim.LowerCalls()[0].pDevice, pFirst);
    EXPECT_EQ(m_sim.LowerCalls()[1].pDevice, pSecond);
    EXPECT_EQ(m_sim.Driver().DeviceObject, pSecondFunction);
    EXPECT_EQ(pSecondFunction->NextDevice, nullptr);
}

// The fault checks the other tests rely on do catch misuse.
TEST(CSimIoManagerTest, FlagsDeletingAnAttachedDeviceAndUnbalancedReferences)
{
    CSimIoManager sim;
    PDEVICE_OBJECT pPhysical = sim.CreatePhysicalDevice(kPhysicalType, 0);
    PDEVICE_OBJECT pFilter = sim.AttachFilter(pPhysical, kFilterType, 0);
    IoDeleteDevice(pFilter);
    ObfDereferenceObject(pPhysical);
    EXPECT_EQ(IoCallDriver(pFilter, nullptr), STATUS_NO_SUCH_DEVICE);
    EXPECT_THAT(sim.Faults(),
                ElementsAre("IoDeleteDevice: the device is still attached to a stack",
                            "ObfDereferenceObject: no reference was taken",
                            "IofCallDriver: unknown or deleted device"));
}

} // namespace
