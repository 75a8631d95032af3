// Tests of the emulated receiver, driven through the UsbApi table with raw
// wrapper bytes, without the link.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "EmulatedReceiver.h"
#include "ReceiverLink.h"
#include "UsbApi.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using Params = std::array<uint8_t, 7>;  // CB[1..7]

constexpr uint32_t kTag = 0x01020304;

// A 23-byte command wrapper.
Bytes Wrapper(uint8_t op, uint32_t nDataLen, bool bIn, const Params& params = {}, uint32_t nTag = kTag) {
    Bytes b(23, 0);
    std::memcpy(b.data(), "USBC", 4);
    for (int i = 0; i < 4; ++i) {
        b[size_t(4 + i)] = uint8_t(nTag >> (8 * i));
        b[size_t(8 + i)] = uint8_t(nDataLen >> (8 * i));
    }
    b[12] = bIn ? 0x80 : 0x00;
    b[13] = 1;
    b[14] = 8;
    b[15] = op;
    std::copy(params.begin(), params.end(), b.begin() + 16);
    return b;
}

Bytes PathPayload(const std::string& str) {
    Bytes b(str.begin(), str.end());
    b.push_back(0);
    return b;
}

// CB[1..7] of 'M': the mode and the size as three 16-bit words, high first.
Params OpenParams(uint8_t nMode, uint64_t nSize) {
    Params p{};
    p[0] = nMode;
    for (int w = 0; w < 3; ++w) {
        uint16_t n = uint16_t(nSize >> (16 * (2 - w)));
        p[size_t(1 + 2 * w)] = uint8_t(n);
        p[size_t(2 + 2 * w)] = uint8_t(n >> 8);
    }
    return p;
}

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24); }

struct Reply {
    int nWrite = 0;   // result of the wrapper write
    int nData = 0;    // result of the data phase (0 when there was none)
    Bytes in;         // IN data delivered
    int nCsw = 0;     // result of the status read
    Bytes csw;
    int Status() const { return csw.size() == 13 ? csw[12] : -1; }
};

void WriteFile(const std::string& strPath, const std::string& strText) {
    std::ofstream(strPath, std::ios::binary) << strText;
}

std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        char szTemplate[] = "/tmp/quorvane-emu-XXXXXX";
        ASSERT_NE(::mkdtemp(szTemplate), nullptr);
        m_strBase = szTemplate;
        m_strRoot = m_strBase + "/disk";
        m_strOutside = m_strBase + "/outside";
        fs::create_directory(m_strRoot);
        fs::create_directory(m_strOutside);
        WriteFile(m_strOutside + "/sentinel", "keep");
        m_pEmu = std::make_unique<CEmulatedReceiver>(m_strRoot);
        m_pEmu->Install();
        m_h = OpenReceiver();
        ASSERT_NE(m_h, nullptr);
    }

    void TearDown() override {
        if (m_h) Usb().close(m_h);
        m_pEmu.reset();
        std::error_code ec;
        fs::remove_all(m_strBase, ec);
    }

    usb_dev_handle* OpenReceiver() {
        Usb().init();
        Usb().find_busses();
        Usb().find_devices();
        for (usb_bus* pBus = Usb().get_busses(); pBus; pBus = pBus->next)
            for (struct usb_device* pDev = pBus->devices; pDev; pDev = pDev->next)
                if (pDev->descriptor.idVendor == RECEIVER_VID && pDev->descriptor.idProduct == RECEIVER_PID)
                    return Usb().open(pDev);
        return nullptr;
    }

    Reply RunOut(uint8_t op, const Bytes& payload, const Params& params = {}) {
        Reply r;
        Bytes w = Wrapper(op, uint32_t(payload.size()), false, params);
        r.nWrite = Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000);
        if (!payload.empty())
            r.nData = Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(payload.data()),
                                       int(payload.size()), 1000);
        ReadCsw(r);
        return r;
    }

    Reply RunIn(uint8_t op, uint32_t nLen) {
        Reply r;
        Bytes w = Wrapper(op, nLen, true);
        r.nWrite = Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000);
        if (nLen > 0) {
            r.in.assign(nLen, 0xEE);
            r.nData = Usb().bulk_read(m_h, 0x81, reinterpret_cast<char*>(r.in.data()), int(nLen), 1000);
            r.in.resize(size_t(std::max(r.nData, 0)));
        }
        ReadCsw(r);
        return r;
    }

    void ReadCsw(Reply& r) {
        r.csw.assign(16, 0);
        r.nCsw = Usb().bulk_read(m_h, 0x81, reinterpret_cast<char*>(r.csw.data()), 13, 1000);
        r.csw.resize(size_t(std::max(r.nCsw, 0)));
    }

    int PathStatus(uint8_t op, const std::string& strPath) { return RunOut(op, PathPayload(strPath)).Status(); }

    int RenameStatus(const std::string& strOld, const std::string& strNew) {
        Bytes payload = PathPayload(strOld);
        Bytes tail = PathPayload(strNew);
        payload.insert(payload.end(), tail.begin(), tail.end());
        Params p{};
        p[1] = uint8_t(strOld.size() + 1);
        p[2] = uint8_t((strOld.size() + 1) >> 8);
        p[3] = uint8_t(strNew.size() + 1);
        p[4] = uint8_t((strNew.size() + 1) >> 8);
        return RunOut('R', payload, p).Status();
    }

    uint32_t Count() {
        Reply r = RunIn('J', 4);
        EXPECT_EQ(r.Status(), 0);
        return r.in.size() == 4 ? uint32_t(r.in[0]) << 24 | r.in[1] << 16 | r.in[2] << 8 | r.in[3] : 0;
    }

    // 'J' then 'K', as the entries' names, types and sizes.
    std::vector<DirEntry> List() {
        uint32_t n = Count();
        std::vector<DirEntry> vec(n);
        if (n == 0) return vec;
        Reply r = RunIn('K', n * 72);
        EXPECT_EQ(r.Status(), 0);
        EXPECT_EQ(r.in.size(), size_t(n) * 72);
        std::memcpy(vec.data(), r.in.data(), std::min(r.in.size(), size_t(n) * 72));
        return vec;
    }

    std::vector<std::string> Names() {
        std::vector<std::string> vec;
        for (const auto& e : List()) vec.push_back(EntryName(e));
        return vec;
    }

    bool OutsideIntact() {
        return ReadFile(m_strOutside + "/sentinel") == "keep" &&
               std::distance(fs::directory_iterator(m_strOutside), fs::directory_iterator()) == 1;
    }

    std::string m_strBase, m_strRoot, m_strOutside;
    std::unique_ptr<CEmulatedReceiver> m_pEmu;
    usb_dev_handle* m_h = nullptr;
};

