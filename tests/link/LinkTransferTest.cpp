// File transfers and management commands of the link against the emulated
// receiver: the exact bytes on the bus from the call log, and the files on
// both sides.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "LinkTestSupport.h"

using namespace linktest;

namespace {

std::string RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = char(gen());
    return s;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// A file of the given size that occupies (almost) no disk.
void MakeSparse(const fs::path& p, uint64_t nSize) {
    fs::create_directories(p.parent_path());
    int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(nSize)), 0);
    ::close(fd);
}

std::vector<uint32_t> ChunkLengths(const std::vector<Cbw>& w, char op) {
    std::vector<uint32_t> out;
    for (const Cbw& c : w)
        if (c.Op() == op) out.push_back(c.length);
    return out;
}

}  // namespace

class TransferTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        m_local = m_root.string() + "-pc";
        fs::remove_all(m_local);
        fs::create_directories(m_local);
    }
    void TearDown() override {
        LinkTest::TearDown();
        fs::remove_all(m_local);
    }

    void ConnectAt(uint16_t bcd) {
        m_link.Close();
        m_pEmu->SetDevices({{0, RECEIVER_VID, RECEIVER_PID, bcd}});
        Connect();
    }

    // Lists the receiver's root, as the callers of RecvFile do, then forgets the calls.
    void ListRoot() {
        ASSERT_EQ(m_link.ChangeDir("/"), RL_OK);
        ASSERT_EQ(m_link.GetDirList(), RL_OK);
        m_pEmu->ClearCalls();
    }

    // OUT data phases that followed a wrapper with this opcode.
    std::vector<std::vector<uint8_t>> Payloads(char op) const {
        std::vector<std::vector<uint8_t>> out;
        bool bNext = false;
        for (const EmuCall& c : m_pEmu->Calls()) {
            if (c.kind != EmuCall::BulkWrite || c.ep != 0x01) continue;
            const bool bWrapper = c.size == 23 && std::memcmp(c.data.data(), "USBC", 4) == 0;
            if (bWrapper) {
                bNext = c.data[15] == uint8_t(op);
            } else if (bNext) {
                out.push_back(c.data);
                bNext = false;
            }
        }
        return out;
    }

    // Runs a transfer on a thread, stops it once its first chunk is under way.
    // The bus is slowed so that the transfer can never end by itself first.
    int RunAndStop(const std::function<int()>& transfer, float* pRemoteSizeSeen = nullptr) {
        m_pEmu->SetBusSpeed(std::chrono::milliseconds(1), 0);
        int nResult = 0;
        std::thread worker([&] { nResult = transfer(); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_link.m_fDone == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (pRemoteSizeSeen) *pRemoteSizeSeen = m_link.m_fRemoteSize;
        EXPECT_EQ(m_link.m_bIdle, 0);  // held low while the transfer runs
        m_link.m_bStop = 1;
        worker.join();
        m_pEmu->SetBusSpeed(std::chrono::microseconds(0), 0);
        return nResult;
    }

    fs::path m_local;  // the PC side
};

// ------------------------------------------------------------ chunking

TEST_F(TransferTest, EmptyFileIsOpenedAndClosedWithoutChunks) {
    WriteAll(m_local / "out/e", "");
    Connect();
    ASSERT_EQ(m_link.SendFile((m_local / "out/e").string(), "/e"), RL_OK);
    auto w = Wrappers();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].Op(), 'M');
    EXPECT_EQ(w[0].cb, (std::vector<uint8_t>{'M', 2, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w[0].length, 3u);  // "/e" and NUL
    EXPECT_EQ(w[0].flags, 0x00);
    EXPECT_EQ(w[1].Op(), 'N');
    EXPECT_EQ(w[1].tag, w[0].tag);
    EXPECT_EQ(w[1].length, 3u);
    EXPECT_EQ(Payloads('N'), (std::vector<std::vector<uint8_t>>{{'/', 'e', 0}}));
    EXPECT_TRUE(fs::exists(m_root / "e"));
    EXPECT_EQ(fs::file_size(m_root / "e"), 0u);

    // And back: 'M' (receiver reads) and 'N' only, leaving an empty local file.
    ListRoot();
    ASSERT_EQ(m_link.RecvFile((m_local / "in/e").string(), "/e"), RL_ERR_LOCAL_OPEN);  // no folder
    fs::create_directories(m_local / "in");
    m_pEmu->ClearCalls();
    ASSERT_EQ(m_link.RecvFile((m_local / "in/e").string(), "/e"), RL_OK);
    w = Wrappers();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].cb, (std::vector<uint8_t>{'M', 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w[1].Op(), 'N');
    EXPECT_EQ(fs::file_size(m_local / "in/e"), 0u);
    EXPECT_EQ(m_link.m_bIdle, 1);
}

TEST_F(TransferTest, ChunksFollowTheFileSizeAndTheBusSpeed) {
    struct Case { bool send; uint16_t bcd; size_t size; std::vector<uint32_t> chunks; };
    const std::vector<Case> cases = {
        {false, 0x0110, 1000, {512, 488}},
        {false, 0x0200, 1000, {1000}},
        {false, 0x0110, 1024, {512, 512}},  // two chunks, not three
        {false, 0x0200, 65537, {32768, 32768, 1}},
        {true, 0x0110, 5000, {4096, 904}},
        {true, 0x0110, 8192, {4096, 4096}},
        {true, 0x0200, 40000, {32768, 7232}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        const std::string name = "f" + std::to_string(i);
        const std::string bytes = RandomBytes(c.size, uint32_t(i));
        ConnectAt(c.bcd);
        int nResult;
        if (c.send) {
            WriteAll(m_local / "out" / name, bytes);
            m_pEmu->ClearCalls();
            nResult = m_link.SendFile((m_local / "out" / name).string(), "/" + name);
        } else {
            MakeFile(name, bytes);
            ListRoot();
            nResult = m_link.RecvFile((m_local / name).string(), "/" + name);
        }
        ASSERT_EQ(nResult, RL_OK);
        EXPECT_EQ(ReadAll(c.send ? m_root / name : m_local / name), bytes);

        DiskInfo info{};
        ASSERT_EQ(m_link.GetDiskInfo(&info), RL_OK);
        const auto w = Wrappers();
        ASSERT_EQ(w.size(), c.chunks.size() + 3);  // M, chunks, N, L
        const char op = c.send ? 'P' : 'O';
        EXPECT_EQ(ChunkLengths(w, op), c.chunks);
        const uint32_t tag = w.front().tag;
        for (size_t k = 1; k + 1 < w.size(); ++k) {
            EXPECT_EQ(w[k].tag, tag) << "wrapper " << k;  // chunks and 'N' reuse the tag
            if (w[k].Op() == op) {
                EXPECT_EQ(w[k].flags, c.send ? 0x00 : 0x80);
                EXPECT_EQ(std::vector<uint8_t>(w[k].cb.begin() + 1, w[k].cb.end()),
                          std::vector<uint8_t>(7, 0));
            }
        }
        EXPECT_EQ(w[w.size() - 2].Op(), 'N');
        EXPECT_EQ(w.back().tag, tag + 1);  // the next new command
        if (c.send) {
            const auto p = Payloads('P');
            ASSERT_EQ(p.size(), c.chunks.size());
            EXPECT_EQ(std::string(p[0].begin(), p[0].end()), bytes.substr(0, c.chunks[0]));
        }
        // A successful close clears the progress figures.
        EXPECT_EQ(m_link.m_fDone, 0.0f);
        EXPECT_EQ(m_link.m_fLocalSize, 0.0f);
        EXPECT_EQ(m_link.m_fRemoteSize, 0.0f);
        EXPECT_EQ(m_link.m_hLocalFile, -1);
        EXPECT_FALSE(m_pEmu->FileOpen());
    }
}

TEST_F(TransferTest, OpenFileAnnouncesTheSizeInThreeLittleEndianWords) {
    const uint64_t nBig = (uint64_t(1) << 32) + 5;
    MakeSparse(m_local / "big", nBig);
    Connect();
    ASSERT_EQ(m_link.OpenTransfer((m_local / "big").string(), "/big", TRANSFER_READ), RL_OK);
    EXPECT_EQ(m_link.m_fLocalSize, float(nBig));
    EXPECT_GE(m_link.m_hLocalFile, 0);
    ASSERT_EQ(m_link.AbortFile(), RL_OK);  // closes both files without a chunk
    EXPECT_EQ(m_link.m_hLocalFile, -1);
    EXPECT_FALSE(m_pEmu->FileOpen());
    auto w = Wrappers();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].cb, (std::vector<uint8_t>{'M', 2, 1, 0, 0, 0, 5, 0}));
    EXPECT_EQ(w[1].Op(), 'N');
    EXPECT_EQ(w[1].tag, w[0].tag);

    // Direct opens: the receiver mode for each local mode, 48 bits of size.
    struct Case { uint32_t high, low; int mode; std::vector<uint8_t> cb; };
    const std::vector<Case> cases = {
        {0x12345, 0x6789ABCD, TRANSFER_WRITE, {'M', 1, 0x45, 0x23, 0x89, 0x67, 0xCD, 0xAB}},
        {0, 0, TRANSFER_READWRITE, {'M', 3, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        m_pEmu->ClearCalls();
        m_link.OpenFile(c.high, c.low, c.mode);
        w = Wrappers();
        ASSERT_EQ(w.size(), 1u);
        EXPECT_EQ(w[0].cb, c.cb);
        m_link.CloseFile();
    }

    // A bad mode is refused before anything is opened or sent.
    m_pEmu->ClearCalls();
    EXPECT_EQ(m_link.OpenFile(0, 0, 4), RL_ERR_BAD_MODE);
    EXPECT_EQ(m_link.OpenTransfer((m_local / "big").string(), "/big", 0), RL_ERR_BAD_MODE);
    EXPECT_EQ(m_link.m_hLocalFile, -1);
    EXPECT_EQ(BusCalls(), 0u);
}

// ------------------------------------------------------------ stopping

TEST_F(TransferTest, StoppedReceiveOfAFiveGigabyteFileClosesTheReceiverFile) {
    const uint64_t nHuge = 5000000000ULL;
    MakeSparse(m_root / "huge", nHuge);
    Connect();
    ListRoot();
    ASSERT_EQ(m_link.m_nListCount, 1u);
    EXPECT_EQ(m_link.Entries()[0].sizeHigh, 5u);
    EXPECT_EQ(m_link.Entries()[0].sizeLow, 0u);

    float fRemoteSize = 0;
    const int nResult =
        RunAndStop([&] { return m_link.RecvFile((m_local / "huge").string(), "/huge"); }, &fRemoteSize);
    EXPECT_EQ(nResult, RL_ERR_STATUS);
    EXPECT_EQ(fRemoteSize, float(nHuge));  // the size from the listing, in 64 bits
    EXPECT_EQ(m_link.m_nEntryIndex, 0);
    EXPECT_EQ(m_link.m_bIdle, 1);
    const auto w = Wrappers();
    ASSERT_GE(w.size(), 3u);
    EXPECT_EQ(w.front().cb, (std::vector<uint8_t>{'M', 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w.back().Op(), 'N');
    EXPECT_EQ(w.back().tag, w.front().tag);
    const auto chunks = ChunkLengths(w, 'O');
    ASSERT_EQ(chunks.size(), w.size() - 2);
    for (uint32_t n : chunks) EXPECT_EQ(n, 32768u);
    EXPECT_FALSE(m_pEmu->FileOpen());
    // Every chunk asked for was written; the partial file is the caller's to remove.
    EXPECT_EQ(fs::file_size(m_local / "huge"), chunks.size() * 32768u);
}

TEST_F(TransferTest, StoppedSendClosesTheReceiverFile) {
    MakeSparse(m_local / "big", uint64_t(1) << 30);
    Connect();
    const int nResult = RunAndStop([&] { return m_link.SendFile((m_local / "big").string(), "/big"); });
    EXPECT_EQ(nResult, RL_ERR_STATUS);
    const auto w = Wrappers();
    ASSERT_GE(w.size(), 3u);
    EXPECT_EQ(w.front().Op(), 'M');
    EXPECT_EQ(w.back().Op(), 'N');
    EXPECT_EQ(w.back().tag, w.front().tag);
    EXPECT_EQ(ChunkLengths(w, 'P').size(), w.size() - 2);
    EXPECT_FALSE(m_pEmu->FileOpen());
    EXPECT_EQ(m_link.m_hLocalFile, -1);
    EXPECT_EQ(m_link.m_bIdle, 1);
}

// ------------------------------------------------------------ refusals before sending

TEST_F(TransferTest, ReceiveIsRefusedUnsentForAnExistingLocalFileOrAnUnlistedName) {
    MakeFile("a", "receiver bytes");
    WriteAll(m_local / "a", "keep");
    Connect();

    // No listing at all yet.
    EXPECT_EQ(m_link.RecvFile((m_local / "b").string(), "/a"), RL_ERR_NOT_LISTED);
    EXPECT_EQ(BusCalls(), 0u);

    ListRoot();
    EXPECT_EQ(m_link.RecvFile((m_local / "a").string(), "/a"), RL_ERR_LOCAL_OPEN);
    EXPECT_EQ(ReadAll(m_local / "a"), "keep");
    // The local name selects the listing entry, whatever the receiver path says.
    EXPECT_EQ(m_link.RecvFile((m_local / "missing").string(), "/a"), RL_ERR_NOT_LISTED);
    EXPECT_FALSE(fs::exists(m_local / "missing"));
    EXPECT_EQ(m_link.RecvFile((m_local / "A").string(), "/a"), RL_ERR_NOT_LISTED);  // case counts
    EXPECT_EQ(BusCalls(), 0u);
    EXPECT_EQ(m_link.m_bIdle, 1);
}

// ------------------------------------------------------------ failures during a transfer

TEST_F(TransferTest, ShortChunkReadIsAFailedDataPhase) {
    MakeFile("f", RandomBytes(1000, 7));
    Connect();
    ListRoot();
    m_pEmu->ShortReads(1);
    EXPECT_EQ(m_link.RecvFile((m_local / "f").string(), "/f"), RL_ERR_DATA_IN);
    m_pEmu->ShortReads(0);
    // After the 'O' wrapper: the short data read and the recovery read, no more.
    const auto calls = m_pEmu->Calls();
    size_t nReadsAfterChunk = 0;
    bool bAfter = false;
    for (const EmuCall& c : calls) {
        if (c.kind == EmuCall::BulkWrite && c.size == 23 && c.data[15] == 'O') bAfter = true;
        else if (bAfter && c.kind == EmuCall::BulkRead) ++nReadsAfterChunk;
    }
    EXPECT_EQ(nReadsAfterChunk, 2u);
    EXPECT_EQ(m_link.m_hLocalFile, -1);
    EXPECT_EQ(fs::file_size(m_local / "f"), 0u);  // nothing padded with zeros was written
    EXPECT_EQ(Wrappers().back().Op(), 'O');       // the close is left to the caller
    EXPECT_EQ(m_link.AbortFile(), RL_OK);
    EXPECT_FALSE(m_pEmu->FileOpen());
}

TEST_F(TransferTest, RefusedChunkLeavesTheCloseToTheCaller) {
    WriteAll(m_local / "s", RandomBytes(10000, 3));
    Connect();
    m_pEmu->RefuseOpcode('P');
    EXPECT_EQ(m_link.SendFile((m_local / "s").string(), "/s"), RL_ERR_STATUS);
    m_pEmu->RefuseOpcode('P', 0);
    EXPECT_EQ(m_link.m_hLocalFile, -1);
    auto w = Wrappers();
    ASSERT_EQ(w.size(), 2u);  // 'M' and the refused first chunk, no retry, no close
    EXPECT_EQ(w[1].Op(), 'P');
    EXPECT_TRUE(m_pEmu->FileOpen());
    EXPECT_EQ(m_link.AbortFile(), RL_OK);
    w = Wrappers();
    EXPECT_EQ(w.back().Op(), 'N');
    EXPECT_EQ(w.back().tag, w.front().tag);
    EXPECT_FALSE(m_pEmu->FileOpen());
}

TEST_F(TransferTest, LocalReadFailureIsNotTheEndOfTheFile) {
    // A folder opens for reading but every read of it fails.
    fs::create_directories(m_local / "folder");
    Connect();
    EXPECT_EQ(m_link.SendFile((m_local / "folder").string(), "/x"), RL_ERR_LOCAL_READ);
    const auto w = Wrappers();
    ASSERT_EQ(w.size(), 2u);  // the receiver file is closed, so the caller can delete it
    EXPECT_EQ(w[0].Op(), 'M');
    EXPECT_EQ(w[1].Op(), 'N');
    EXPECT_EQ(m_link.m_hLocalFile, -1);
    EXPECT_EQ(m_link.m_bIdle, 1);
}

// ------------------------------------------------------------ management commands

TEST_F(TransferTest, ManagementCommandsSendTheirPathsAndNuls) {
    MakeFile("A", "x");
    Connect();
    ASSERT_EQ(m_link.Rename("/A", "/B"), RL_OK);
    ASSERT_EQ(m_link.MakeDir("/D"), RL_OK);
    EXPECT_TRUE(fs::is_directory(m_root / "D"));
    ASSERT_EQ(m_link.Delete("/D"), RL_OK);  // a folder
    ASSERT_EQ(m_link.Delete("/B"), RL_OK);  // a file: the same opcode
    EXPECT_TRUE(fs::is_empty(m_root));

    const auto w = Wrappers();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0].cb, (std::vector<uint8_t>{'R', 0, 3, 0, 3, 0, 0, 0}));
    EXPECT_EQ(w[0].length, 6u);
    EXPECT_EQ(w[1].cb, (std::vector<uint8_t>{'S', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w[2].Op(), 'T');
    EXPECT_EQ(w[3].Op(), 'T');
    for (size_t i = 0; i < w.size(); ++i) {
        EXPECT_EQ(w[i].flags, 0x00);
        if (i) {
            EXPECT_EQ(w[i].tag, w[i - 1].tag + 1);  // each a new tag
        }
    }
    EXPECT_EQ(Payloads('R'), (std::vector<std::vector<uint8_t>>{{'/', 'A', 0, '/', 'B', 0}}));
    EXPECT_EQ(Payloads('S'), (std::vector<std::vector<uint8_t>>{{'/', 'D', 0}}));
    EXPECT_EQ(Payloads('T'), (std::vector<std::vector<uint8_t>>{{'/', 'D', 0}, {'/', 'B', 0}}));
}

TEST_F(TransferTest, FormatIsOneWrapperAndOneStatusRead) {
    MakeFile("x/y", "z");
    MakeFile("top", "t");
    Connect();
    ASSERT_EQ(m_link.Format(), RL_OK);
    const auto calls = m_pEmu->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, EmuCall::BulkWrite);
    EXPECT_EQ(calls[0].ep, 0x01);
    EXPECT_EQ(calls[0].size, 23);
    EXPECT_EQ(calls[1].kind, EmuCall::BulkRead);
    EXPECT_EQ(calls[1].ep, 0x81);
    EXPECT_EQ(calls[1].size, 13);
    EXPECT_EQ(calls[1].timeout, 1000);
    const auto w = Wrappers();
    EXPECT_EQ(w[0].cb, (std::vector<uint8_t>{'U', 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(w[0].length, 0u);
    EXPECT_EQ(w[0].flags, 0x00);
    EXPECT_TRUE(fs::is_empty(m_root));
    EXPECT_EQ(m_link.m_bIdle, 1);
}

// ------------------------------------------------------------ round trip

TEST_F(TransferTest, PutThenGetIsByteIdentical) {
    const std::vector<size_t> sizes = {0, 1, 32767, 32768, 32769, 100000};
    for (uint16_t bcd : {uint16_t(0x0200), uint16_t(0x0110)}) {
        SCOPED_TRACE(bcd);
        ConnectAt(bcd);
        const std::string tag = std::to_string(bcd);
        std::vector<std::string> originals;
        for (size_t n : sizes) {
            const std::string name = "rt" + tag + "_" + std::to_string(n);
            originals.push_back(RandomBytes(n, uint32_t(n + bcd)));
            WriteAll(m_local / "out" / name, originals.back());
            ASSERT_EQ(m_link.SendFile((m_local / "out" / name).string(), "/" + name), RL_OK) << name;
        }
        ASSERT_EQ(m_link.ChangeDir("/"), RL_OK);
        ASSERT_EQ(m_link.GetDirList(), RL_OK);
        fs::create_directories(m_local / ("in" + tag));
        for (size_t i = 0; i < sizes.size(); ++i) {
            const std::string name = "rt" + tag + "_" + std::to_string(sizes[i]);
            const fs::path back = m_local / ("in" + tag) / name;
            ASSERT_EQ(m_link.RecvFile(back.string(), "/" + name), RL_OK) << name;
            EXPECT_EQ(ReadAll(back), originals[i]) << name;
            EXPECT_EQ(ReadAll(m_root / name), originals[i]) << name;
        }
    }
}
