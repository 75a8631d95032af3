// CStbDlg: creation, layout, menu, resize and close.
#include "StbDlg.h"

#include <algorithm>
#include <utility>

#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include "../AppIcon.h"
#include "../CommandIds.h"
#include "../TextConv.h"
#include "Catalogue.h"
#include "DriveCombo.h"

CStbDlg* g_pMainDlg = nullptr;
std::mutex g_csTransfer;

wxBEGIN_EVENT_TABLE(CStbDlg, wxFrame)
    EVT_CLOSE(CStbDlg::OnCloseWindow)
    EVT_MENU(WxCommandId(IDM_CLEAR_STATUS), CStbDlg::OnClearStatus)
wxEND_EVENT_TABLE()

MainLayout ComputeMainLayout(int W, int H, bool bStartup)
{
    MainLayout l;
    const int nPaneW = 2 * W / 5;
    const int nPaneH = 7 * H / 10;
    l.rcTopTool = wxRect(0, 0, W, 34);
    l.rcDriveCombo = wxRect(4, 38, 58, 24);
    l.rcHostPath = wxRect(66, 38, nPaneW - 18, 24);
    l.rcHostTool = wxRect(4, 66, 40, nPaneH);
    l.rcHostList = wxRect(48, 66, nPaneW, nPaneH);
    l.rcUpload = wxRect((W - 34) / 2, H / 2 - 100, 34, 34);
    l.rcDownload = wxRect((W - 34) / 2, H / 2 - 16, 34, 34);
    if (bStartup)
        l.rcDeviceTool = wxRect(W - 44, 42 + H / 25, 40, nPaneH);
    else
        l.rcDeviceTool = wxRect(W - 4 - W / 16, 42 + H / 25, W / 16, nPaneH);
    const int T = l.rcDeviceTool.x;
    l.rcDevicePath = wxRect(T - 4 - nPaneW, 38, nPaneW, 24);
    l.rcDeviceList = wxRect(T - 4 - nPaneW, 66, nPaneW, nPaneH);
    const int nStatusTop = 82 + nPaneH;
    l.rcStatusList = wxRect(4, nStatusTop, W - 8, H - 24 - nStatusTop);
    l.rcStatusBar = wxRect(4, H - 24, W - 8, 20);
    const int nSplitH = nPaneH + H / 25 + 12;
    l.rcSplitLeft = wxRect(W / 2 - 26, 34, 5, nSplitH);
    l.rcSplitRight = wxRect(W / 2 + 18, 34, 5, nSplitH);
    l.rcSplitStatus = wxRect(4, 34 + nSplitH, W - 4, 5);
    return l;
}

CStbDlg::CStbDlg()
    : wxFrame(nullptr, wxID_ANY, wxString::FromUTF8(MSG_APP_TITLE), wxDefaultPosition,
              wxSize(MAIN_START_WIDTH, MAIN_START_HEIGHT)),
      m_timerPoll(this, TIMER_POLL)
{
    SetIcons(CreateAppIcons());
    SetMinSize(wxSize(MAIN_MIN_WIDTH, MAIN_MIN_HEIGHT));

    // The menu first: it takes its height from the frame, and the panel's
    // client size is what the layout divides.
    LoadMainMenu();
    EnableMenuCommand(IDM_HOST_RENAME, false);
    EnableMenuCommand(IDM_HOST_DELETE, false);
    EnableMenuCommand(IDM_DEVICE_RENAME, false);
    EnableMenuCommand(IDM_DEVICE_DELETE, false);

    m_panel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
    SetSize(MAIN_START_WIDTH, MAIN_START_HEIGHT);
    Centre();
    m_panel->SetSize(GetClientSize());
    m_panel->Bind(wxEVT_SIZE, &CStbDlg::OnPanelSize, this);

    CreateChildren();
    InitDrives();
    InitConnection();
    InitDialogs();
    InitToolbarAndSplitters();
    InitListColumns();
    InitListings();
    InitTransfer();
    InitKeyboard();
    g_pMainDlg = this;
    CreateStatusBar();
    ApplyLayout(true);
    SetTitle(wxString::FromUTF8(MSG_APP_TITLE));
}

CStbDlg::~CStbDlg()
{
    m_timerPoll.Stop();
    if (g_pMainDlg == this)
        g_pMainDlg = nullptr;
}

void CStbDlg::CreateChildren()
{
    const wxSize size = m_panel->GetClientSize();
    m_rcClient = wxRect(0, 0, size.x, size.y);

    // Created in tab order: host path, host pane, device path, device pane,
    // status list.
    m_editHostPath = new wxTextCtrl(m_panel, IDC_HOST_PATH, wxEmptyString, wxDefaultPosition,
                                    wxDefaultSize, wxTE_READONLY | wxBORDER_THEME);
    m_listHost = new CPaneList(m_panel, IDC_HOST_LIST);
    m_editDevicePath = new wxTextCtrl(m_panel, IDC_DEVICE_PATH, wxEmptyString, wxDefaultPosition,
                                      wxDefaultSize, wxTE_READONLY | wxBORDER_THEME);
    m_listDevice = new CPaneList(m_panel, IDC_DEVICE_LIST);
    m_listStatus = new wxListBox(m_panel, IDC_STATUS_LIST, wxDefaultPosition, wxDefaultSize, 0,
                                 nullptr, wxLB_SINGLE | wxLB_HSCROLL | wxBORDER_THEME);
}