// ---- buses, devices, open and set-up ----

TEST_F(EmulatorTest, DefaultBusHoldsOneReceiver) {
    usb_bus* pBus = Usb().get_busses();
    ASSERT_NE(pBus, nullptr);
    EXPECT_EQ(pBus->next, nullptr);
    ASSERT_NE(pBus->devices, nullptr);
    EXPECT_EQ(pBus->devices->next, nullptr);
    EXPECT_EQ(pBus->devices->descriptor.idVendor, RECEIVER_VID);
    EXPECT_EQ(pBus->devices->descriptor.idProduct, RECEIVER_PID);
    EXPECT_EQ(pBus->devices->descriptor.bcdUSB, 0x0200);
    EXPECT_EQ(pBus->devices, m_pEmu->DeviceRecord(0));
}

TEST_F(EmulatorTest, SetDevicesBuildsLinkedBusesAndDevices) {
    m_pEmu->SetDevices({{0, 0x1234, 0x5678, 0x0110},
                        {1, uint16_t(RECEIVER_VID), 0x9999, 0x0200},
                        {1, uint16_t(RECEIVER_VID), uint16_t(RECEIVER_PID), 0x0201}});
    usb_bus* pBus0 = Usb().get_busses();
    ASSERT_NE(pBus0, nullptr);
    usb_bus* pBus1 = pBus0->next;
    ASSERT_NE(pBus1, nullptr);
    EXPECT_EQ(pBus1->prev, pBus0);
    EXPECT_EQ(pBus1->next, nullptr);
    ASSERT_EQ(pBus0->devices, m_pEmu->DeviceRecord(0));
    EXPECT_EQ(pBus0->devices->next, nullptr);
    EXPECT_EQ(pBus0->devices->descriptor.bcdUSB, 0x0110);
    ASSERT_EQ(pBus1->devices, m_pEmu->DeviceRecord(1));
    EXPECT_EQ(pBus1->devices->next, m_pEmu->DeviceRecord(2));
    EXPECT_EQ(m_pEmu->DeviceRecord(2)->prev, m_pEmu->DeviceRecord(1));
    EXPECT_EQ(m_pEmu->DeviceRecord(2)->descriptor.bcdUSB, 0x0201);
    EXPECT_EQ(m_pEmu->DeviceRecord(2)->bus, pBus1);
    EXPECT_EQ(m_pEmu->DeviceRecord(3), nullptr);
    // The earlier handle's device has left the bus.
    EXPECT_EQ(RunIn('L', 16).nWrite, -19);
}

TEST_F(EmulatorTest, OpenAndSetupFaults) {
    m_pEmu->FailOpen(true);
    EXPECT_EQ(Usb().open(m_pEmu->DeviceRecord(0)), nullptr);
    m_pEmu->FailOpen(false);

    struct Step {
        int nStep;
        int nConfig, nClaim, nAlt;
    };
    for (Step s : {Step{0, 0, 0, 0}, Step{1, -1, 0, 0}, Step{2, 0, -1, 0}, Step{3, 0, 0, -1}}) {
        SCOPED_TRACE(s.nStep);
        m_pEmu->FailSetup(s.nStep);
        usb_dev_handle* h = Usb().open(m_pEmu->DeviceRecord(0));
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(Usb().set_configuration(h, 1), s.nConfig);
        EXPECT_EQ(Usb().claim_interface(h, 0), s.nClaim);
        EXPECT_EQ(Usb().set_altinterface(h, 0), s.nAlt);
        EXPECT_EQ(Usb().release_interface(h, 0), 0);
        EXPECT_EQ(Usb().close(h), 0);
        // A closed handle carries nothing.
        Bytes w = Wrapper('L', 16, true);
        EXPECT_LT(Usb().bulk_write(h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000), 0);
    }
}

TEST_F(EmulatorTest, UninstallRestoresTheRealLibrary) {
    m_pEmu->Uninstall();
    EXPECT_EQ(&Usb(), &LibusbApi());
    m_pEmu->Install();
    EXPECT_NE(&Usb(), &LibusbApi());
}

// ---- listing ----

