// The link's connection, transport and queries against the emulated receiver.
#include <functional>
#include <map>

#include "LinkTestSupport.h"

using namespace linktest;

// ------------------------------------------------------------- discovery

TEST_F(LinkTest, DiscoveryTakesFirstReceiverInBusThenDeviceOrder) {
    m_pEmu->SetDevices({
        {0, RECEIVER_VID, 0x7777, 0x0200},        // same vendor, other product: skipped
        {1, 0x1234, RECEIVER_PID, 0x0200},        // other vendor: skipped
        {1, RECEIVER_VID, RECEIVER_PID, 0x0110},  // the first receiver
        {2, RECEIVER_VID, RECEIVER_PID, 0x0200},
    });
    ASSERT_EQ(m_link.InitVeltraSTB(1, 0, 0), RL_OK);
    EXPECT_EQ(m_link.m_pDevice, m_pEmu->DeviceRecord(2));
    EXPECT_NE(m_link.m_hDevice, nullptr);
    EXPECT_EQ(m_link.m_bIdle, 1);
}

TEST_F(LinkTest, NoReceiverGivesNotFoundAndOpensNothing) {
    m_pEmu->SetDevices({{0, 0x1234, 0x5678, 0x0200}});
    EXPECT_EQ(m_link.InitVeltraSTB(1, 0, 0), RL_ERR_NOT_FOUND);
    EXPECT_EQ(m_link.m_hDevice, nullptr);
    EXPECT_TRUE(CallsOf(EmuCall::Open).empty());
    EXPECT_EQ(m_link.m_bIdle, 1);
}

TEST_F(LinkTest, ChunkSizesFollowBcdUsb) {
    struct Case { uint16_t bcd; uint32_t send, recv; };
    for (Case c : {Case{0x0200, 32768, 32768}, Case{0x0110, 4096, 512}, Case{0x0100, 4096, 512},
                   Case{0x0201, 4096, 512}}) {
        SCOPED_TRACE(c.bcd);
        m_pEmu->SetDevices({{0, RECEIVER_VID, RECEIVER_PID, c.bcd}});
        CReceiverLink link;
        ASSERT_EQ(link.InitVeltraSTB(1, 0, 0), RL_OK);
        EXPECT_EQ(link.m_nSendChunk, c.send);
        EXPECT_EQ(link.m_nRecvChunk, c.recv);
        EXPECT_EQ(link.m_nSendTimeout, 1000u);
        EXPECT_EQ(link.m_nRecvTimeout, 1000u);
        link.Close();
    }
}

TEST_F(LinkTest, SetupFailuresReturnTheirCodeAndLeaveTheDeviceOpen) {
    struct Case { int step; int code; };
    for (Case c : {Case{1, RL_ERR_SET_CONFIG}, Case{2, RL_ERR_CLAIM}, Case{3, RL_ERR_ALT_SETTING}}) {
        SCOPED_TRACE(c.step);
        m_pEmu->FailSetup(c.step);
        CReceiverLink link;
        EXPECT_EQ(link.InitVeltraSTB(1, 0, 0), c.code);
        EXPECT_NE(link.m_hDevice, nullptr);
        EXPECT_EQ(link.m_bIdle, 1);
        link.Close();
        EXPECT_EQ(link.m_hDevice, nullptr);
    }
    m_pEmu->FailSetup(0);
    m_pEmu->FailOpen(true);
    EXPECT_EQ(m_link.InitVeltraSTB(1, 0, 0), RL_ERR_NO_HANDLE);
    EXPECT_EQ(m_link.m_hDevice, nullptr);
}