void CStbDlg::CreateStatusBar()
{
    const MainLayout layout = ComputeMainLayout(m_rcClient.width, m_rcClient.height, true);
    m_statusBar = new wxStatusBar(m_panel, wxID_ANY, wxSTB_SHOW_TIPS | wxSTB_ELLIPSIZE_END |
                                                         wxFULL_REPAINT_ON_RESIZE);
    m_statusBar->SetSize(layout.rcStatusBar);
    // Part 0 ends 300 pixels before the right edge, part 1 150 pixels before;
    // the parts keep these widths when the window is resized, part 2 takes
    // the rest.
    const int w = m_statusBar->GetClientSize().x;
    const int aWidths[3] = {std::max(w - 300, 60), 150, -1};
    m_statusBar->SetFieldsCount(3, aWidths);
}

void CStbDlg::LoadMainMenu()
{
    auto pBar = new wxMenuBar();
    auto fill = [](auto& self, wxMenu* pMenu, const std::vector<MenuEntry>& vecEntries) -> void {
        for (const MenuEntry& entry : vecEntries)
        {
            switch (entry.eKind)
            {
            case EMenuKind::Separator:
                pMenu->AppendSeparator();
                break;
            case EMenuKind::SubMenu: {
                auto pSub = new wxMenu();
                self(self, pSub, entry.vecChildren);
                pMenu->AppendSubMenu(pSub, wxString::FromUTF8(entry.strText));
                break;
            }
            case EMenuKind::Item:
                pMenu->Append(WxCommandId(entry.nId), wxString::FromUTF8(entry.strText));
                break;
            }
        }
    };
    for (const MenuPopup& popup : MenuForLanguage(g_nLanguage))
    {
        auto pMenu = new wxMenu();
        fill(fill, pMenu, popup.vecEntries);
        pBar->Append(pMenu, wxString::FromUTF8(popup.strText));
    }
    wxMenuBar* pOld = GetMenuBar();
    SetMenuBar(pBar);
    delete pOld;
}

void CStbDlg::EnableMenuCommand(int nId, bool bEnable)
{
    const int nWxId = WxCommandId(nId);
    if (wxMenuBar* pBar = GetMenuBar(); pBar != nullptr && pBar->FindItem(nWxId) != nullptr)
        pBar->Enable(nWxId, bEnable);
}

void CStbDlg::InitListColumns()
{
    for (CPaneList* pList : {m_listHost, m_listDevice})
    {
        pList->InsertColumn(PANE_COL_NAME, wxString::FromUTF8(MSG_COL_NAME), wxLIST_FORMAT_LEFT,
                            PANE_COL_NAME_WIDTH);
        pList->InsertColumn(PANE_COL_SIZE, wxString::FromUTF8(MSG_COL_SIZE), wxLIST_FORMAT_LEFT,
                            PANE_COL_SIZE_WIDTH);
    }
}

void CStbDlg::UpdateColumnCaptions()
{
    for (CPaneList* pList : {m_listHost, m_listDevice})
    {
        for (auto [nCol, pText] : {std::pair{PANE_COL_NAME, &MSG_COL_NAME},
                                   std::pair{PANE_COL_SIZE, &MSG_COL_SIZE}})
        {
            wxListItem item;
            item.SetMask(wxLIST_MASK_TEXT);
            item.SetText(wxString::FromUTF8(*pText));
            pList->SetColumn(nCol, item);
        }
    }
}

void CStbDlg::ApplyLayout(bool bStartup)
{
    const wxSize size = m_panel->GetClientSize();
    m_rcClient = wxRect(0, 0, size.x, size.y);
    const MainLayout l = ComputeMainLayout(size.x, size.y, bStartup);

    const std::pair<wxWindow*, const wxRect*> aPlaces[] = {
        {m_btnUpload, &l.rcUpload},
        {m_btnDownload, &l.rcDownload},
        {m_editHostPath, &l.rcHostPath},
        {m_dlgHostTool, &l.rcHostTool},
        {m_listHost, &l.rcHostList},
        {m_comboDrive, &l.rcDriveCombo},
        {m_dlgDeviceTool, &l.rcDeviceTool},
        {m_editDevicePath, &l.rcDevicePath},
        {m_listDevice, &l.rcDeviceList},
        {m_listStatus, &l.rcStatusList},
        {m_statusBar, &l.rcStatusBar},
        {m_dlgTopTool, &l.rcTopTool},
        {m_splitLeft, &l.rcSplitLeft},
        {m_splitRight, &l.rcSplitRight},
        {m_splitStatus, &l.rcSplitStatus},
    };
    for (const auto& [pWindow, pRect] : aPlaces)
    {
        if (pWindow != nullptr)
            pWindow->SetSize(*pRect);
    }
    SetSplitterRanges();
    m_panel->Refresh();
}

void CStbDlg::OnPanelSize(wxSizeEvent& event)
{
    event.Skip();
    // A size event that does not change the size (GTK repeats the first one
    // when the window is mapped) is not a resize.
    if (event.GetSize() == m_rcClient.GetSize())
        return;
    ApplyLayout(false);
}

void CStbDlg::OnCloseWindow(wxCloseEvent& /*event*/)
{
    // The close box ends the program without a question; Exit asks first
    // and then closes the same way.
    OnDestroy();
    Destroy();
}

void CStbDlg::OnDestroy()
{
    m_timerPoll.Stop();
    CloseReceiver();
}