class ListingTest : public EmulatorTest {
protected:
    void SetUp() override {
        EmulatorTest::SetUp();
        fs::create_directory(m_strRoot + "/a");
        WriteFile(m_strRoot + "/b.txt", "0123456789");
        fs::create_directory_symlink(m_strRoot + "/a", m_strRoot + "/c");
        WriteFile(m_strRoot + "/" + std::string(59, 'n'), "x");
        WriteFile(m_strRoot + "/" + std::string(60, 'm'), "too long for the receiver");
        // A sparse file past 10^9 bytes shows the decimal split.
        int fd = ::open((m_strRoot + "/big").c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(5000000123LL)), 0);
        ::close(fd);
    }
};

TEST_F(ListingTest, CountIsBigEndianAndRecordsAreSorted) {
    for (int i = 0; i < 300; ++i) WriteFile(m_strRoot + "/a/f" + std::to_string(i), "");
    Reply r = RunIn('J', 4);
    EXPECT_EQ(r.Status(), 0);
    EXPECT_EQ(r.in, (Bytes{0, 0, 0, 5}));
    EXPECT_EQ(r.nCsw, 13);
    EXPECT_EQ(std::memcmp(r.csw.data(), "USBS", 4), 0);
    EXPECT_EQ(Le32(r.csw.data() + 4), kTag);
    EXPECT_EQ(Le32(r.csw.data() + 8), 0u);

    std::vector<DirEntry> vec = List();
    ASSERT_EQ(vec.size(), 5u);
    struct Want {
        std::string strName;
        uint32_t nType, nHigh, nLow;
    };
    std::vector<Want> want = {{"a", 1, 0, 0},
                              {"b.txt", 0, 0, 10},
                              {"big", 0, 5, 123},
                              {"c", 1, 0, 0},
                              {std::string(59, 'n'), 0, 0, 1}};
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].strName);
        EXPECT_EQ(EntryName(vec[i]), want[i].strName);
        EXPECT_EQ(vec[i].type, want[i].nType);
        EXPECT_EQ(vec[i].sizeHigh, want[i].nHigh);
        EXPECT_EQ(vec[i].sizeLow, want[i].nLow);
    }
    // A 59-byte name keeps its NUL inside the field.
    EXPECT_EQ(vec[4].name[59], '\0');

    ASSERT_EQ(PathStatus('V', "/a"), 0);
    EXPECT_EQ(Count(), 300u);
}

TEST_F(ListingTest, DotsComeFirstWhenAsked) {
    m_pEmu->SetListDots(true);
    std::vector<DirEntry> vec = List();
    ASSERT_EQ(vec.size(), 7u);
    EXPECT_EQ(EntryName(vec[0]), ".");
    EXPECT_EQ(EntryName(vec[1]), "..");
    EXPECT_NE(vec[0].type, 0u);
    EXPECT_NE(vec[1].type, 0u);
    EXPECT_EQ(EntryName(vec[2]), "a");
}

TEST_F(ListingTest, EntriesComeFromTheSnapshotTakenAtCount) {
    EXPECT_EQ(Count(), 5u);
    WriteFile(m_strRoot + "/0first", "");
    Reply r = RunIn('K', 5 * 72);
    ASSERT_EQ(r.in.size(), 5u * 72);
    DirEntry e{};
    std::memcpy(&e, r.in.data(), 72);
    EXPECT_EQ(EntryName(e), "a");
    EXPECT_EQ(Count(), 6u);
}

TEST_F(ListingTest, EntriesAskedLongerAreZeroFilledAndShorterTruncated) {
    Bytes full;
    {
        EXPECT_EQ(Count(), 5u);
        full = RunIn('K', 5 * 72).in;
    }
    EXPECT_EQ(Count(), 5u);
    Reply r = RunIn('K', 7 * 72);
    EXPECT_EQ(r.Status(), 0);
    ASSERT_EQ(r.in.size(), 7u * 72);
    EXPECT_TRUE(std::equal(full.begin(), full.end(), r.in.begin()));
    EXPECT_TRUE(std::all_of(r.in.begin() + 5 * 72, r.in.end(), [](uint8_t b) { return b == 0; }));

    EXPECT_EQ(Count(), 5u);
    r = RunIn('K', 100);
    ASSERT_EQ(r.in.size(), 100u);
    EXPECT_TRUE(std::equal(r.in.begin(), r.in.end(), full.begin()));
}

TEST_F(ListingTest, CountOverrideReportsHugeCountsAndZeroFillsTheRest) {
    m_pEmu->SetListCountOverride(0x01020304u);
    Reply r = RunIn('J', 4);
    EXPECT_EQ(r.in, (Bytes{1, 2, 3, 4}));
    r = RunIn('K', 1000 * 72);
    ASSERT_EQ(r.in.size(), 1000u * 72);
    DirEntry e{};
    std::memcpy(&e, r.in.data(), 72);
    EXPECT_EQ(EntryName(e), "a");
    EXPECT_TRUE(std::all_of(r.in.begin() + 5 * 72, r.in.end(), [](uint8_t b) { return b == 0; }));

    m_pEmu->SetListCountOverride(std::nullopt);
    EXPECT_EQ(Count(), 5u);
}

// ---- change dir and path refusals ----

