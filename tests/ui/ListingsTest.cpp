// Pane listings: order, sizes, the ".." row, column clicks, the receiver's
// listing with its failures.
#include "PaneTestSupport.h"

#include <wx/listctrl.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{

using Strings = std::vector<std::string>;

void ClickColumn(CPaneList* pList, int nColumn)
{
    wxListEvent event(wxEVT_LIST_COL_CLICK, pList->GetId());
    event.SetEventObject(pList);
    event.m_col = nColumn;
    pList->GetEventHandler()->ProcessEvent(event);
}

class ListingsTest : public PaneTest {
protected:
    // Two folders and five files whose names differ in case.
    void FillHostFolder()
    {
        std::filesystem::create_directory(m_host / "beta");
        std::filesystem::create_directory(m_host / "Alpha");
        MakeFile(m_host / "d", 2047);
        MakeFile(m_host / "B", 1024);
        MakeFile(m_host / "a", 0);
        MakeFile(m_host / "E", 2048);
        MakeFile(m_host / "c", 1023);
    }
};

TEST_F(ListingsTest, HostListsParentThenFoldersThenFilesIgnoringCase)
{
    FillHostFolder();
    EXPECT_EQ(m_pDlg->RefreshHostList(m_host.string(), 1, 0), 1);
    EXPECT_EQ(Names(m_pDlg->m_listHost), (Strings{"..", "Alpha", "beta", "a", "B", "c", "d", "E"}));
    EXPECT_EQ(Field(m_pDlg->m_editHostPath), m_host.string());
    EXPECT_EQ(m_pDlg->GetHostPath(), m_host.string());
    // What the control shows: names, KB sizes (0 to 2047 bytes are 1KB) and
    // one space for folders; folder rows carry image 0.
    EXPECT_EQ(Texts(m_pDlg->m_listHost, PANE_COL_NAME),
              (Strings{"..", "Alpha", "beta", "a", "B", "c", "d", "E"}));
    EXPECT_EQ(Texts(m_pDlg->m_listHost, PANE_COL_SIZE),
              (Strings{" ", " ", " ", "1KB", "1KB", "1KB", "1KB", "2KB"}));
    for (long i = 0; i < m_pDlg->m_listHost->RowCount(); ++i)
        EXPECT_EQ(m_pDlg->IsFolderItem(m_pDlg->m_listHost, i) != 0, i < 3) << i;
}

TEST_F(ListingsTest, ColumnClicksShareOneToggle)
{
    FillHostFolder();
    m_pDlg->RefreshHostList(m_host.string(), 1, 0);
    CPaneList* pList = m_pDlg->m_listHost;

    // The toggle starts at 0: the first click on Name shows ascending order.
    ClickColumn(pList, PANE_COL_NAME);
    EXPECT_EQ(g_bHostSortAscending, 1);
    EXPECT_EQ(Names(pList), (Strings{"..", "Alpha", "beta", "a", "B", "c", "d", "E"}));
    ClickColumn(pList, PANE_COL_NAME);
    EXPECT_EQ(Names(pList), (Strings{"..", "beta", "Alpha", "E", "d", "c", "B", "a"}));
    // Size flips the same toggle: ascending now; folders stay by name.
    ClickColumn(pList, PANE_COL_SIZE);
    const Strings vecBySize = Names(pList);
    EXPECT_EQ(Strings(vecBySize.begin(), vecBySize.begin() + 4), (Strings{"..", "Alpha", "beta", "a"}));
    EXPECT_EQ(vecBySize.back(), "E");
    ClickColumn(pList, PANE_COL_SIZE);
    const Strings vecBySizeDown = Names(pList);
    EXPECT_EQ(Strings(vecBySizeDown.begin(), vecBySizeDown.begin() + 4),
              (Strings{"..", "beta", "Alpha", "E"}));
    // The device pane has its own toggle.
    EXPECT_EQ(g_bDeviceSortAscending, 0);
    // Any other refresh lists ascending by name and leaves the toggle.
    m_pDlg->RefreshHostList(m_host.string());
    EXPECT_EQ(Names(pList).back(), "E");
    EXPECT_EQ(g_bHostSortAscending, 0);
}

