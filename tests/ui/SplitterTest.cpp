// Splitter bars: orientation and size, drags within their limits, the one
// notification per drag, and the main window's panes following a drag.
#include "UiTestSupport.h"

#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <vector>

#include "Catalogue.h"
#include "SplitterBar.h"
#include "main/StbDlg.h"

namespace
{

// Drives a bar's mouse handlers as the window system would, with positions
// in the bar's parent's client coordinates.
class CBarDriver {
public:
    explicit CBarDriver(CSplitterBar* pBar) : m_pBar(pBar) {}

    void Down() { Send(wxEVT_LEFT_DOWN, m_pBar->GetRect().GetPosition() + wxPoint(2, 2)); }
    void MoveTo(int x, int y) { Send(wxEVT_MOTION, wxPoint(x, y)); }
    void Up(int x, int y) { Send(wxEVT_LEFT_UP, wxPoint(x, y)); }
    void Drag(int x, int y)
    {
        Down();
        MoveTo(x, y);
        Up(x, y);
    }

private:
    void Send(wxEventType eType, const wxPoint& ptParent)
    {
        wxMouseEvent event(eType);
        const wxPoint pt = ptParent - m_pBar->GetPosition();
        event.m_x = pt.x;
        event.m_y = pt.y;
        event.m_leftDown = eType != wxEVT_LEFT_UP;
        event.SetEventObject(m_pBar);
        event.SetId(m_pBar->GetId());
        m_pBar->GetEventHandler()->ProcessEvent(event);
    }

    CSplitterBar* m_pBar;
};

// A frame with a panel holding bars; records every notification.
class SplitterBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pFrame = new wxFrame(nullptr, wxID_ANY, "bars", wxDefaultPosition, wxSize(600, 500));
        m_pPanel = new wxPanel(m_pFrame);
        m_pFrame->Show();
        m_pFrame->Bind(EVT_SPLITTER_MOVED, [this](CSplitterEvent& event) {
            m_vecEvents.push_back(event.m_nm);
        });
        ServeEvents();
    }
    void TearDown() override
    {
        m_pFrame->Destroy();
        wxTheApp->ProcessIdle();
    }

    wxFrame* m_pFrame = nullptr;
    wxPanel* m_pPanel = nullptr;
    std::vector<NMSPLITTER> m_vecEvents;
};

TEST_F(SplitterBarTest, OrientationFollowsTheRectangleAndThicknessIsFive)
{
    auto pUpright = new CSplitterBar(m_pPanel, 1009, wxRect(0, 0, 5, 400));
    EXPECT_EQ(pUpright->GetOrientation(), SPLIT_VERTICAL);
    EXPECT_EQ(pUpright->GetSize(), wxSize(5, 400));

    auto pWide = new CSplitterBar(m_pPanel, 1011, wxRect(10, 50, 300, 40));
    EXPECT_EQ(pWide->GetOrientation(), SPLIT_HORIZONTAL);
    EXPECT_EQ(pWide->GetSize(), wxSize(300, 5));

    // Turning a bar keeps the size it was made with.
    EXPECT_EQ(pUpright->SetOrientation(SPLIT_HORIZONTAL), SPLIT_VERTICAL);
    EXPECT_EQ(pUpright->GetOrientation(), SPLIT_HORIZONTAL);
    EXPECT_EQ(pUpright->GetSize(), wxSize(5, 400));
}