TEST_F(LinkTest, OpenUsesTheGivenConfigurationInterfaceAndAltSetting) {
    ASSERT_EQ(m_link.InitVeltraSTB(1, 0, 0), RL_OK);
    auto calls = m_pEmu->Calls();
    std::vector<EmuCall::Kind> kinds;
    for (const EmuCall& c : calls) kinds.push_back(c.kind);
    const std::vector<EmuCall::Kind> expected = {
        EmuCall::Init, EmuCall::FindBusses, EmuCall::FindDevices, EmuCall::GetBusses,
        EmuCall::Open, EmuCall::SetConfiguration, EmuCall::ClaimInterface,
        EmuCall::SetAltInterface};
    EXPECT_EQ(kinds, expected);
    EXPECT_EQ(CallsOf(EmuCall::SetConfiguration)[0].value, 1);
    EXPECT_EQ(CallsOf(EmuCall::ClaimInterface)[0].value, 0);
    EXPECT_EQ(CallsOf(EmuCall::SetAltInterface)[0].value, 0);
}

TEST_F(LinkTest, RealLibraryFindsNoReceiver) {
    m_pEmu->Uninstall();
    EXPECT_EQ(&Usb(), &LibusbApi());
    EXPECT_EQ(m_link.InitVeltraSTB(1, 0, 0), RL_ERR_NOT_FOUND);
    EXPECT_EQ(m_link.m_hDevice, nullptr);
}

// ------------------------------------------------------------ handshakes

TEST_F(LinkTest, HandshakesSendOutThenInVendorRequests) {
    Connect();
    struct Case { std::function<int()> op; int request; };
    for (const Case& c : {Case{[&] { return m_link.StartComm(); }, 0xCF},
                          Case{[&] { return m_link.EndComm(); }, 0xCE},
                          Case{[&] { return m_link.Reset(); }, 0xFF}}) {
        SCOPED_TRACE(c.request);
        m_pEmu->ClearCalls();
        EXPECT_EQ(c.op(), RL_OK);
        auto ctl = CallsOf(EmuCall::ControlMsg);
        ASSERT_EQ(ctl.size(), 2u);
        EXPECT_EQ(ctl[0].requestType, 0x40);
        EXPECT_EQ(ctl[0].size, 0);
        EXPECT_EQ(ctl[1].requestType, 0xC0);
        EXPECT_EQ(ctl[1].size, 2);
        for (const EmuCall& k : ctl) {
            EXPECT_EQ(k.request, c.request);
            EXPECT_EQ(k.value, 0);
            EXPECT_EQ(k.index, 0);
            EXPECT_EQ(k.timeout, 1000);
        }
    }
    m_pEmu->FailControl(true);
    EXPECT_EQ(m_link.StartComm(), RL_ERR_CONTROL);
    EXPECT_EQ(m_link.m_bIdle, 1);
}

// --------------------------------------------------------- not connected

TEST_F(LinkTest, EveryCommandNeedsAConnectionAndTouchesNoBus) {
    DiskInfo info{};
    const std::vector<std::function<int()>> ops = {
        [&] { return m_link.StartComm(); }, [&] { return m_link.EndComm(); },
        [&] { return m_link.Reset(); },     [&] { return m_link.GetDiskInfo(&info); },
        [&] { return m_link.GetDirList(); }, [&] { return m_link.ChangeDir("/"); },
        [&] { return m_link.MakeDir("/A"); }, [&] { return m_link.Delete("/A"); },
        [&] { return m_link.Rename("/A", "/B"); }, [&] { return m_link.Format(); },
    };
    for (size_t i = 0; i < ops.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ops[i](), RL_ERR_NO_HANDLE);
        EXPECT_EQ(m_link.m_bIdle, 1);
    }
    EXPECT_EQ(BusCalls(), 0u);
}

TEST_F(LinkTest, CloseOnANeverConnectedLinkIsHarmless) {
    m_link.Close();
    m_link.Close();
    EXPECT_EQ(m_link.m_hDevice, nullptr);
    EXPECT_EQ(m_link.m_pList, nullptr);
    EXPECT_EQ(m_link.m_nListCount, 0u);
    EXPECT_TRUE(m_pEmu->Calls().empty());
}

// ------------------------------------------------------------- transport

