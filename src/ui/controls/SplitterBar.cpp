#include "SplitterBar.h"

#include <wx/cursor.h>
#include <wx/dcclient.h>
#include <wx/settings.h>

#include <algorithm>

wxDEFINE_EVENT(EVT_SPLITTER_MOVED, CSplitterEvent);

namespace
{

// Colours of the bar's face and of the tracker lines.
const wxColour kFaceOutline(200, 200, 200);
const wxColour kFaceFill(212, 208, 200);
const wxColour kTrackerColour(96, 96, 96);

// The rectangle with the thickness across the axis forced to
// SPLITTER_THICKNESS.
wxRect BarRect(const wxRect& rc, int nOrientation)
{
    wxRect rcBar = rc;
    if (nOrientation == SPLIT_HORIZONTAL)
        rcBar.height = SPLITTER_THICKNESS;
    else
        rcBar.width = SPLITTER_THICKNESS;
    return rcBar;
}

}  // namespace

CSplitterBar::CSplitterBar(wxWindow* pParent, wxWindowID nId, const wxRect& rc)
    : wxWindow(pParent, nId, rc.GetPosition(),
               BarRect(rc, rc.width >= rc.height ? SPLIT_HORIZONTAL : SPLIT_VERTICAL).GetSize(),
               wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE)
{
    SetOrientation(rc.width >= rc.height ? SPLIT_HORIZONTAL : SPLIT_VERTICAL);
    Bind(wxEVT_PAINT, &CSplitterBar::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CSplitterBar::OnLeftDown, this);
    Bind(wxEVT_MOTION, &CSplitterBar::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &CSplitterBar::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CSplitterBar::OnCaptureLost, this);
    SetRange(0, 0);
}

CSplitterBar::~CSplitterBar()
{
    HideTracker();
    if (HasCapture())
        ReleaseMouse();
}

int CSplitterBar::SetOrientation(int nOrientation)
{
    const int nOld = m_nOrientation;
    m_nOrientation = nOrientation;
    SetCursor(wxCursor(nOrientation == SPLIT_HORIZONTAL ? wxCURSOR_SIZENS : wxCURSOR_SIZEWE));
    return nOld;
}

int CSplitterBar::GetCentre() const
{
    const wxRect rc = GetRect();
    return m_nOrientation == SPLIT_HORIZONTAL ? rc.y + rc.height / 2 : rc.x + rc.width / 2;
}

void CSplitterBar::SetRange(int nBefore, int nAfter, int nCentre)
{
    // The bar's own centre is taken in the parent's client coordinates, the
    // same as the limits, so that a bar without a real range stays put.
    const int nMiddle = nCentre < 0 ? GetCentre() : nCentre;
    m_nMinimum = nMiddle - nBefore;
    m_nMaximum = nMiddle + nAfter;
}

void CSplitterBar::MoveCentreTo(int x, int y)
{
    if (GetParent() == nullptr)
        return;
    wxRect rc = GetRect();
    if (m_nOrientation == SPLIT_HORIZONTAL)
        rc.y = y - rc.height / 2;
    else
        rc.x = x - rc.width / 2;
    SetSize(rc);
    Refresh();
}

void CSplitterBar::NotifyMoved(int nDelta)
{
    wxWindow* pTarget = m_pNotify != nullptr ? m_pNotify : GetParent();
    if (pTarget == nullptr)
        return;
    CSplitterEvent event(EVT_SPLITTER_MOVED, GetId());
    event.SetEventObject(this);
    event.m_nm.hwndFrom = this;
    event.m_nm.idFrom = GetId();
    event.m_nm.code = SPN_MOVED;
    event.m_nm.delta = nDelta;
    event.SetInt(nDelta);
    pTarget->GetEventHandler()->ProcessEvent(event);
}

void CSplitterBar::ChangeWidth(wxWindow* pWindow, int nAmount, int nMode)
{
    if (pWindow == nullptr || pWindow->GetParent() == nullptr)
        return;
    wxRect rc = pWindow->GetRect();
    if (nMode == EDGE_RIGHT)
    {
        rc.width = std::max(0, rc.width + nAmount);
    }
    else if (nMode == EDGE_LEFT)
    {
        const int nRight = rc.GetRight();
        rc.x -= nAmount;
        rc.width = std::max(0, nRight + 1 - rc.x);
    }
    pWindow->SetSize(rc);
    pWindow->Refresh();
}