TEST_F(SplitterBarTest, DragsLandOnTheClampedDropAndNotifyOnce)
{
    struct Case {
        const char* pName;
        int nDropX;      // mouse position along the axis at the drop
        int nExpectCentre;
    };
    // Bar centre at 102; limits 60..160.
    const Case aCases[] = {
        {"within", 130, 130},
        {"beyond the maximum", 400, 160},
        {"below the minimum", -50, 60},
        {"on the maximum", 160, 160},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.pName);
        auto pBar = new CSplitterBar(m_pPanel, 1009, wxRect(100, 20, 5, 300));
        pBar->SetRange(40, 60, 100);
        ASSERT_EQ(pBar->GetCentre(), 102);
        m_vecEvents.clear();

        CBarDriver bar(pBar);
        bar.Down();
        EXPECT_TRUE(pBar->IsDragging());
        bar.MoveTo(c.nDropX, 250);
        EXPECT_EQ(pBar->GetTrackerPos(), c.nExpectCentre);
        // The bar itself stays until the drop; only the tracker moves.
        EXPECT_EQ(pBar->GetCentre(), 102);
        bar.Up(c.nDropX, 250);

        EXPECT_FALSE(pBar->IsDragging());
        EXPECT_EQ(pBar->GetCentre(), c.nExpectCentre);
        EXPECT_EQ(pBar->GetRect().y, 20);
        ASSERT_EQ(m_vecEvents.size(), 1u);
        EXPECT_EQ(m_vecEvents[0].idFrom, 1009);
        EXPECT_EQ(m_vecEvents[0].hwndFrom, pBar);
        EXPECT_EQ(m_vecEvents[0].code, SPN_MOVED);
        EXPECT_EQ(m_vecEvents[0].delta, c.nExpectCentre - 102);
        pBar->Destroy();
    }
}

TEST_F(SplitterBarTest, FlatBarMovesUpAndDown)
{
    auto pBar = new CSplitterBar(m_pPanel, 1011, wxRect(10, 200, 400, 5));
    pBar->SetRange(50, 50, 200);
    CBarDriver(pBar).Drag(900, 170);  // x is not the axis and is ignored
    EXPECT_EQ(pBar->GetCentre(), 170);
    EXPECT_EQ(pBar->GetRect().x, 10);
    ASSERT_EQ(m_vecEvents.size(), 1u);
    EXPECT_EQ(m_vecEvents[0].delta, 170 - 202);
}

TEST_F(SplitterBarTest, ClickWithoutMovingSendsDeltaZero)
{
    auto pBar = new CSplitterBar(m_pPanel, 1010, wxRect(200, 20, 5, 300));
    pBar->SetRange(100, 100, 200);
    const wxRect rcBefore = pBar->GetRect();
    CBarDriver bar(pBar);
    bar.Down();
    bar.Up(201, 40);
    ASSERT_EQ(m_vecEvents.size(), 1u);
    EXPECT_EQ(m_vecEvents[0].delta, 0);
    EXPECT_EQ(pBar->GetRect(), rcBefore);
}

TEST_F(SplitterBarTest, BarWithoutRangeStaysWhereItIs)
{
    auto pBar = new CSplitterBar(m_pPanel, 1009, wxRect(150, 20, 5, 300));
    EXPECT_EQ(pBar->GetMinimum(), pBar->GetMaximum());
    EXPECT_EQ(pBar->GetMinimum(), 152);
    CBarDriver(pBar).Drag(400, 100);
    EXPECT_EQ(pBar->GetCentre(), 152);
    ASSERT_EQ(m_vecEvents.size(), 1u);
    EXPECT_EQ(m_vecEvents[0].delta, 0);
}

TEST_F(SplitterBarTest, TrackerShowsDuringTheDragAndLeavesNothingBehind)
{
    auto pBar = new CSplitterBar(m_pPanel, 1009, wxRect(100, 20, 5, 300));
    pBar->SetRange(100, 100, 100);
    const size_t nChildren = m_pPanel->GetChildren().size();
    CBarDriver bar(pBar);
    bar.Down();
    bar.MoveTo(140, 50);
    // Two one-pixel lines either side of the drop position, the bar's length.
    std::vector<wxRect> vecLines;
    for (wxWindow* pChild : m_pPanel->GetChildren())
    {
        if (pChild != pBar)
            vecLines.push_back(pChild->GetRect());
    }
    ASSERT_EQ(vecLines.size(), 2u);
    EXPECT_EQ(vecLines[0], wxRect(139, 20, 1, 300));
    EXPECT_EQ(vecLines[1], wxRect(141, 20, 1, 300));
    bar.Up(140, 50);
    ServeEvents();
    EXPECT_EQ(m_pPanel->GetChildren().size(), nChildren);
}