TEST_F(EmulatorTest, ChangeDirFollowsPathRules) {
    fs::create_directories(m_strRoot + "/sub/deeper");
    WriteFile(m_strRoot + "/file", "f");
    fs::create_directory_symlink(m_strOutside, m_strRoot + "/out");
    fs::create_directory_symlink(m_strRoot + "/sub", m_strRoot + "/in");
    fs::create_directory(m_strRoot + "/" + std::string(60, 'x'));

    struct Case {
        std::string strPath;
        bool bOk;
    };
    const Case cases[] = {
        {"/", true},
        {"/sub", true},
        {"/sub/deeper", true},
        {"/in", true},  // a link that stays inside
        {"/missing", false},
        {"/file", false},
        {"/sub/..", false},
        {"/sub/./deeper", false},
        {"/..", false},
        {"sub", false},
        {"", false},
        {"/out", false},  // a link that leaves the served folder
        {"/" + std::string(60, 'x'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strPath);
        ASSERT_EQ(PathStatus('V', "/sub"), 0);
        EXPECT_EQ(PathStatus('V', c.strPath), c.bOk ? 0 : 1);
        EXPECT_EQ(m_pEmu->CurrentDir(), c.bOk ? c.strPath : "/sub");
    }
    ASSERT_EQ(PathStatus('V', "/sub"), 0);
    EXPECT_EQ(Names(), std::vector<std::string>{"deeper"});
}

// ---- make, rename, delete ----

TEST_F(EmulatorTest, MakeDirCreatesOnlyInsideAndOnlyOnce) {
    fs::create_directory_symlink(m_strOutside, m_strRoot + "/out");
    EXPECT_EQ(PathStatus('S', "/new"), 0);
    EXPECT_TRUE(fs::is_directory(m_strRoot + "/new"));
    EXPECT_EQ(PathStatus('S', "/new/inner"), 0);
    EXPECT_TRUE(fs::is_directory(m_strRoot + "/new/inner"));
    for (const std::string& strPath : std::vector<std::string>{"/new", "/missing/x", "/out/x", "/../outside/x", "new2", "/",
                                "/" + std::string(60, 'y')}) {
        SCOPED_TRACE(strPath);
        EXPECT_EQ(PathStatus('S', strPath), 1);
    }
    EXPECT_TRUE(OutsideIntact());
    EXPECT_FALSE(fs::exists(m_strRoot + "/new2"));
}

TEST_F(EmulatorTest, DeleteRemovesFilesEmptyFoldersAndLinksOnly) {
    fs::create_directories(m_strRoot + "/full/inner");
    fs::create_directory(m_strRoot + "/empty");
    WriteFile(m_strRoot + "/file", "f");
    fs::create_directory_symlink(m_strOutside, m_strRoot + "/out");

    EXPECT_EQ(PathStatus('T', "/full"), 1);
    EXPECT_TRUE(fs::exists(m_strRoot + "/full/inner"));
    EXPECT_EQ(PathStatus('T', "/empty"), 0);
    EXPECT_EQ(PathStatus('T', "/file"), 0);
    EXPECT_EQ(PathStatus('T', "/out"), 0);  // the link goes, never what it points to
    EXPECT_FALSE(fs::exists(m_strRoot + "/empty"));
    EXPECT_FALSE(fs::exists(m_strRoot + "/file"));
    EXPECT_FALSE(fs::is_symlink(m_strRoot + "/out"));
    for (const char* strPath : {"/missing", "/", "/full/..", "/../outside/sentinel"}) {
        SCOPED_TRACE(strPath);
        EXPECT_EQ(PathStatus('T', strPath), 1);
    }
    EXPECT_TRUE(OutsideIntact());
    EXPECT_TRUE(fs::is_directory(m_strRoot));
}

TEST_F(EmulatorTest, RenameNeverReplacesAndNeverLeaves) {
    WriteFile(m_strRoot + "/A", "a");
    WriteFile(m_strRoot + "/B", "b");
    fs::create_directory(m_strRoot + "/dir");
    fs::create_directory_symlink(m_strOutside, m_strRoot + "/out");

    EXPECT_EQ(RenameStatus("/A", "/B"), 1);
    EXPECT_EQ(ReadFile(m_strRoot + "/A"), "a");
    EXPECT_EQ(ReadFile(m_strRoot + "/B"), "b");
    EXPECT_EQ(RenameStatus("/B", "/dir"), 1);
    EXPECT_EQ(RenameStatus("/A", "/C"), 0);
    EXPECT_EQ(ReadFile(m_strRoot + "/C"), "a");
    EXPECT_FALSE(fs::exists(m_strRoot + "/A"));
    EXPECT_EQ(RenameStatus("/C", "/dir/D"), 0);
    EXPECT_EQ(ReadFile(m_strRoot + "/dir/D"), "a");
    for (auto [strOld, strNew] : std::vector<std::pair<std::string, std::string>>{
             {"/missing", "/E"}, {"/B", "/out/B"}, {"/B", "/../B"}, {"/out/sentinel", "/S"}, {"/", "/root"}}) {
        SCOPED_TRACE(strOld + " -> " + strNew);
        EXPECT_EQ(RenameStatus(strOld, strNew), 1);
    }
    EXPECT_TRUE(OutsideIntact());
    EXPECT_EQ(ReadFile(m_strRoot + "/B"), "b");
}

TEST_F(EmulatorTest, RenameWithLengthsThatDoNotFitIsRefused) {
    WriteFile(m_strRoot + "/A", "a");
    Bytes payload = {'/', 'A', 0, '/', 'B', 0};
    struct Case {
        uint16_t nOld, nNew;
    };
    for (Case c : {Case{3, 4}, Case{0, 3}, Case{3, 0}, Case{0xFFFF, 0xFFFF}, Case{1, 5}}) {
        SCOPED_TRACE(std::to_string(c.nOld) + "," + std::to_string(c.nNew));
        Params p{0, uint8_t(c.nOld), uint8_t(c.nOld >> 8), uint8_t(c.nNew), uint8_t(c.nNew >> 8), 0, 0};
        EXPECT_EQ(RunOut('R', payload, p).Status(), 1);
    }
    EXPECT_TRUE(fs::exists(m_strRoot + "/A"));
    EXPECT_FALSE(fs::exists(m_strRoot + "/B"));
}

// ---- file transfers ----

TEST_F(EmulatorTest, FileWrittenInChunksReadsBackIdentical) {
    fs::create_directory(m_strRoot + "/dir");
    std::string strData(100000, '\0');
    std::mt19937 rng(7);
    for (char& c : strData) c = char(rng());

    ASSERT_EQ(RunOut('M', PathPayload("/dir/f.bin"), OpenParams(2, strData.size())).Status(), 0);
    EXPECT_TRUE(m_pEmu->FileOpen());
    for (size_t nAt = 0; nAt < strData.size(); nAt += 32768) {
        size_t n = std::min<size_t>(32768, strData.size() - nAt);
        Reply r = RunOut('P', Bytes(strData.begin() + long(nAt), strData.begin() + long(nAt + n)));
        ASSERT_EQ(r.nData, int(n));
        ASSERT_EQ(r.Status(), 0);
    }
    EXPECT_EQ(PathStatus('N', "/dir/f.bin"), 0);
    EXPECT_FALSE(m_pEmu->FileOpen());
    EXPECT_EQ(ReadFile(m_strRoot + "/dir/f.bin"), strData);
    ASSERT_EQ(PathStatus('V', "/dir"), 0);
    std::vector<DirEntry> vec = List();
    ASSERT_EQ(vec.size(), 1u);
    EXPECT_EQ(EntrySize(vec[0]), strData.size());

    ASSERT_EQ(RunOut('M', PathPayload("/dir/f.bin"), OpenParams(1, 0)).Status(), 0);
    std::string strBack;
    for (size_t nAt = 0; nAt < strData.size(); nAt += 32768) {
        uint32_t n = uint32_t(std::min<size_t>(32768, strData.size() - nAt));
        Reply r = RunIn('O', n);
        ASSERT_EQ(r.nData, int(n));
        ASSERT_EQ(r.Status(), 0);
        strBack.append(r.in.begin(), r.in.end());
    }
    EXPECT_EQ(strBack, strData);
    // Past the end: zeros and a refused status.
    Reply r = RunIn('O', 16);
    EXPECT_EQ(r.in, Bytes(16, 0));
    EXPECT_NE(r.Status(), 0);

    EXPECT_EQ(PathStatus('N', "/dir/other"), 1);
    EXPECT_TRUE(m_pEmu->FileOpen());
    EXPECT_EQ(PathStatus('N', "/dir/f.bin"), 0);
    EXPECT_FALSE(m_pEmu->FileOpen());
}

TEST_F(EmulatorTest, OpenModesAndRefusals) {
    fs::create_directory(m_strRoot + "/dir");
    WriteFile(m_strRoot + "/old", "old contents");
    fs::create_directory_symlink(m_strOutside, m_strRoot + "/out");
    fs::create_symlink(m_strOutside + "/sentinel", m_strRoot + "/sentlink");
    fs::create_symlink(m_strOutside + "/new", m_strRoot + "/dangling");

    struct Case {
        std::string strPath;
        uint8_t nMode;
        bool bOk;
    };
    const Case cases[] = {
        {"/missing", 1, false},  {"/dir", 2, false},       {"/dir", 1, false},        {"/old", 4, false},
        {"/old", 0, false},      {"/out/new", 2, false},   {"/out/sentinel", 1, false},
        {"/sentlink", 2, false}, {"/sentlink", 1, false},  {"/dangling", 2, false},   {"/dangling", 3, false},
        {"/nodir/f", 2, false},  {"old", 1, false},        {"/old", 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strPath + " mode " + std::to_string(c.nMode));
        EXPECT_EQ(RunOut('M', PathPayload(c.strPath), OpenParams(c.nMode, 0)).Status(), c.bOk ? 0 : 1);
    }
    EXPECT_TRUE(OutsideIntact());
    EXPECT_EQ(ReadFile(m_strRoot + "/old"), "old contents");

    // A file opened for reading takes no chunks.
    EXPECT_EQ(RunOut('P', Bytes{'x'}).Status(), 1);
    // Mode 2 truncates; mode 3 opens or creates and reads and writes.
    ASSERT_EQ(RunOut('M', PathPayload("/old"), OpenParams(2, 3)).Status(), 0);
    EXPECT_EQ(RunIn('O', 1).Status(), 1);
    EXPECT_EQ(ReadFile(m_strRoot + "/old"), "");
    ASSERT_EQ(RunOut('M', PathPayload("/rw"), OpenParams(3, 0)).Status(), 0);
    EXPECT_EQ(RunOut('P', Bytes{'h', 'i'}).Status(), 0);
    EXPECT_EQ(PathStatus('N', "/rw"), 0);
    ASSERT_EQ(RunOut('M', PathPayload("/rw"), OpenParams(3, 0)).Status(), 0);
    Reply r = RunIn('O', 2);
    EXPECT_EQ(r.in, (Bytes{'h', 'i'}));
    EXPECT_EQ(r.Status(), 0);
    EXPECT_EQ(PathStatus('N', "/rw"), 0);

    // Chunks with no open file are refused.
    EXPECT_EQ(RunOut('P', Bytes{'x'}).Status(), 1);
    EXPECT_EQ(RunIn('O', 4).Status(), 1);
    EXPECT_EQ(PathStatus('N', "/rw"), 1);
}

TEST_F(EmulatorTest, FormatEmptiesTheServedFolderOnly) {
    fs::create_directories(m_strRoot + "/a/b/c");
    WriteFile(m_strRoot + "/a/b/c/f", "f");
    WriteFile(m_strRoot + "/g", "g");
    fs::create_directory_symlink(m_strOutside, m_strRoot + "/out");
    ASSERT_EQ(PathStatus('V', "/a/b"), 0);
    ASSERT_EQ(RunOut('M', PathPayload("/g"), OpenParams(1, 0)).Status(), 0);

    Bytes w = Wrapper('U', 0, false);
    ASSERT_EQ(Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000), 23);
    Reply r;
    ReadCsw(r);
    EXPECT_EQ(r.Status(), 0);
    EXPECT_TRUE(fs::is_directory(m_strRoot));
    EXPECT_TRUE(fs::is_empty(m_strRoot));
    EXPECT_TRUE(OutsideIntact());
    EXPECT_EQ(m_pEmu->CurrentDir(), "/");
    EXPECT_FALSE(m_pEmu->FileOpen());
    EXPECT_EQ(Count(), 0u);
}

