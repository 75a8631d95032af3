// CStbDlg: the pane listings and their sorting.
//
// Both panes are virtual lists backed by their own rows (CPaneList). A
// listing gathers the folder's entries into rows, sorts them once (PaneSort:
// ".." first, folders by name, files by name or size, in the direction
// chosen; names locale-aware and ignoring case) and hands them to the pane in
// one go, which keeps folders of many thousand entries fast.
#include "StbDlg.h"

#include <wx/listctrl.h>
#include <wx/textctrl.h>

#include <utility>

#include "../TextConv.h"
#include "../UiThread.h"
#include "Catalogue.h"
#include "HostListing.h"
#include "HostPath.h"
#include "PaneSort.h"
#include "Places.h"
#include "ReceiverLink.h"
#include "ReceiverPath.h"

int g_bHostSortAscending = 0;
int g_bDeviceSortAscending = 0;

namespace
{

// The pane's folder: the bytes last written, as long as the field still shows
// them; otherwise whatever text someone else put into the field.
std::string ReadPathField(const wxTextCtrl* pField, const std::string& strBytes)
{
    if (pField == nullptr)
        return strBytes;
    const wxString text = pField->GetValue();
    if (text == ToDisplay(strBytes))
        return strBytes;
    return ToUtf8(text);
}

PaneRow HostRow(const HostEntry& entry)
{
    return PaneRow{entry.strName, entry.bFolder, entry.bFolder ? 0 : entry.nSize};
}

PaneRow DeviceRow(const DirEntry& entry)
{
    const bool bFolder = EntryIsFolder(entry);
    return PaneRow{EntryName(entry), bFolder, bFolder ? 0 : EntrySize(entry)};
}

}  // namespace

void CStbDlg::InitListings()
{
    m_listHost->Bind(wxEVT_LIST_COL_CLICK, &CStbDlg::OnHostColumnClick, this);
    m_listDevice->Bind(wxEVT_LIST_COL_CLICK, &CStbDlg::OnDeviceColumnClick, this);
    InitNavigation();
    // The program starts in the home folder (the drive combo selects its
    // item); without a known home, in the root.
    std::string strHome = HomeFolder();
    if (strHome.empty())
        strHome = "/";
    RefreshHostList(strHome, 1, 0);
}

std::string CStbDlg::GetHostPath() const
{
    return ReadPathField(m_editHostPath, m_strHostPath);
}

std::string CStbDlg::GetDevicePath() const
{
    return ReadPathField(m_editDevicePath, m_strDevicePath);
}

void CStbDlg::SetHostPath(const std::string& strPath)
{
    m_strHostPath = strPath;
    if (m_editHostPath != nullptr)
        m_editHostPath->ChangeValue(ToDisplay(strPath));
}

void CStbDlg::SetDevicePath(const std::string& strPath)
{
    m_strDevicePath = strPath;
    if (m_editDevicePath != nullptr)
        m_editDevicePath->ChangeValue(ToDisplay(strPath));
}

int CStbDlg::RefreshHostList(std::string strPath, int bAscending, int bBySize)
{
    if (!IsUiThread())
        return RunOnUiThread([&] { return RefreshHostList(strPath, bAscending, bBySize); });

    std::vector<HostEntry> vecEntries;
    const bool bRead = ListHostFolder(strPath, vecEntries);
    std::vector<PaneRow> vecRows;
    vecRows.reserve(vecEntries.size() + 1);
    // A folder that cannot be read shows nothing at all; any other folder
    // but the root has its ".." (the file system listing leaves it out).
    if ((bRead || !vecEntries.empty()) && !IsHostRoot(strPath))
        vecRows.push_back(PaneRow{"..", true, 0});
    for (const HostEntry& entry : vecEntries)
    {
        if (entry.strName != ".")
            vecRows.push_back(HostRow(entry));
    }
    SortPaneRows(vecRows, bAscending != 0, bBySize != 0);

    SetHostPath(strPath);
    m_listHost->SetRows(std::move(vecRows));
    return 1;
}

int CStbDlg::RefreshDeviceList(std::string strPath, int bAscending, int bBySize)
{
    if (!IsUiThread())
        return RunOnUiThread([&] { return RefreshDeviceList(strPath, bAscending, bBySize); });

    if (g_pReceiver == nullptr || g_pReceiver->m_hDevice == nullptr)
        return -1;
    m_listDevice->ClearRows();
    if (g_pReceiver->GetDirList() < 0)
    {
        g_pReceiver->Reset();
        AddStatusMessage(MSG_LIST_FAILED + " : " + strPath, 0);
        return -2;
    }
    SetDevicePath(strPath);

    const uint32_t nCount = g_pReceiver->m_nListCount;
    const DirEntry* pEntries = g_pReceiver->Entries();
    std::vector<PaneRow> vecRows;
    vecRows.reserve(nCount + 1);
    // Every folder but the root gets a made-up ".." row; a ".." that the
    // receiver lists itself stays beside it.
    if (!IsReceiverRoot(strPath))
        vecRows.push_back(PaneRow{"..", true, 0});
    for (uint32_t i = 0; pEntries != nullptr && i < nCount; ++i)
    {
        PaneRow row = DeviceRow(pEntries[i]);
        if (row.strName != ".")
            vecRows.push_back(std::move(row));
    }
    SortPaneRows(vecRows, bAscending != 0, bBySize != 0);
    m_listDevice->SetRows(std::move(vecRows));
    return 1;
}

int CStbDlg::InsertHostItem(const HostEntry& entry, long nIndex)
{
    if (entry.strName == ".")
        return 0;
    m_listHost->InsertRow(nIndex, HostRow(entry));
    return 1;
}

int CStbDlg::InsertDeviceItem(const DirEntry& entry, long nIndex)
{
    PaneRow row = DeviceRow(entry);
    if (row.strName == ".")
        return 0;
    m_listDevice->InsertRow(nIndex, std::move(row));
    return 1;
}

void CStbDlg::OnHostColumnClick(wxListEvent& event)
{
    // A click beside the columns names none.
    const int nColumn = event.GetColumn();
    if (nColumn != PANE_COL_NAME && nColumn != PANE_COL_SIZE)
        return;
    const std::string strPath = GetHostPath();
    g_bHostSortAscending = g_bHostSortAscending == 0 ? 1 : 0;
    RefreshHostList(strPath, g_bHostSortAscending, nColumn == PANE_COL_SIZE ? 1 : 0);
}

void CStbDlg::OnDeviceColumnClick(wxListEvent& event)
{
    const int nColumn = event.GetColumn();
    if (nColumn != PANE_COL_NAME && nColumn != PANE_COL_SIZE)
        return;
    const std::string strPath = GetDevicePath();
    g_bDeviceSortAscending = g_bDeviceSortAscending == 0 ? 1 : 0;
    RefreshDeviceList(strPath, g_bDeviceSortAscending, nColumn == PANE_COL_SIZE ? 1 : 0);
}