TEST_F(SplitterBarTest, LostMouseAbandonsTheDrag)
{
    auto pBar = new CSplitterBar(m_pPanel, 1009, wxRect(100, 20, 5, 300));
    pBar->SetRange(100, 100, 100);
    CBarDriver bar(pBar);
    bar.Down();
    bar.MoveTo(150, 50);
    wxMouseCaptureLostEvent lost(pBar->GetId());
    pBar->GetEventHandler()->ProcessEvent(lost);
    bar.Up(150, 50);
    EXPECT_TRUE(m_vecEvents.empty());
    EXPECT_EQ(pBar->GetCentre(), 102);
    EXPECT_EQ(m_pPanel->GetChildren().size(), 1u);
}

TEST_F(SplitterBarTest, EdgeHelpersMoveOneEdgeAndNeverGoNegative)
{
    struct Case {
        bool bWidth;
        int nAmount;
        int nMode;
        wxRect rcExpect;
    };
    const Case aCases[] = {
        {true, 20, EDGE_RIGHT, wxRect(50, 60, 120, 80)},
        {true, 20, EDGE_LEFT, wxRect(30, 60, 120, 80)},
        {true, -30, EDGE_LEFT, wxRect(80, 60, 70, 80)},
        {true, 20, EDGE_BOTTOM, wxRect(50, 60, 100, 80)},  // not a width mode
        {false, 15, EDGE_BOTTOM, wxRect(50, 60, 100, 95)},
        {false, 15, EDGE_TOP, wxRect(50, 45, 100, 95)},
        {false, 15, EDGE_RIGHT, wxRect(50, 60, 100, 80)},  // not a height mode
        {true, -500, EDGE_RIGHT, wxRect(50, 60, 0, 80)},
        {false, -500, EDGE_TOP, wxRect(50, 560, 100, 0)},
    };
    for (const Case& c : aCases)
    {
        auto pWindow = new wxWindow(m_pPanel, wxID_ANY, wxPoint(50, 60), wxSize(100, 80));
        if (c.bWidth)
            CSplitterBar::ChangeWidth(pWindow, c.nAmount, c.nMode);
        else
            CSplitterBar::ChangeHeight(pWindow, c.nAmount, c.nMode);
        EXPECT_EQ(pWindow->GetRect(), c.rcExpect) << c.nAmount << " mode " << c.nMode;
        pWindow->Destroy();
    }
}

// The bars in the main window.
class SplitterMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
        m_pDlg = new CStbDlg();
        m_pDlg->Show();
        ServeEvents();
    }
    void TearDown() override
    {
        m_pDlg->Close(true);
        wxTheApp->ProcessIdle();
    }

    // Resizes the frame and waits until the panel has the new size.
    void ResizeTo(int nWidth, int nHeight)
    {
        const wxSize before = m_pDlg->m_panel->GetClientSize();
        m_pDlg->SetSize(nWidth, nHeight);
        ServeEventsUntil([&] { return m_pDlg->m_panel->GetClientSize() != before; });
        ServeEvents();
    }

    CStbDlg* m_pDlg = nullptr;
};