void CSplitterBar::ChangeHeight(wxWindow* pWindow, int nAmount, int nMode)
{
    if (pWindow == nullptr || pWindow->GetParent() == nullptr)
        return;
    wxRect rc = pWindow->GetRect();
    if (nMode == EDGE_BOTTOM)
    {
        rc.height = std::max(0, rc.height + nAmount);
    }
    else if (nMode == EDGE_TOP)
    {
        const int nBottom = rc.GetBottom();
        rc.y -= nAmount;
        rc.height = std::max(0, nBottom + 1 - rc.y);
    }
    pWindow->SetSize(rc);
    pWindow->Refresh();
}

void CSplitterBar::OnPaint(wxPaintEvent& /*event*/)
{
    wxPaintDC dc(this);
    wxRect rc(GetClientSize());
    if (rc.IsEmpty())
        return;
    // A one-pixel raised frame ...
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT)));
    dc.DrawLine(rc.GetLeft(), rc.GetBottom(), rc.GetLeft(), rc.GetTop());
    dc.DrawLine(rc.GetLeft(), rc.GetTop(), rc.GetRight() + 1, rc.GetTop());
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
    dc.DrawLine(rc.GetRight(), rc.GetTop() + 1, rc.GetRight(), rc.GetBottom() + 1);
    dc.DrawLine(rc.GetLeft() + 1, rc.GetBottom(), rc.GetRight(), rc.GetBottom());
    // ... around an outlined face.
    rc.Deflate(1);
    if (rc.IsEmpty())
        return;
    dc.SetPen(wxPen(kFaceOutline));
    dc.SetBrush(wxBrush(kFaceFill));
    dc.DrawRectangle(rc);
}

int CSplitterBar::ClampedAxisPos(const wxPoint& ptClient) const
{
    const wxPoint pt = GetPosition() + ptClient;
    int nPos = m_nOrientation == SPLIT_HORIZONTAL ? pt.y : pt.x;
    if (nPos < m_nMinimum)
        nPos = m_nMinimum;
    if (nPos > m_nMaximum)
        nPos = m_nMaximum;
    return nPos;
}

void CSplitterBar::OnLeftDown(wxMouseEvent& /*event*/)
{
    if (m_bDragging)
        return;
    m_bDragging = true;
    if (!HasCapture())
        CaptureMouse();
    m_nTracker = GetCentre();
    m_nStart = m_nTracker;
    ShowTracker();
}

void CSplitterBar::OnMotion(wxMouseEvent& event)
{
    event.Skip();
    if (!m_bDragging)
        return;
    const int nPos = ClampedAxisPos(event.GetPosition());
    if (nPos == m_nTracker)
        return;
    m_nTracker = nPos;
    ShowTracker();
}

void CSplitterBar::OnLeftUp(wxMouseEvent& /*event*/)
{
    if (m_bDragging)
    {
        HideTracker();
        m_bDragging = false;
        if (m_nOrientation == SPLIT_HORIZONTAL)
            MoveCentreTo(0, m_nTracker);
        else
            MoveCentreTo(m_nTracker, 0);
        // The capture ends before the parent rearranges the window.
        if (HasCapture())
            ReleaseMouse();
        NotifyMoved(m_nTracker - m_nStart);
    }
    if (HasCapture())
        ReleaseMouse();
}

void CSplitterBar::OnCaptureLost(wxMouseCaptureLostEvent& /*event*/)
{
    // Another window took the mouse: the drag is abandoned, nothing moves.
    HideTracker();
    m_bDragging = false;
}

void CSplitterBar::ShowTracker()
{
    wxWindow* pParent = GetParent();
    if (pParent == nullptr)
        return;
    const wxRect rcBar = GetRect();
    for (int i = 0; i < 2; ++i)
    {
        const int nOffset = i == 0 ? -1 : 1;
        const wxRect rcLine = m_nOrientation == SPLIT_HORIZONTAL
                                  ? wxRect(rcBar.x, m_nTracker + nOffset, rcBar.width, 1)
                                  : wxRect(m_nTracker + nOffset, rcBar.y, 1, rcBar.height);
        if (m_apTracker[i] == nullptr)
        {
            m_apTracker[i] = new wxWindow(pParent, wxID_ANY, rcLine.GetPosition(),
                                          rcLine.GetSize(), wxBORDER_NONE);
            m_apTracker[i]->SetBackgroundColour(kTrackerColour);
            m_apTracker[i]->Enable(false);
        }
        else
        {
            m_apTracker[i]->SetSize(rcLine);
        }
        m_apTracker[i]->Raise();
    }
}

void CSplitterBar::HideTracker()
{
    for (wxWindow*& pLine : m_apTracker)
    {
        if (pLine != nullptr)
            pLine->Destroy();
        pLine = nullptr;
    }
}