// ---- disk figures ----

TEST_F(EmulatorTest, DiskFiguresAreSplitAtOneBillion) {
    m_pEmu->SetDiskSpace(2000000005ULL, 1234567890123ULL);
    Reply r = RunIn('L', 16);
    ASSERT_EQ(r.in.size(), 16u);
    EXPECT_EQ(r.Status(), 0);
    EXPECT_EQ(Le32(&r.in[0]), 2u);
    EXPECT_EQ(Le32(&r.in[4]), 5u);
    EXPECT_EQ(Le32(&r.in[8]), 1234u);
    EXPECT_EQ(Le32(&r.in[12]), 567890123u);
}

TEST_F(EmulatorTest, DiskFiguresDefaultToTheHostFileSystem) {
    Reply r = RunIn('L', 16);
    ASSERT_EQ(r.in.size(), 16u);
    DiskInfo d{};
    std::memcpy(&d, r.in.data(), 16);
    EXPECT_GT(DiskTotalBytes(d), 0u);
    EXPECT_LE(DiskFreeBytes(d), DiskTotalBytes(d));
    EXPECT_LT(d.freeLow, 1000000000u);
    EXPECT_LT(d.totalLow, 1000000000u);
}

// ---- faults ----

TEST_F(EmulatorTest, RefusedOpcodeCarriesItsStatusAndChangesNothing) {
    fs::create_directory(m_strRoot + "/sub");
    m_pEmu->RefuseOpcode('S', 2);
    m_pEmu->RefuseOpcode('V', 7);
    EXPECT_EQ(PathStatus('S', "/new"), 2);
    EXPECT_FALSE(fs::exists(m_strRoot + "/new"));
    EXPECT_EQ(PathStatus('V', "/sub"), 7);
    EXPECT_EQ(m_pEmu->CurrentDir(), "/");

    // A refused count still delivers its bytes.
    m_pEmu->RefuseOpcode('J', 1);
    Reply r = RunIn('J', 4);
    EXPECT_EQ(r.Status(), 1);
    EXPECT_EQ(r.in, (Bytes{0, 0, 0, 1}));

    m_pEmu->RefuseOpcode('S', 0);
    EXPECT_EQ(PathStatus('S', "/new"), 0);
    EXPECT_TRUE(fs::exists(m_strRoot + "/new"));
}