TEST_F(ListingsTest, HostSizeOrderComparesFullSizes)
{
    MakeFile(m_host / "five", 5000000000ULL);
    MakeFile(m_host / "three", 3000000000ULL);
    MakeFile(m_host / "hundred", 100000000ULL);
    m_pDlg->RefreshHostList(m_host.string(), 1, 1);
    EXPECT_EQ(Names(m_pDlg->m_listHost), (Strings{"..", "hundred", "three", "five"}));
    EXPECT_EQ(m_pDlg->m_listHost->RowSize(3), 5000000000ULL);
    m_pDlg->RefreshHostList(m_host.string(), 0, 1);
    EXPECT_EQ(Names(m_pDlg->m_listHost), (Strings{"..", "five", "three", "hundred"}));
}

TEST_F(ListingsTest, RootHasNoParentRowAndUnreadableFolderIsEmpty)
{
    m_pDlg->RefreshHostList("/", 1, 0);
    ASSERT_GT(m_pDlg->m_listHost->RowCount(), 0);
    EXPECT_EQ(m_pDlg->FindListItem(m_pDlg->m_listHost, "..", 1), -1);
    EXPECT_TRUE(m_pDlg->m_listHost->IsRowFolder(0));

    const std::string strMissing = (m_host / "missing").string();
    EXPECT_EQ(m_pDlg->RefreshHostList(strMissing, 1, 0), 1);
    EXPECT_EQ(m_pDlg->m_listHost->RowCount(), 0);
    EXPECT_EQ(Field(m_pDlg->m_editHostPath), strMissing);
}

TEST_F(ListingsTest, StartsInTheHomeFolder)
{
    const char* pHome = getenv("HOME");
    if (pHome == nullptr || pHome[0] != '/')
        GTEST_SKIP() << "no home folder";
    EXPECT_EQ(m_pDlg->GetHostPath(), std::string(pHome));
}

TEST_F(ListingsTest, ReceiverListingWithSizesAndParentRows)
{
    std::filesystem::create_directories(m_disk / "Movies" / "Old");
    std::filesystem::create_directory(m_disk / "MP3");
    MakeFile(m_disk / "Movies" / "big.ts", 3000000000ULL);
    MakeFile(m_disk / "Movies" / "small.ts", 100000000ULL);
    MakeFile(m_disk / "tiny", 1023);
    Connect();

    EXPECT_EQ(m_pDlg->RefreshDeviceList("/", 1, 0), 1);
    EXPECT_EQ(Names(m_pDlg->m_listDevice), (Strings{"Movies", "MP3", "tiny"}));
    EXPECT_EQ(Texts(m_pDlg->m_listDevice, PANE_COL_SIZE), (Strings{" ", " ", "1KB"}));
    EXPECT_EQ(Field(m_pDlg->m_editDevicePath), "/");

    ASSERT_EQ(m_pLink->ChangeDir("/Movies"), RL_OK);
    EXPECT_EQ(m_pDlg->RefreshDeviceList("/Movies", 1, 1), 1);
    EXPECT_EQ(Names(m_pDlg->m_listDevice), (Strings{"..", "Old", "small.ts", "big.ts"}));
    // 3 x 10^9 bytes (sizeHigh 3, sizeLow 0) in whole KB.
    EXPECT_EQ(Texts(m_pDlg->m_listDevice, PANE_COL_SIZE).back(), "2929687KB");
    EXPECT_EQ(m_pDlg->RefreshDeviceList("/Movies", 0, 1), 1);
    EXPECT_EQ(Names(m_pDlg->m_listDevice), (Strings{"..", "Old", "big.ts", "small.ts"}));

    // A receiver that lists "." and "..": "." is dropped, its ".." stays
    // beside the made-up one, and the root shows only the receiver's own.
    m_pEmulator->SetListDots(true);
    m_pDlg->RefreshDeviceList("/Movies", 1, 0);
    EXPECT_EQ(Names(m_pDlg->m_listDevice), (Strings{"..", "..", "Old", "big.ts", "small.ts"}));
    ASSERT_EQ(m_pLink->ChangeDir("/"), RL_OK);
    m_pDlg->RefreshDeviceList("/", 1, 0);
    EXPECT_EQ(Names(m_pDlg->m_listDevice), (Strings{"..", "Movies", "MP3", "tiny"}));
}

TEST_F(ListingsTest, ReceiverNameThatIsNotUtf8IsShownEscapedAndKeptAsBytes)
{
    const std::string strName = "caf\xE9.ts";
    MakeFile(m_disk / strName, 10);
    Connect();
    ASSERT_EQ(m_pDlg->RefreshDeviceList("/", 1, 0), 1);
    ASSERT_EQ(m_pDlg->m_listDevice->RowCount(), 1);
    EXPECT_EQ(m_pDlg->m_listDevice->RowName(0), strName);
    EXPECT_EQ(Texts(m_pDlg->m_listDevice, PANE_COL_NAME), (Strings{"caf\\xE9.ts"}));
    EXPECT_EQ(m_pDlg->FindListItem(m_pDlg->m_listDevice, strName, 0), 0);
    EXPECT_EQ(m_pDlg->FindListItem(m_pDlg->m_listDevice, "caf\\xE9.ts", 0), -1);
}