TEST_F(LinkTest, WrapperLayoutAndTagRule) {
    Connect();
    const int32_t seed = m_link.m_nTag;
    ASSERT_GE(seed, 0);
    ASSERT_LE(seed, 9998);
    DiskInfo info{};
    ASSERT_EQ(m_link.GetDiskInfo(&info), RL_OK);
    ASSERT_EQ(m_link.ChangeDir("/"), RL_OK);

    auto w = Wrappers();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].tag, uint32_t(seed + 1));
    EXPECT_EQ(w[1].tag, uint32_t(seed + 2));
    EXPECT_EQ(w[0].Op(), 'L');
    EXPECT_EQ(w[0].length, 16u);
    EXPECT_EQ(w[0].flags, 0x80);
    EXPECT_EQ(w[1].Op(), 'V');
    EXPECT_EQ(w[1].length, 2u);  // "/" and its NUL
    EXPECT_EQ(w[1].flags, 0x00);

    auto writes = CallsOf(EmuCall::BulkWrite, 0x01);
    ASSERT_GE(writes.size(), 1u);
    const EmuCall& first = writes[0];
    EXPECT_EQ(first.size, 23);
    EXPECT_EQ(first.timeout, 1000);
    EXPECT_EQ(first.data[13], 1);  // logical unit
    EXPECT_EQ(first.data[14], 8);  // command block length
    const std::vector<uint8_t> zeros(7, 0);
    EXPECT_EQ(std::vector<uint8_t>(w[0].cb.begin() + 1, w[0].cb.end()), zeros);
    // The ChangeDir payload is exactly "/" and NUL.
    EXPECT_EQ(writes[2].data, (std::vector<uint8_t>{'/', 0}));
}

TEST_F(LinkTest, BuildCbwIgnoresNullAndReusesTagOnRequest) {
    m_link.m_nTag = 41;
    m_link.BuildCBW(nullptr, false);
    EXPECT_EQ(m_link.m_nTag, 41);
    uint8_t cbw[24];
    std::memset(cbw, 0xAA, sizeof cbw);
    m_link.BuildCBW(cbw, true);
    const std::vector<uint8_t> v(cbw, cbw + 24);
    EXPECT_EQ(LE32(v, 0), 0x43425355u);
    EXPECT_EQ(LE32(v, 4), 41u);
    m_link.BuildCBW(cbw, false);
    EXPECT_EQ(LE32(std::vector<uint8_t>(cbw, cbw + 24), 4), 42u);
    EXPECT_EQ(cbw[23], 0);  // the 24th byte is cleared, never sent
}

TEST_F(LinkTest, RefusedStatusFailsEveryCommandAndRestoresIdle) {
    MakeFile("A/x", "x");
    Connect();
    DiskInfo info{};
    struct Case { char op; std::function<int()> call; };
    const std::vector<Case> cases = {
        {'L', [&] { return m_link.GetDiskInfo(&info); }},
        {'J', [&] { return m_link.GetDirList(); }},
        {'V', [&] { return m_link.ChangeDir("/A"); }},
        {'S', [&] { return m_link.MakeDir("/B"); }},
        {'T', [&] { return m_link.Delete("/A/x"); }},
        {'R', [&] { return m_link.Rename("/A", "/C"); }},
        {'U', [&] { return m_link.Format(); }},
    };
    for (uint8_t status : {1, 2}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(1, c.op) + " status " + std::to_string(status));
            m_pEmu->RefuseOpcode(c.op, status);
            EXPECT_EQ(c.call(), RL_ERR_STATUS);
            EXPECT_EQ(m_link.m_bIdle, 1);
            m_pEmu->RefuseOpcode(c.op, 0);
        }
    }
    EXPECT_TRUE(fs::exists(m_root / "A/x"));  // refused commands changed nothing
}

TEST_F(LinkTest, ShortStatusBlockCountsAsSuccess) {
    Connect();
    m_pEmu->RefuseOpcode('V', 1);
    m_pEmu->ShortReads(13);  // the status read delivers nothing, without an error
    EXPECT_EQ(m_link.ChangeDir("/"), RL_OK);
}