TEST_F(EmulatorTest, BadWrappersAreRefused) {
    Bytes w = Wrapper('S', 5, false);
    w[0] = 'X';  // bad signature
    ASSERT_EQ(Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000), 23);
    ASSERT_EQ(Usb().bulk_write(m_h, 0x01, "/bad", 5, 1000), 5);
    Reply r;
    ReadCsw(r);
    EXPECT_EQ(r.Status(), 1);
    EXPECT_FALSE(fs::exists(m_strRoot + "/bad"));

    EXPECT_EQ(RunOut('Z', PathPayload("/z")).Status(), 1);  // unknown opcode
    EXPECT_EQ(RunIn('A', 8).Status(), 1);
    EXPECT_EQ(RunIn('S', 8).Status(), 1);  // a known opcode in the wrong direction
    EXPECT_FALSE(fs::exists(m_strRoot + "/z"));
    EXPECT_EQ(Count(), 0u);  // the protocol is back in step
}

TEST_F(EmulatorTest, FailedDataPhaseStillLeavesItsStatusReadable) {
    // OUT: the wrapper passes, the payload write fails, the recovery read gets the status.
    m_pEmu->FailCall(2);
    Bytes w = Wrapper('S', 5, false);
    ASSERT_EQ(Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000), 23);
    EXPECT_EQ(Usb().bulk_write(m_h, 0x01, "/new", 5, 1000), -5);
    Reply r;
    ReadCsw(r);
    ASSERT_EQ(r.nCsw, 13);
    EXPECT_EQ(std::memcmp(r.csw.data(), "USBS", 4), 0);
    EXPECT_EQ(Le32(r.csw.data() + 4), kTag);
    EXPECT_NE(r.Status(), 0);
    EXPECT_FALSE(fs::exists(m_strRoot + "/new"));

    // IN: the same for a failed read.
    m_pEmu->FailCall(2);
    w = Wrapper('L', 16, true);
    ASSERT_EQ(Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000), 23);
    char buf[16];
    EXPECT_EQ(Usb().bulk_read(m_h, 0x81, buf, 16, 1000), -5);
    ReadCsw(r);
    ASSERT_EQ(r.nCsw, 13);
    EXPECT_EQ(Le32(r.csw.data() + 4), kTag);

    // A failed wrapper leaves nothing pending.
    m_pEmu->FailCall(1);
    w = Wrapper('S', 5, false);
    EXPECT_EQ(Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000), -5);
    EXPECT_LT(Usb().bulk_read(m_h, 0x81, buf, 13, 1000), 0);

    EXPECT_EQ(PathStatus('S', "/new"), 0);
}

