// Benchmarks of the receiver link over the emulated receiver.
//
//   BM_ListFolder      ChangeDir + GetDirList of a folder of 10,000 entries
//   BM_LinkPut         SendFile of one large file (PC to receiver)
//   BM_LinkGet         RecvFile of the same file (receiver to PC)
//   BM_Cp              cp of the same file on the same disk, for scale
//
// The bus is not slowed and the call log keeps no bytes, so the figures are
// what the program and the emulator cost. After the run the copy rates are
// printed as ratios to cp's.
//
// Environment: QUORVANE_BENCH_DIR (default: the temporary folder) holds the
// files; QUORVANE_BENCH_MIB sets the file size (default 256).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "EmulatedReceiver.h"
#include "ReceiverLink.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kListEntries = 10000;

uint64_t FileBytes() {
    const char* psz = std::getenv("QUORVANE_BENCH_MIB");
    const uint64_t nMib = psz && std::atoi(psz) > 0 ? uint64_t(std::atoi(psz)) : 256;
    return nMib << 20;
}

// The folders of one run, removed at the end.
class CBenchFolders {
public:
    CBenchFolders() {
        const char* psz = std::getenv("QUORVANE_BENCH_DIR");
        const fs::path base = psz && *psz ? fs::path(psz) : fs::temp_directory_path();
        m_root = base / ("quorvane-bench-" + std::to_string(::getpid()));
        fs::create_directories(m_root / "disk");
        fs::create_directories(m_root / "pc");
    }
    ~CBenchFolders() {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    CBenchFolders(const CBenchFolders&) = delete;
    CBenchFolders& operator=(const CBenchFolders&) = delete;

    fs::path Disk() const { return m_root / "disk"; }  // served as the receiver's disk
    fs::path Pc() const { return m_root / "pc"; }      // the PC side

    // pc/src.bin and disk/src.bin: the same random bytes, written once.
    void EnsureSource() {
        if (m_bSource) return;
        const uint64_t nBytes = FileBytes();
        std::mt19937_64 gen(42);
        std::vector<uint64_t> block(1 << 17);  // 1 MiB
        std::ofstream pc(Pc() / "src.bin", std::ios::binary);
        std::ofstream disk(Disk() / "src.bin", std::ios::binary);
        for (uint64_t nDone = 0; nDone < nBytes; nDone += block.size() * 8) {
            for (auto& w : block) w = gen();
            const auto nWrite = std::streamsize(std::min<uint64_t>(block.size() * 8, nBytes - nDone));
            pc.write(reinterpret_cast<const char*>(block.data()), nWrite);
            disk.write(reinterpret_cast<const char*>(block.data()), nWrite);
        }
        m_bSource = true;
    }

    void EnsureListFolder() {
        if (m_bList) return;
        fs::create_directories(Disk() / "list");
        for (int i = 0; i < kListEntries; ++i) {
            char szName[32];
            std::snprintf(szName, sizeof szName, "recording-%05d.ts", i);
            std::ofstream(Disk() / "list" / szName) << i;
        }
        m_bList = true;
    }

private:
    fs::path m_root;
    bool m_bSource = false;
    bool m_bList = false;
};

CBenchFolders* g_pFolders = nullptr;

// An emulated receiver on the served folder with a connected link.
struct CConnected {
    CConnected() : emu(g_pFolders->Disk().string()) {
        emu.SetRecordData(false);
        emu.Install();
        bOk = link.InitVeltraSTB(1, 0, 0) == RL_OK && link.StartComm() == RL_OK;
    }
    ~CConnected() {
        link.EndComm();
        link.Close();
    }
    CEmulatedReceiver emu;
    CReceiverLink link;
    bool bOk = false;
};

void BM_ListFolder(benchmark::State& state) {
    g_pFolders->EnsureListFolder();
    CConnected c;
    if (!c.bOk) return state.SkipWithError("connect failed");
    for (auto _ : state) {
        if (c.link.ChangeDir("/list") != RL_OK || c.link.GetDirList() != RL_OK)
            return state.SkipWithError("listing failed");
        if (c.link.m_nListCount != uint32_t(kListEntries)) return state.SkipWithError("wrong count");
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kListEntries);
}

void BM_LinkPut(benchmark::State& state) {
    g_pFolders->EnsureSource();
    CConnected c;
    if (!c.bOk) return state.SkipWithError("connect failed");
    const std::string strSrc = (g_pFolders->Pc() / "src.bin").string();
    for (auto _ : state) {
        if (c.link.SendFile(strSrc, "/put.bin") != RL_OK) return state.SkipWithError("SendFile failed");
        state.PauseTiming();
        fs::remove(g_pFolders->Disk() / "put.bin");
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * FileBytes()));
}

void BM_LinkGet(benchmark::State& state) {
    g_pFolders->EnsureSource();
    CConnected c;
    if (!c.bOk) return state.SkipWithError("connect failed");
    if (c.link.ChangeDir("/") != RL_OK || c.link.GetDirList() != RL_OK)
        return state.SkipWithError("listing failed");
    // RecvFile names the local file after the listing entry.
    fs::create_directories(g_pFolders->Pc() / "get");
    const fs::path dest = g_pFolders->Pc() / "get" / "src.bin";
    for (auto _ : state) {
        if (c.link.RecvFile(dest.string(), "/src.bin") != RL_OK) return state.SkipWithError("RecvFile failed");
        state.PauseTiming();
        fs::remove(dest);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * FileBytes()));
}

void BM_Cp(benchmark::State& state) {
    g_pFolders->EnsureSource();
    const std::string strSrc = (g_pFolders->Pc() / "src.bin").string();
    const std::string strDst = (g_pFolders->Pc() / "cp.bin").string();
    for (auto _ : state) {
        std::string a0 = "cp", a1 = strSrc, a2 = strDst;
        char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};
        pid_t pid = 0;
        int nStatus = 0;
        if (::posix_spawnp(&pid, "cp", nullptr, nullptr, argv, environ) != 0 ||
            ::waitpid(pid, &nStatus, 0) != pid || nStatus != 0)
            return state.SkipWithError("cp failed");
        state.PauseTiming();
        fs::remove(strDst);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * FileBytes()));
}

BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LinkPut)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LinkGet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Cp)->Name("BM_Cp/again")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The console output, plus each benchmark's byte rate for the summary.
class CRateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("bytes_per_second");
            if (!run.error_occurred && it != run.counters.end())
                m_mapRates[run.benchmark_name()] = it->second.value;
        }
    }
    double Rate(const std::string& strPrefix) const {
        // Several cp runs (before and after the link runs): their mean.
        double fSum = 0;
        int n = 0;
        for (const auto& [name, rate] : m_mapRates)
            if (name.rfind(strPrefix, 0) == 0) {
                fSum += rate;
                ++n;
            }
        return n ? fSum / n : 0;
    }

private:
    std::map<std::string, double> m_mapRates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CBenchFolders folders;
    g_pFolders = &folders;
    CRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    g_pFolders = nullptr;

    const double fCp = reporter.Rate("BM_Cp");
    if (fCp > 0) {
        std::printf("\n%llu MiB file; cp: %.0f MB/s\n",
                    static_cast<unsigned long long>(FileBytes() >> 20), fCp / 1e6);
        for (const auto& [strLabel, strName] :
             {std::pair<const char*, const char*>{"link put", "BM_LinkPut"}, {"link get", "BM_LinkGet"}}) {
            const double f = reporter.Rate(strName);
            if (f > 0) std::printf("%s: %.0f MB/s = %.2f x cp\n", strLabel, f / 1e6, f / fCp);
        }
    }
    return 0;
}