TEST_F(ListingsTest, RefusedReceiverListingResetsAndReports)
{
    std::filesystem::create_directory(m_disk / "Movies");
    MakeFile(m_disk / "Movies" / "a.ts", 10);
    Connect();
    ASSERT_EQ(m_pLink->ChangeDir("/Movies"), RL_OK);
    ASSERT_EQ(m_pDlg->RefreshDeviceList("/Movies", 1, 0), 1);
    ASSERT_EQ(m_pDlg->m_listDevice->RowCount(), 2);

    m_pEmulator->RefuseOpcode('J');
    m_pEmulator->ClearCalls();
    EXPECT_EQ(m_pDlg->RefreshDeviceList("/elsewhere", 1, 0), -2);
    EXPECT_EQ(m_pDlg->m_listDevice->RowCount(), 0);
    EXPECT_EQ(Field(m_pDlg->m_editDevicePath), "/Movies");
    ASSERT_FALSE(StatusLines().empty());
    EXPECT_EQ(StatusLines().back(), "Get directory list failed : /elsewhere");
    int nResets = 0;
    for (const EmuCall& call : m_pEmulator->Calls())
        nResets += call.kind == EmuCall::ControlMsg && call.request == 0xFF &&
                   call.requestType == 0x40;
    EXPECT_EQ(nResets, 1);
}

// Transfer workers refresh the panes from their own thread.
TEST_F(ListingsTest, RefreshFromAnotherThreadRunsOnTheUserInterfaceThread)
{
    MakeFile(m_host / "copied", 10);
    std::atomic<int> nResult{0};
    std::thread worker([&] { nResult = m_pDlg->RefreshHostList(m_host.string(), 1, 0); });
    EXPECT_TRUE(ServeEventsUntil([&] { return nResult.load() != 0; }));
    worker.join();
    EXPECT_EQ(nResult.load(), 1);
    EXPECT_EQ(Names(m_pDlg->m_listHost), (Strings{"..", "copied"}));
}

TEST_F(ListingsTest, DeviceRefreshWithoutReceiverChangesNothing)
{
    m_pDlg->SetDevicePath("/kept");
    m_pDlg->m_listDevice->SetRows({PaneRow{"x", false, 1}});
    EXPECT_EQ(m_pDlg->RefreshDeviceList("/other", 1, 0), -1);
    EXPECT_EQ(Field(m_pDlg->m_editDevicePath), "/kept");
    EXPECT_EQ(m_pDlg->m_listDevice->RowCount(), 1);
}

// Ten thousand entries on each side fill their panes quickly: the panes are
// virtual, so listing costs the gathering and the sort, not the control.
TEST_F(ListingsTest, TenThousandEntriesListQuickly)
{
    for (int i = 0; i < 10000; ++i)
        std::ofstream(m_disk / ("entry " + std::to_string(i) + ".ts")).close();
    Connect();
    m_pEmulator->SetRecordData(false);
    // The link's share alone (the emulated bus and its folder reading).
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(m_pLink->GetDirList(), RL_OK);
    const auto link = std::chrono::steady_clock::now() - start;
    RecordProperty("link_listing_us",
                   std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(link).count()));
    start = std::chrono::steady_clock::now();
    ASSERT_EQ(m_pDlg->RefreshDeviceList("/", 1, 0), 1);
    const auto device = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(m_pDlg->m_listDevice->RowCount(), 10000);

    start = std::chrono::steady_clock::now();
    m_pDlg->RefreshHostList(m_disk.string(), 1, 0);
    const auto host = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(m_pDlg->m_listHost->RowCount(), 10001);
    const auto nDeviceMs = std::chrono::duration_cast<std::chrono::microseconds>(device).count();
    const auto nHostMs = std::chrono::duration_cast<std::chrono::microseconds>(host).count();
    RecordProperty("device_listing_us", std::to_string(nDeviceMs));
    RecordProperty("host_listing_us", std::to_string(nHostMs));
    // Generous bounds for a loaded machine and a debug build.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(device).count(), 2000);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(host).count(), 2000);
}

}  // namespace