TEST_F(EmulatorTest, FailedChunkLeavesTheFilePositionAlone) {
    WriteFile(m_strRoot + "/f", "abcdef");
    ASSERT_EQ(RunOut('M', PathPayload("/f"), OpenParams(1, 0)).Status(), 0);
    m_pEmu->FailCall(2);
    Reply r = RunIn('O', 3);
    EXPECT_EQ(r.nData, -5);
    EXPECT_NE(r.Status(), 0);
    r = RunIn('O', 3);
    EXPECT_EQ(r.in, (Bytes{'a', 'b', 'c'}));
}

TEST_F(EmulatorTest, ShortReadsDeliverFewerBytesAndStayInStep) {
    m_pEmu->SetDiskSpace(1, 2);
    m_pEmu->ShortReads(3);
    Reply r = RunIn('L', 16);
    EXPECT_EQ(r.nData, 13);
    EXPECT_EQ(r.nCsw, 10);
    m_pEmu->ShortReads(0);
    r = RunIn('L', 16);
    EXPECT_EQ(r.nData, 16);
    EXPECT_EQ(r.Status(), 0);
}

TEST_F(EmulatorTest, UnpluggedReceiverLeavesTheBusAndItsCallsFail) {
    m_pEmu->SetUnplugged(true);
    Usb().find_devices();
    usb_bus* pBus = Usb().get_busses();
    ASSERT_NE(pBus, nullptr);
    EXPECT_EQ(pBus->devices, nullptr);
    EXPECT_EQ(RunIn('L', 16).nWrite, -19);
    char buf[2];
    EXPECT_EQ(Usb().control_msg(m_h, 0xC0, 0xCF, 0, 0, buf, 2, 1000), -19);
    EXPECT_EQ(Usb().open(m_pEmu->DeviceRecord(0)), nullptr);

    m_pEmu->SetUnplugged(false);
    Usb().find_devices();
    EXPECT_EQ(Usb().get_busses()->devices, m_pEmu->DeviceRecord(0));
    EXPECT_EQ(RunIn('L', 16).Status(), 0);
}

// ---- vendor requests ----

TEST_F(EmulatorTest, VendorRequestsAnswerAndResetClearsState) {
    for (int nRequest : {0xCF, 0xCE, 0xFF}) {
        SCOPED_TRACE(nRequest);
        EXPECT_EQ(Usb().control_msg(m_h, 0x40, nRequest, 0, 0, nullptr, 0, 1000), 0);
        char reply[2] = {0, 0};
        EXPECT_EQ(Usb().control_msg(m_h, 0xC0, nRequest, 0, 0, reply, 2, 1000), 2);
        EXPECT_EQ(reply[0], 1);
        EXPECT_EQ(reply[1], 0);
    }
    char reply[2];
    EXPECT_LT(Usb().control_msg(m_h, 0x40, 0x12, 0, 0, nullptr, 0, 1000), 0);
    m_pEmu->FailControl(true);
    EXPECT_LT(Usb().control_msg(m_h, 0x40, 0xCF, 0, 0, nullptr, 0, 1000), 0);
    EXPECT_LT(Usb().control_msg(m_h, 0xC0, 0xCF, 0, 0, reply, 2, 1000), 0);
    m_pEmu->FailControl(false);

    // Reset closes the open file and forgets a command under way.
    WriteFile(m_strRoot + "/f", "abc");
    ASSERT_EQ(RunOut('M', PathPayload("/f"), OpenParams(1, 0)).Status(), 0);
    Bytes w = Wrapper('S', 3, false);
    ASSERT_EQ(Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000), 23);
    EXPECT_EQ(Usb().control_msg(m_h, 0x40, 0xFF, 0, 0, nullptr, 0, 1000), 0);
    EXPECT_FALSE(m_pEmu->FileOpen());
    char buf[13];
    EXPECT_LT(Usb().bulk_read(m_h, 0x81, buf, 13, 1000), 0);
    EXPECT_EQ(Count(), 1u);
}

// ---- robustness ----