TEST_F(LinkTest, BusFailuresInEachPhase) {
    Connect();
    DiskInfo info{};
    struct Case { int nth; std::function<int()> call; int code; size_t reads; };
    // Calls: 1 wrapper write, 2 data phase, 3 status read.
    const std::vector<Case> cases = {
        {1, [&] { return m_link.GetDiskInfo(&info); }, RL_ERR_CBW_WRITE, 0},
        {2, [&] { return m_link.GetDiskInfo(&info); }, RL_ERR_DATA_IN, 2},  // failed read + recovery
        {3, [&] { return m_link.GetDiskInfo(&info); }, RL_ERR_CSW_READ, 2},
        {2, [&] { return m_link.ChangeDir("/"); }, RL_ERR_DATA_OUT, 1},     // recovery read only
        {3, [&] { return m_link.ChangeDir("/"); }, RL_ERR_CSW_READ, 1},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        m_link.Reset();  // clears any half-done exchange on the receiver
        m_pEmu->ClearCalls();
        m_pEmu->FailCall(cases[i].nth);
        EXPECT_EQ(cases[i].call(), cases[i].code);
        EXPECT_EQ(CallsOf(EmuCall::BulkRead, 0x81).size(), cases[i].reads);
        auto reads = CallsOf(EmuCall::BulkRead, 0x81);
        if (cases[i].code == RL_ERR_DATA_IN || cases[i].code == RL_ERR_DATA_OUT) {
            EXPECT_EQ(reads.back().size, 13);
        }
        EXPECT_EQ(m_link.m_bIdle, 1);
    }
}

// ------------------------------------------------------- disk and listing

TEST_F(LinkTest, DiskInfoSplitsAtOneBillion) {
    m_pEmu->SetDiskSpace(2000000005ULL, 500000000123ULL);
    Connect();
    DiskInfo info{};
    ASSERT_EQ(m_link.GetDiskInfo(&info), RL_OK);
    EXPECT_EQ(info.freeHigh, 2u);
    EXPECT_EQ(info.freeLow, 5u);
    EXPECT_EQ(DiskFreeBytes(info), 2000000005ULL);
    EXPECT_EQ(DiskTotalBytes(info), 500000000123ULL);
}

TEST_F(LinkTest, ListingDecodesEntries) {
    MakeFile("Movies/a.ts", std::string(1234, 'a'));
    MakeFile("b.txt", "hello");
    fs::create_directories(m_root / "Empty");
    Connect();
    ASSERT_EQ(m_link.ChangeDir("/"), RL_OK);
    ASSERT_EQ(m_link.GetDirList(), RL_OK);
    ASSERT_EQ(m_link.m_nListCount, 3u);
    std::map<std::string, std::pair<bool, uint64_t>> seen;
    for (uint32_t i = 0; i < m_link.m_nListCount; ++i) {
        const DirEntry& e = m_link.Entries()[i];
        seen[EntryName(e)] = {EntryIsFolder(e), EntrySize(e)};
    }
    EXPECT_TRUE(seen["Movies"].first);
    EXPECT_TRUE(seen["Empty"].first);
    EXPECT_EQ(seen["b.txt"], std::make_pair(false, uint64_t(5)));

    ASSERT_EQ(m_link.ChangeDir("/Movies"), RL_OK);
    ASSERT_EQ(m_link.GetDirList(), RL_OK);
    ASSERT_EQ(m_link.m_nListCount, 1u);
    EXPECT_EQ(EntrySize(m_link.Entries()[0]), 1234u);
}

TEST_F(LinkTest, EmptyFolderSendsOnlyTheCount) {
    Connect();
    ASSERT_EQ(m_link.GetDirList(), RL_OK);
    EXPECT_EQ(m_link.m_nListCount, 0u);
    auto w = Wrappers();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].Op(), 'J');
    EXPECT_EQ(w[0].length, 4u);
    EXPECT_EQ(w[0].flags, 0x80);
}

TEST_F(LinkTest, CountIsBigEndianAndSizesTheListRequest) {
    Connect();
    m_pEmu->SetListCountOverride(258);  // bytes 00 00 01 02
    EXPECT_EQ(m_link.GetDirList(), RL_OK);
    EXPECT_EQ(m_link.m_nListCount, 258u);
    auto w = Wrappers();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[1].Op(), 'K');
    EXPECT_EQ(w[1].length, 258u * 72u);
    auto reads = CallsOf(EmuCall::BulkRead, 0x81);
    ASSERT_GE(reads.size(), 3u);
    EXPECT_EQ(reads[0].data, (std::vector<uint8_t>{0, 0, 1, 2}));
}

