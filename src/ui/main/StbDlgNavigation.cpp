// CStbDlg: moving through folders on both panes, and which selections may be
// renamed or deleted.
#include "StbDlg.h"

#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include <sys/stat.h>

#include <clocale>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

#include <string_view>

#include "../CommandIds.h"
#include "../TextConv.h"
#include "Catalogue.h"
#include "HostPath.h"
#include "ReceiverLink.h"
#include "ReceiverPath.h"

int g_bDeviceItemEditable = 0;

namespace
{

// Buttons of the pane toolbars that follow the selection.
constexpr int kHostRenameButton = 9009;
constexpr int kHostDeleteButton = 9010;
constexpr int kDeviceRenameButton = 9014;
constexpr int kDeviceDeleteButton = 9015;

// Longest entry name the receiver's directory entry holds.
constexpr size_t kMaxReceiverName = 59;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsBlankName(std::string_view str)
{
    for (char c : str)
    {
        if (!IsBlank(c))
            return false;
    }
    return true;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case mapping of all of Unicode, whatever locale the program runs in (the
// "C" locale maps ASCII letters only); null when the system has none.
locale_t UnicodeCaseLocale()
{
    static const locale_t s_locale = [] {
        for (const char* pName : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
        {
            if (locale_t loc = ::newlocale(LC_CTYPE_MASK, pName, static_cast<locale_t>(nullptr)))
                return loc;
        }
        return static_cast<locale_t>(nullptr);
    }();
    return s_locale;
}

wchar_t LowerChar(wchar_t c)
{
    const locale_t loc = UnicodeCaseLocale();
    return loc != nullptr ? static_cast<wchar_t>(::towlower_l(static_cast<wint_t>(c), loc))
                          : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

// Two names equal ignoring case: names in UTF-8 compare character by
// character without case; a name that is not valid UTF-8 compares its bytes,
// ignoring the case of ASCII letters only.
bool SameNameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    const wxString textA = wxString::FromUTF8(a.data(), a.size());
    const wxString textB = wxString::FromUTF8(b.data(), b.size());
    if (!textA.empty() && !textB.empty())
    {
        const std::wstring strA = textA.ToStdWstring();
        const std::wstring strB = textB.ToStdWstring();
        if (strA.size() != strB.size())
            return false;
        for (size_t i = 0; i < strA.size(); ++i)
        {
            if (LowerChar(strA[i]) != LowerChar(strB[i]))
                return false;
        }
        return true;
    }
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

bool IsFolderOnDisk(const std::string& strPath)
{
    struct stat st {};
    return !strPath.empty() && ::stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Enables the toolbar's buttons with these ids, whether they are child
// windows or tools of a wxToolBar.
void EnableToolbarButtons(wxWindow* pToolbar, std::initializer_list<int> ids, bool bEnable)
{
    if (pToolbar == nullptr)
        return;
    auto pToolBar = dynamic_cast<wxToolBar*>(pToolbar);
    for (int nId : ids)
    {
        if (pToolBar != nullptr && pToolBar->FindById(nId) != nullptr)
            pToolBar->EnableTool(nId, bEnable);
        else if (wxWindow* pButton = pToolbar->FindWindow(nId))
            pButton->Enable(bEnable);
    }
}

}  // namespace

void CStbDlg::InitNavigation()
{
    // The list controls pass their mouse events to their own handlers first
    // (they reach the list from its inner row window). Clicks and
    // double-clicks are acted on once the control has updated its selection.
    const std::pair<CPaneList*, bool> aPanes[] = {{m_listHost, true}, {m_listDevice, false}};
    for (const auto& [pList, bHost] : aPanes)
    {
        pList->Bind(wxEVT_LEFT_UP, [this, bHost](wxMouseEvent& event) {
            event.Skip();
            CallAfter([this, bHost] { bHost ? OnHostListClick() : OnDeviceListClick(); });
        });
        pList->Bind(wxEVT_LEFT_DCLICK, [this, bHost](wxMouseEvent& event) {
            event.Skip();
            CallAfter([this, bHost] { bHost ? OnHostListDblClk() : OnDeviceListDblClk(); });
        });
    }
}

void CStbDlg::OnHostListDblClk()
{
    const std::string strKept = GetHostPath();
    if (NavigateHostSelection() != 0)
    {
        SetHostItemEditable(false);
        RefreshHostList(GetHostPath(), 1, 0);
        return;
    }
    // Not a folder: the selected rows go to the receiver.
    SetHostPath(strKept);
    wxCommandEvent event(wxEVT_MENU, WxCommandId(IDM_DOWNLOAD));
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}

int CStbDlg::NavigateHostSelection()
{
    const long nRow = m_listHost->FirstSelectedRow();
    if (nRow == -1)
        return 0;
    const std::string strFolder = GetHostPath();
    const std::string& strName = m_listHost->RowName(nRow);
    // Only the ".." row goes up: a name that merely ends with ".." (a folder
    // "notes..") is entered like any other.
    const bool bUp = m_listHost->IsRowFolder(nRow) && strName == "..";
    const std::string strTarget = bUp ? HostParentPath(strFolder) : JoinHostPath(strFolder, strName);
    if (!IsFolderOnDisk(strTarget))
        return 0;
    SetHostPath(strTarget);
    return 1;
}

void CStbDlg::OnDeviceListDblClk()
{
    if (g_pReceiver == nullptr || g_pReceiver->m_hDevice == nullptr)
        return;
    const std::string strFolder = GetDevicePath();
    const long nRow = m_listDevice->FirstSelectedRow();
    if (nRow == -1)
        return;
    if (IsFolderItem(m_listDevice, nRow) == 0)
    {
        wxCommandEvent event(wxEVT_MENU, WxCommandId(IDM_UPLOAD));
        event.SetEventObject(this);
        ProcessWindowEvent(event);
        return;
    }

    SetDeviceItemEditable(false);
    // The receiver is sent the name's own bytes; blanks around it are part
    // of the name there.
    const std::string strName = m_listDevice->RowName(nRow);
    if (IsBlankName(strName))
        return;
    if (strName.size() > kMaxReceiverName)
    {
        const std::string strText =
            strName + " " + MSG_NAME_TOO_LONG + " " + std::to_string(kMaxReceiverName);
        wxMessageBox(ToDisplay(strText), wxString::FromUTF8(MSG_APP_TITLE), wxOK, this);
        return;
    }
    const std::string strTarget =
        strName == ".." ? ReceiverParentPath(strFolder) : JoinReceiverPath(strFolder, strName);
    if (g_pReceiver->ChangeDir(strTarget) < 0)
    {
        g_pReceiver->Reset();
        AddStatusMessage(MSG_CHANGE_DIR_FAILED + " : " + strTarget, 0);
        return;
    }
    RefreshDeviceList(strTarget, 1, 0);
}

void CStbDlg::OnHostListClick()
{
    const long nRow = m_listHost->FirstSelectedRow();
    SetHostItemEditable(nRow != -1 && !m_listHost->RowName(nRow).starts_with('.'));
}

void CStbDlg::OnDeviceListClick()
{
    const long nRow = m_listDevice->FirstSelectedRow();
    SetDeviceItemEditable(nRow != -1 &&
                          IsDeviceItemEditable(GetDevicePath(), m_listDevice->RowName(nRow)));
}

bool CStbDlg::IsDeviceItemEditable(const std::string& strFolder, const std::string& strName)
{
    if (strName.starts_with('.'))
        return false;
    // The receiver's own MP3 and Image folders at the root (and every entry
    // named like them below them) are never renamed or deleted. The
    // comparisons are exact: "mp3" is an ordinary name.
    const std::string strFull =
        strFolder.ends_with('/') ? strFolder + strName : strFolder + "/" + strName;
    if (strFull.starts_with("/MP3") && strName.starts_with("MP3"))
        return false;
    if (strFull.starts_with("/Image") && strName.starts_with("Image"))
        return false;
    return true;
}

void CStbDlg::SetHostItemEditable(bool bEditable)
{
    m_bHostItemEditable = bEditable;
    EnableMenuCommand(IDM_HOST_RENAME, bEditable);
    EnableMenuCommand(IDM_HOST_DELETE, bEditable);
    EnableToolbarButtons(m_dlgHostTool, {kHostRenameButton, kHostDeleteButton}, bEditable);
}

void CStbDlg::SetDeviceItemEditable(bool bEditable)
{
    g_bDeviceItemEditable = bEditable ? 1 : 0;
    EnableMenuCommand(IDM_DEVICE_RENAME, bEditable);
    EnableMenuCommand(IDM_DEVICE_DELETE, bEditable);
    EnableToolbarButtons(m_dlgDeviceTool, {kDeviceRenameButton, kDeviceDeleteButton}, bEditable);
}

int CStbDlg::IsFolderItem(const CPaneList* pList, long nIndex) const
{
    return pList != nullptr && pList->IsRowFolder(nIndex) ? 1 : 0;
}

int CStbDlg::FindListItem(const CPaneList* pList, const std::string& strName, int bWantFolder) const
{
    if (pList == nullptr)
        return -1;
    // The row count is read again for every row.
    for (long nRow = 0; nRow < pList->RowCount(); ++nRow)
    {
        if ((IsFolderItem(pList, nRow) != 0) == (bWantFolder != 0) &&
            SameNameIgnoringCase(pList->RowName(nRow), strName))
            return static_cast<int>(nRow);
    }
    return -1;
}