TEST_F(EmulatorTest, RandomTrafficNeverWritesOutsideBuffersOrTheServedFolder) {
    fs::create_directory_symlink(m_strOutside, m_strRoot + "/out");
    const std::vector<std::string> paths = {"/out/x", "/../outside/sentinel", "/out", "/out/sentinel",
                                            "relative", "/", "/a", "/a/b", std::string(700, '/')};
    const std::string ops = "JKLMNOPRSTUVWZ";
    std::mt19937 rng(12345);
    auto Pick = [&](size_t n) { return size_t(rng() % n); };
    constexpr int kGuard = 16;
    for (int i = 0; i < 4000; ++i) {
        switch (Pick(4)) {
            case 0: {  // a plausible wrapper
                Params p{};
                for (auto& b : p) b = uint8_t(Pick(3) == 0 ? rng() : Pick(4));
                uint32_t nLen = Pick(4) == 0 ? uint32_t(rng()) : uint32_t(Pick(80));
                Bytes w = Wrapper(uint8_t(ops[Pick(ops.size())]), nLen, Pick(2) == 0, p, uint32_t(rng()));
                Usb().bulk_write(m_h, 0x01, reinterpret_cast<const char*>(w.data()), 23, 1000);
                break;
            }
            case 1: {  // a payload: a path, or noise
                Bytes b;
                if (Pick(2) == 0) b = PathPayload(paths[Pick(paths.size())]);
                else b.resize(Pick(64)), std::generate(b.begin(), b.end(), [&] { return uint8_t(rng()); });
                if (Pick(3) == 0 && !b.empty()) b.pop_back();
                Usb().bulk_write(m_h, Pick(10) == 0 ? 0x81 : 0x01, reinterpret_cast<const char*>(b.data()),
                                 int(b.size()), 1000);
                break;
            }
            case 2: {  // a read of any size, with guard bytes behind it
                int nSize = Pick(4) == 0 ? int(Pick(70000)) : int(Pick(40));
                Bytes buf(size_t(nSize) + kGuard, 0xA5);
                int n = Usb().bulk_read(m_h, Pick(10) == 0 ? 0x01 : 0x81, reinterpret_cast<char*>(buf.data()),
                                        nSize, 1000);
                ASSERT_LE(n, nSize);
                ASSERT_TRUE(std::all_of(buf.end() - kGuard, buf.end(), [](uint8_t b) { return b == 0xA5; }));
                break;
            }
            default: {
                char reply[2 + kGuard];
                std::memset(reply, 0x5A, sizeof reply);
                Usb().control_msg(m_h, Pick(2) ? 0xC0 : 0x40, int(rng() % 256), 0, 0, reply, int(Pick(3)), 1000);
                ASSERT_TRUE(std::all_of(reply + 2, reply + sizeof reply, [](char c) { return c == 0x5A; }));
                break;
            }
        }
    }
    // Null buffers and negative sizes are refused.
    EXPECT_LT(Usb().bulk_write(m_h, 0x01, nullptr, 23, 1000), 0);
    EXPECT_LT(Usb().bulk_read(m_h, 0x81, nullptr, 13, 1000), 0);
    EXPECT_LT(Usb().bulk_read(m_h, 0x81, nullptr, -1, 1000), 0);
    EXPECT_LT(Usb().control_msg(m_h, 0xC0, 0xCF, 0, 0, nullptr, 2, 1000), 0);
    EXPECT_LT(Usb().bulk_write(reinterpret_cast<usb_dev_handle*>(&m_strBase), 0x01, "x", 1, 1000), 0);

    EXPECT_TRUE(OutsideIntact());
    EXPECT_EQ(Usb().control_msg(m_h, 0x40, 0xFF, 0, 0, nullptr, 0, 1000), 0);
    EXPECT_EQ(PathStatus('V', "/"), 0);
    EXPECT_EQ(RunIn('J', 4).Status(), 0);
}

TEST_F(EmulatorTest, PresencePollRunsBesideAWorkerExchange) {
    m_pEmu->SetRecordData(false);
    std::atomic<bool> bDone{false};
    std::thread poll([&] {
        while (!bDone) {
            Usb().init();
            Usb().find_busses();
            Usb().find_devices();
            ASSERT_NE(Usb().get_busses(), nullptr);
            (void)m_pEmu->Calls();
        }
    });
    for (int i = 0; i < 300; ++i) ASSERT_EQ(RunIn('L', 16).Status(), 0);
    bDone = true;
    poll.join();
}

// ---- call log and bus speed ----

TEST_F(EmulatorTest, CallLogRecordsBytesOrStaysBounded) {
    m_pEmu->SetDiskSpace(1, 2);
    m_pEmu->ClearCalls();
    Reply r = RunIn('L', 16);
    std::vector<EmuCall> calls = m_pEmu->Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, EmuCall::BulkWrite);
    EXPECT_EQ(calls[0].ep, 0x01);
    EXPECT_EQ(calls[0].timeout, 1000);
    EXPECT_EQ(calls[0].data, Wrapper('L', 16, true));
    EXPECT_EQ(calls[1].kind, EmuCall::BulkRead);
    EXPECT_EQ(calls[1].ep, 0x81);
    EXPECT_EQ(calls[1].size, 16);
    EXPECT_EQ(calls[1].data, r.in);
    EXPECT_EQ(calls[2].result, 13);
    EXPECT_EQ(calls[2].data, r.csw);
    EXPECT_LE(calls[0].when, calls[2].when);

    m_pEmu->SetRecordData(false);
    m_pEmu->ClearCalls();
    const int kExchanges = 2000;
    for (int i = 0; i < kExchanges; ++i) RunIn('L', 16);
    EXPECT_EQ(m_pEmu->CallCount(), uint64_t(3 * kExchanges));
    calls = m_pEmu->Calls();
    EXPECT_EQ(calls.size(), CEmulatedReceiver::kUnrecordedLogLimit);
    EXPECT_TRUE(std::all_of(calls.begin(), calls.end(), [](const EmuCall& c) { return c.data.empty(); }));
    EXPECT_EQ(calls.back().kind, EmuCall::BulkRead);
    EXPECT_EQ(calls.back().result, 13);
}

TEST_F(EmulatorTest, BusSpeedSlowsEachTransaction) {
    m_pEmu->SetBusSpeed(std::chrono::milliseconds(2), 100000);  // 2 ms + 10 us per byte
    auto start = std::chrono::steady_clock::now();
    Reply r = RunIn('L', 16);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.Status(), 0);
    // Three transactions of 2 ms plus 52 bytes at 10 us.
    EXPECT_GE(elapsed, std::chrono::microseconds(6000 + 520));
}

}  // namespace
