// Throughput of the Upload and Download jobs through the main window, beside
// the bare link doing the same copies. Runs only with QUORVANE_BENCH=1 (it
// writes about 1 GiB of temporary files); prints its figures.
#include "TransferTestSupport.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "AppSettings.h"
#include "Catalogue.h"
#include "EmulatedReceiver.h"
#include "ReceiverLink.h"
#include "StbDlg.h"

namespace fs = std::filesystem;

namespace
{

constexpr int kSmallFiles = 1000;
constexpr size_t kSmallSize = 4096;
constexpr size_t kBigSize = size_t(256) << 20;

double Seconds(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void WriteFileOfSize(const fs::path& path, size_t nSize)
{
    std::ofstream out(path, std::ios::binary);
    std::string strChunk(1 << 20, 'q');
    for (size_t nDone = 0; nDone < nSize; nDone += strChunk.size())
        out.write(strChunk.data(), std::streamsize(std::min(strChunk.size(), nSize - nDone)));
}

TEST(TransferBench, JobsBesideTheBareLink)
{
    const char* pEnv = std::getenv("QUORVANE_BENCH");
    if (pEnv == nullptr || std::string(pEnv) != "1")
        GTEST_SKIP() << "set QUORVANE_BENCH=1 to run";

    g_nLanguage = LANGUAGE_ENGLISH;
    BuildCatalogue();
    g_bShowStatus = std::getenv("QUORVANE_BENCH_NOSTATUS") ? 0 : 1;
    const fs::path root = fs::temp_directory_path() / ("quorvane-bench-" + std::to_string(getpid()));
    const fs::path src = root / "src";
    const fs::path host = root / "pc";
    const fs::path device = root / "receiver";
    for (const fs::path& p : {src / "small", host, device})
        fs::create_directories(p);
    for (int i = 0; i < kSmallFiles; ++i)
        WriteFileOfSize(src / "small" / ("f" + std::to_string(i)), kSmallSize);
    WriteFileOfSize(src / "big.bin", kBigSize);

    CEmulatedReceiver emulator(device.string());
    emulator.SetRecordData(false);
    emulator.Install();
    CReceiverLink link;
    g_pReceiver = &link;
    ASSERT_EQ(link.InitVeltraSTB(1, 0, 0), RL_OK);
    ASSERT_EQ(link.StartComm(), RL_OK);
    auto pMain = new CStbDlg();
    pMain->Show();
    ServeEvents();

    auto report = [](const char* pWhat, double fSeconds, double fFiles, double fBytes) {
        std::printf("%-44s %8.3f s %9.0f files/s %8.0f MB/s\n", pWhat, fSeconds,
                    fFiles / fSeconds, fBytes / fSeconds / 1e6);
    };
    auto runJob = [&](bool bDownload, const std::string& strName) {
        // The source lies in the source pane's folder, the destination is empty.
        fs::remove_all(bDownload ? device / strName : host / strName);
        pMain->RefreshHostList((bDownload ? src : host).string(), 1, 0);
        link.ChangeDir("/");
        pMain->RefreshDeviceList("/", 1, 0);
        CPaneList* pList = bDownload ? pMain->m_listHost : pMain->m_listDevice;
        pList->ClearSelection();
        pList->SelectRow(pMain->FindListItem(pList, strName, strName == "small" ? 1 : 0));
        const auto start = std::chrono::steady_clock::now();
        TRANSFER_TEST_NO_QUESTION(bDownload ? pMain->OnDownload() : pMain->OnUpload());
        return Seconds(start);
    };

    // Download (PC to receiver) first: it fills the receiver for the Upload.
    double f = runJob(true, "small");
    report("job Download, 1000 files of 4 KiB", f, kSmallFiles, double(kSmallFiles) * kSmallSize);
    f = runJob(true, "big.bin");
    report("job Download, 256 MiB", f, 1, double(kBigSize));
    f = runJob(false, "small");
    report("job Upload, 1000 files of 4 KiB", f, kSmallFiles, double(kSmallFiles) * kSmallSize);
    f = runJob(false, "big.bin");
    report("job Upload, 256 MiB", f, 1, double(kBigSize));
    EXPECT_EQ(fs::file_size(host / "big.bin"), kBigSize);
    EXPECT_EQ(std::distance(fs::directory_iterator(host / "small"), fs::directory_iterator()),
              kSmallFiles);

    // The bare link: the same small files with SendFile and RecvFile only.
    fs::remove_all(device / "small");
    link.ChangeDir("/");
    link.MakeDir("/small");
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kSmallFiles; ++i)
    {
        const std::string strName = "f" + std::to_string(i);
        link.SendFile((src / "small" / strName).string(), "/small/" + strName);
    }
    report("link SendFile, 1000 files of 4 KiB", Seconds(start), kSmallFiles,
           double(kSmallFiles) * kSmallSize);
    fs::remove_all(host / "small");
    fs::create_directories(host / "small");
    link.ChangeDir("/small");
    link.GetDirList();
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kSmallFiles; ++i)
    {
        const std::string strName = "f" + std::to_string(i);
        link.RecvFile((host / "small" / strName).string(), "/small/" + strName);
    }
    report("link RecvFile, 1000 files of 4 KiB", Seconds(start), kSmallFiles,
           double(kSmallFiles) * kSmallSize);

    pMain->Close(true);
    wxTheApp->ProcessIdle();
    link.Close();
    g_pReceiver = nullptr;
    fs::remove_all(root);
}

}  // namespace