TEST_F(SplitterMainWindowTest, BarsStandAtTheirLayoutPlacesWithTheirLimits)
{
    const wxSize size = m_pDlg->m_panel->GetClientSize();
    const int W = size.x;
    const MainLayout l = ComputeMainLayout(W, size.y, true);
    EXPECT_EQ(m_pDlg->m_splitLeft->GetRect(), l.rcSplitLeft);
    EXPECT_EQ(m_pDlg->m_splitRight->GetRect(), l.rcSplitRight);
    EXPECT_EQ(m_pDlg->m_splitStatus->GetRect(), l.rcSplitStatus);
    EXPECT_EQ(m_pDlg->m_splitLeft->GetId(), IDC_SPLIT_LEFT);
    EXPECT_EQ(m_pDlg->m_splitStatus->GetOrientation(), SPLIT_HORIZONTAL);
    EXPECT_EQ(m_pDlg->m_splitLeft->GetOrientation(), SPLIT_VERTICAL);
    for (CSplitterBar* pBar : {m_pDlg->m_splitLeft, m_pDlg->m_splitRight})
    {
        EXPECT_EQ(pBar->GetMinimum(), W / 2 - W / 4);
        EXPECT_EQ(pBar->GetMaximum(), W / 2 + W / 4);
    }
    const wxRect rcStatus = m_pDlg->m_listStatus->GetRect();
    EXPECT_EQ(m_pDlg->m_splitStatus->GetMinimum(), rcStatus.y - rcStatus.height);
    EXPECT_EQ(m_pDlg->m_splitStatus->GetMaximum(), rcStatus.y + rcStatus.height);
}

TEST_F(SplitterMainWindowTest, VerticalDragsMoveThePaneBordersAndTheCentreColumn)
{
    for (bool bLeft : {true, false})
    {
        SCOPED_TRACE(bLeft ? "left bar" : "right bar");
        CSplitterBar* pBar = bLeft ? m_pDlg->m_splitLeft : m_pDlg->m_splitRight;
        CSplitterBar* pOther = bLeft ? m_pDlg->m_splitRight : m_pDlg->m_splitLeft;
        const wxRect rcHost = m_pDlg->m_listHost->GetRect();
        const wxRect rcHostPath = m_pDlg->m_editHostPath->GetRect();
        const wxRect rcDevice = m_pDlg->m_listDevice->GetRect();
        const wxRect rcDevicePath = m_pDlg->m_editDevicePath->GetRect();
        const wxRect rcUpload = m_pDlg->m_btnUpload ? m_pDlg->m_btnUpload->GetRect() : wxRect();
        const wxRect rcOther = pOther->GetRect();
        const int nCentre = pBar->GetCentre();

        const int d = -30;
        CBarDriver(pBar).Drag(nCentre + d, pBar->GetRect().y + 10);

        EXPECT_EQ(pBar->GetCentre(), nCentre + d);
        EXPECT_EQ(m_pDlg->m_listHost->GetRect(),
                  wxRect(rcHost.x, rcHost.y, rcHost.width + d, rcHost.height));
        EXPECT_EQ(m_pDlg->m_editHostPath->GetRect(),
                  wxRect(rcHostPath.x, rcHostPath.y, rcHostPath.width + d, rcHostPath.height));
        EXPECT_EQ(m_pDlg->m_listDevice->GetRect(),
                  wxRect(rcDevice.x + d, rcDevice.y, rcDevice.width - d, rcDevice.height));
        EXPECT_EQ(m_pDlg->m_editDevicePath->GetRect(),
                  wxRect(rcDevicePath.x + d, rcDevicePath.y, rcDevicePath.width - d,
                         rcDevicePath.height));
        EXPECT_EQ(pOther->GetRect(), wxRect(rcOther.x + d, rcOther.y, rcOther.width, rcOther.height));
        if (m_pDlg->m_btnUpload != nullptr)
        {
            EXPECT_EQ(m_pDlg->m_btnUpload->GetRect(), wxRect(rcUpload.x + d, rcUpload.y, 34, 34));
        }
    }
}