TEST_F(LinkTest, RefusedCountStillReplacesTheCountAndSkipsTheList) {
    MakeFile("a", "1");
    MakeFile("b", "2");
    Connect();
    m_link.m_nListCount = 99;
    m_pEmu->SetListCountOverride(2);
    m_pEmu->RefuseOpcode('J', 1);
    EXPECT_EQ(m_link.GetDirList(), RL_ERR_STATUS);
    EXPECT_EQ(m_link.m_nListCount, 2u);
    auto w = Wrappers();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].Op(), 'J');
}

TEST_F(LinkTest, AbsurdCountIsRefusedBeforeAnythingMoreIsSent) {
    Connect();
    for (uint32_t count : {kMaxListCount + 1, 0x04000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(count);
        m_pEmu->ClearCalls();
        m_pEmu->SetListCountOverride(count);
        EXPECT_EQ(m_link.GetDirList(), RL_ERR_NO_MEMORY);
        EXPECT_EQ(m_link.m_pList, nullptr);
        EXPECT_EQ(Wrappers().size(), 1u);  // only 'J'
    }
}

TEST_F(LinkTest, FailedListReadDropsTheBuffer) {
    MakeFile("a", "1");
    Connect();
    ASSERT_EQ(m_link.GetDirList(), RL_OK);
    ASSERT_NE(m_link.m_pList, nullptr);
    m_pEmu->FailCall(5);  // J: write, read, status; K: write, then its data read
    EXPECT_EQ(m_link.GetDirList(), RL_ERR_DATA_IN);
    EXPECT_EQ(m_link.m_pList, nullptr);
}

TEST_F(LinkTest, CloseDropsTheListingAndReleasesTheDevice) {
    MakeFile("a", "1");
    Connect();
    ASSERT_EQ(m_link.GetDirList(), RL_OK);
    m_link.Close();
    EXPECT_EQ(m_link.m_hDevice, nullptr);
    EXPECT_EQ(m_link.m_pList, nullptr);
    EXPECT_EQ(m_link.m_nListCount, 0u);
    EXPECT_EQ(CallsOf(EmuCall::ReleaseInterface).size(), 1u);
    EXPECT_EQ(CallsOf(EmuCall::Close).size(), 1u);
}

TEST(DirEntryTest, NameIsBoundedToItsField) {
    DirEntry e{};
    std::memset(e.name, 'n', sizeof e.name);  // no NUL anywhere in the field
    e.type = 5;
    EXPECT_EQ(EntryName(e), std::string(60, 'n'));
    EXPECT_TRUE(EntryIsFolder(e));
    e.type = 0;
    e.sizeHigh = 5;
    e.sizeLow = 0;
    EXPECT_FALSE(EntryIsFolder(e));
    EXPECT_EQ(EntrySize(e), 5000000000ULL);
}

TEST_F(LinkTest, PathsThatDoNotFitThePayloadAreRefusedUnsent) {
    Connect();
    const std::string tooLong = "/" + std::string(599, 'a');  // 600 bytes
    EXPECT_EQ(m_link.ChangeDir(tooLong), RL_ERR_PATH_TOO_LONG);
    EXPECT_EQ(m_link.MakeDir(tooLong), RL_ERR_PATH_TOO_LONG);
    EXPECT_EQ(m_link.Delete(tooLong), RL_ERR_PATH_TOO_LONG);
    EXPECT_EQ(m_link.Rename("/" + std::string(299, 'a'), "/" + std::string(299, 'b')),
              RL_ERR_PATH_TOO_LONG);
    EXPECT_EQ(BusCalls(), 0u);
    EXPECT_EQ(m_link.m_bIdle, 1);
    // 599 bytes still fit: the command goes out (the receiver may refuse it).
    m_link.ChangeDir("/" + std::string(598, 'a'));
    auto w = Wrappers();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].length, 600u);
}
