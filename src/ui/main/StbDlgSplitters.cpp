// CStbDlg: the top toolbar and the splitter bars, and how the panes follow a
// splitter drag.
#include "StbDlg.h"

#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

void CStbDlg::InitToolbarAndSplitters()
{
    const MainLayout l = ComputeMainLayout(m_rcClient.width, m_rcClient.height, true);
    m_dlgTopTool = new CTopToolDlg(m_panel);
    m_dlgTopTool->SetSize(l.rcTopTool);

    m_splitLeft = new CSplitterBar(m_panel, IDC_SPLIT_LEFT, l.rcSplitLeft);
    m_splitRight = new CSplitterBar(m_panel, IDC_SPLIT_RIGHT, l.rcSplitRight);
    // Made from an upright rectangle like the others, then turned flat.
    m_splitStatus = new CSplitterBar(m_panel, IDC_SPLIT_STATUS,
                                     wxRect(l.rcSplitStatus.GetPosition(), wxSize(5, 400)));
    m_splitStatus->SetSize(l.rcSplitStatus);
    m_splitStatus->SetOrientation(SPLIT_HORIZONTAL);
    SetSplitterRanges();

    Bind(EVT_SPLITTER_MOVED, &CStbDlg::OnSplitterMoved, this);
}

void CStbDlg::SetSplitterRanges()
{
    // The vertical bars may go a quarter of the width either way from the
    // middle; the status bar as far up or down as the status list is high,
    // around the list's top.
    const int W = m_rcClient.width;
    for (CSplitterBar* pBar : {m_splitLeft, m_splitRight})
    {
        if (pBar != nullptr)
            pBar->SetRange(W / 4, W / 4, W / 2);
    }
    if (m_splitStatus != nullptr)
    {
        if (m_listStatus != nullptr)
        {
            const wxRect rc = m_listStatus->GetRect();
            m_splitStatus->SetRange(rc.height, rc.height, rc.y);
        }
        m_splitStatus->SetOrientation(SPLIT_HORIZONTAL);
    }
}

void CStbDlg::OnSplitterMoved(CSplitterEvent& event)
{
    if (event.m_nm.code != SPN_MOVED)
        return;
    switch (event.m_nm.idFrom)
    {
    case IDC_SPLIT_LEFT:
        OnLeftSplitterMoved(event.m_nm.delta);
        break;
    case IDC_SPLIT_RIGHT:
        OnRightSplitterMoved(event.m_nm.delta);
        break;
    case IDC_SPLIT_STATUS:
        OnStatusSplitterMoved(event.m_nm.delta);
        break;
    default:
        event.Skip();
        break;
    }
}

namespace
{

// Moves a window by (dx, dy) without changing its size.
void Shift(wxWindow* pWindow, int dx, int dy)
{
    if (pWindow != nullptr)
        pWindow->Move(pWindow->GetPosition() + wxPoint(dx, dy));
}

}  // namespace

void CStbDlg::OnLeftSplitterMoved(int d)
{
    MoveCentreColumn(d, m_splitRight);
}

void CStbDlg::OnRightSplitterMoved(int d)
{
    MoveCentreColumn(d, m_splitLeft);
}

void CStbDlg::MoveCentreColumn(int d, wxWindow* pOtherBar)
{
    // The dragged bar has moved itself; the host pane ends and the device
    // pane begins where the bars now stand, the centre column goes along.
    CSplitterBar::ChangeWidth(m_listHost, d, EDGE_RIGHT);
    CSplitterBar::ChangeWidth(m_editHostPath, d, EDGE_RIGHT);
    CSplitterBar::ChangeWidth(m_listDevice, -d, EDGE_LEFT);
    CSplitterBar::ChangeWidth(m_editDevicePath, -d, EDGE_LEFT);
    Shift(m_btnUpload, d, 0);
    Shift(m_btnDownload, d, 0);
    Shift(pOtherBar, d, 0);
    m_panel->Refresh();
    m_panel->Update();
}

void CStbDlg::OnStatusSplitterMoved(int d)
{
    // Everything above the bar ends where it now stands, the status list
    // begins there. The status bar keeps its place and height: it belongs
    // to the window's bottom edge, not to the bar.
    for (wxWindow* pWindow : {static_cast<wxWindow*>(m_listHost),
                              static_cast<wxWindow*>(m_listDevice), m_dlgHostTool,
                              m_dlgDeviceTool, static_cast<wxWindow*>(m_splitLeft),
                              static_cast<wxWindow*>(m_splitRight)})
        CSplitterBar::ChangeHeight(pWindow, d, EDGE_BOTTOM);
    CSplitterBar::ChangeHeight(m_listStatus, -d, EDGE_TOP);
    Shift(m_btnUpload, 0, d);
    Shift(m_btnDownload, 0, d);
    m_panel->Refresh();
    m_panel->Update();
}
