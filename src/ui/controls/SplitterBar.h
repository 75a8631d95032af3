// CSplitterBar: a thin bar the user drags to share space between panes.
//
// While the left button is held on the bar, a tracker (two thin lines one
// pixel either side of the drop position, as long as the bar) follows the
// mouse along the bar's axis, kept within the drag limits. On release the bar
// centres itself on the drop position and sends a CSplitterEvent
// (EVT_SPLITTER_MOVED, code SPN_MOVED) carrying how far it moved; the parent
// then moves the neighbouring controls, for which ChangeWidth and
// ChangeHeight are the helpers.
//
// GTK draws no inverted lines straight onto the screen, so the tracker is a
// pair of one-pixel child windows of the parent, raised above the other
// children during the drag and destroyed at its end, which leaves the
// windows beneath as they were.
//
// All positions (drag limits, tracker, MoveCentreTo) are in the parent's
// client coordinates.
#pragma once

#include <wx/event.h>
#include <wx/window.h>

class wxMouseEvent;
class wxMouseCaptureLostEvent;
class wxPaintEvent;

// Orientation of a bar.
constexpr int SPLIT_VERTICAL = 1;    // an upright bar dragged left and right
constexpr int SPLIT_HORIZONTAL = 2;  // a flat bar dragged up and down

// Modes of ChangeWidth and ChangeHeight.
constexpr int EDGE_RIGHT = 1;   // right edge += amount
constexpr int EDGE_LEFT = 2;    // left edge -= amount
constexpr int EDGE_BOTTOM = 3;  // bottom edge += amount
constexpr int EDGE_TOP = 4;     // top edge -= amount

// Thickness of every bar.
constexpr int SPLITTER_THICKNESS = 5;

// Notification code of a finished drag.
constexpr unsigned SPN_MOVED = 1025;

// What a bar tells its parent after a drag.
struct NMSPLITTER {
    wxWindow* hwndFrom = nullptr;  // the bar
    int idFrom = 0;                // the bar's id
    unsigned code = SPN_MOVED;
    int delta = 0;  // drop minus start along the axis: right or down is positive
};

// The notification as a command event: it travels from the bar's parent up
// to the frame, so a bar on a panel reaches the main window. Its id is the
// bar's id.
class CSplitterEvent : public wxCommandEvent {
public:
    CSplitterEvent(wxEventType eType = wxEVT_NULL, int nId = 0) : wxCommandEvent(eType, nId) {}
    wxEvent* Clone() const override { return new CSplitterEvent(*this); }

    NMSPLITTER m_nm;
};

wxDECLARE_EVENT(EVT_SPLITTER_MOVED, CSplitterEvent);

class CSplitterBar : public wxWindow {
public:
    // Makes the bar at rc in pParent: flat (SPLIT_HORIZONTAL) when rc is at
    // least as wide as it is high, else upright; the thickness across the
    // axis becomes SPLITTER_THICKNESS. The drag limits start as the bar's own
    // centre (SetRange(0, 0)), so an unranged bar does not move.
    CSplitterBar(wxWindow* pParent, wxWindowID nId, const wxRect& rc);
    ~CSplitterBar() override;

    // Sets the orientation and returns the previous one; the bar's size is
    // left as it is.
    int SetOrientation(int nOrientation);
    int GetOrientation() const { return m_nOrientation; }

    // Drag limits along the axis: minimum = centre - nBefore, maximum =
    // centre + nAfter. A negative nCentre stands for the bar's own centre.
    void SetRange(int nBefore, int nAfter, int nCentre = -1);
    int GetMinimum() const { return m_nMinimum; }
    int GetMaximum() const { return m_nMaximum; }

    // Moves the bar along its axis so that its middle lies at x (upright
    // bar) or y (flat bar); the other coordinate is ignored.
    void MoveCentreTo(int x, int y);
    // The bar's middle along its axis.
    int GetCentre() const;

    // Sends the notification to the window to notify (SetNotifyWindow, else
    // the parent) synchronously.
    void NotifyMoved(int nDelta);
    void SetNotifyWindow(wxWindow* pWindow) { m_pNotify = pWindow; }

    bool IsDragging() const { return m_bDragging; }
    // The tracker's position along the axis during a drag.
    int GetTrackerPos() const { return m_nTracker; }

    // Move an edge of a window (rectangle in its parent's client
    // coordinates): EDGE_RIGHT right edge += nAmount, EDGE_LEFT left edge -=
    // nAmount, EDGE_BOTTOM bottom += nAmount, EDGE_TOP top -= nAmount; any
    // other mode leaves it. A size never goes below zero.
    static void ChangeWidth(wxWindow* pWindow, int nAmount, int nMode);
    static void ChangeHeight(wxWindow* pWindow, int nAmount, int nMode);

    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    // Position along the axis of a point in the bar's client coordinates,
    // in the parent's client coordinates, clamped to the limits.
    int ClampedAxisPos(const wxPoint& ptClient) const;
    void ShowTracker();
    void HideTracker();

    bool m_bDragging = false;
    int m_nOrientation = SPLIT_VERTICAL;
    int m_nTracker = 0;  // tracker position along the axis
    int m_nMinimum = -1;
    int m_nMaximum = -1;
    int m_nStart = 0;  // axis position at which the drag began
    wxWindow* m_pNotify = nullptr;
    wxWindow* m_apTracker[2] = {nullptr, nullptr};  // the two tracker lines
};