TEST_F(SplitterMainWindowTest, StatusDragMovesTheBottomsOfThePanesAndTheTopOfTheStatusList)
{
    CSplitterBar* pBar = m_pDlg->m_splitStatus;
    const wxRect rcHost = m_pDlg->m_listHost->GetRect();
    const wxRect rcDevice = m_pDlg->m_listDevice->GetRect();
    const wxRect rcLeft = m_pDlg->m_splitLeft->GetRect();
    const wxRect rcStatus = m_pDlg->m_listStatus->GetRect();
    const wxRect rcStatusBar = m_pDlg->m_statusBar->GetRect();
    const int nCentre = pBar->GetCentre();

    // Far beyond the limit: the bar stops at the status list's top minus its
    // height.
    CBarDriver(pBar).Drag(100, -1000);
    const int d = pBar->GetMinimum() - nCentre;
    EXPECT_EQ(pBar->GetCentre(), pBar->GetMinimum());

    EXPECT_EQ(m_pDlg->m_listHost->GetRect(),
              wxRect(rcHost.x, rcHost.y, rcHost.width, rcHost.height + d));
    EXPECT_EQ(m_pDlg->m_listDevice->GetRect(),
              wxRect(rcDevice.x, rcDevice.y, rcDevice.width, rcDevice.height + d));
    EXPECT_EQ(m_pDlg->m_splitLeft->GetRect(),
              wxRect(rcLeft.x, rcLeft.y, rcLeft.width, rcLeft.height + d));
    EXPECT_EQ(m_pDlg->m_listStatus->GetRect(),
              wxRect(rcStatus.x, rcStatus.y + d, rcStatus.width, rcStatus.height - d));
    EXPECT_EQ(m_pDlg->m_statusBar->GetRect(), rcStatusBar);
}

TEST_F(SplitterMainWindowTest, ResizePutsEveryPaneBackToTheLayout)
{
    CBarDriver(m_pDlg->m_splitLeft).Drag(m_pDlg->m_splitLeft->GetCentre() + 40, 100);
    CBarDriver(m_pDlg->m_splitStatus).Drag(100, m_pDlg->m_splitStatus->GetCentre() - 30);
    ResizeTo(900, 700);

    const wxSize size = m_pDlg->m_panel->GetClientSize();
    const MainLayout l = ComputeMainLayout(size.x, size.y, false);
    EXPECT_EQ(m_pDlg->m_listHost->GetRect(), l.rcHostList);
    EXPECT_EQ(m_pDlg->m_listDevice->GetRect(), l.rcDeviceList);
    EXPECT_EQ(m_pDlg->m_editHostPath->GetRect(), l.rcHostPath);
    EXPECT_EQ(m_pDlg->m_listStatus->GetRect(), l.rcStatusList);
    EXPECT_EQ(m_pDlg->m_splitLeft->GetRect(), l.rcSplitLeft);
    EXPECT_EQ(m_pDlg->m_splitRight->GetRect(), l.rcSplitRight);
    EXPECT_EQ(m_pDlg->m_splitStatus->GetRect(), l.rcSplitStatus);
    EXPECT_EQ(m_pDlg->m_splitLeft->GetMaximum(), size.x / 2 + size.x / 4);
}

TEST_F(SplitterMainWindowTest, RealMouseDragMovesTheLeftBorder)
{
    wxUIActionSimulator sim;
    CSplitterBar* pBar = m_pDlg->m_splitLeft;
    const int nCentre = pBar->GetCentre();
    const int nHostWidth = m_pDlg->m_listHost->GetSize().x;
    const wxPoint ptStart = pBar->ClientToScreen(wxPoint(2, 40));

    sim.MouseMove(ptStart);
    ServeEvents();
    sim.MouseDown();
    ASSERT_TRUE(ServeEventsUntil([&] { return pBar->IsDragging(); }));
    sim.MouseMove(ptStart + wxPoint(25, 0));
    ASSERT_TRUE(ServeEventsUntil([&] { return pBar->GetTrackerPos() == nCentre + 25; }));
    sim.MouseUp();
    ASSERT_TRUE(ServeEventsUntil([&] { return !pBar->IsDragging(); }));
    ServeEvents();

    EXPECT_EQ(pBar->GetCentre(), nCentre + 25);
    EXPECT_EQ(m_pDlg->m_listHost->GetSize().x, nHostWidth + 25);
}

}  // namespace
