#include "TransferDlg.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cmath>

#include "Catalogue.h"
#include "ReceiverLink.h"
#include "TextConv.h"

std::atomic<int> g_bCancelTransfer{0};

wxDEFINE_EVENT(EVT_TRANSFER_DOWNLOAD_FILE, wxThreadEvent);
wxDEFINE_EVENT(EVT_TRANSFER_UPLOAD_FILE, wxThreadEvent);

namespace
{

// Text of the file line before the first notification.
const char kInitialText[] = "Up/Download";

}  // namespace

int TransferPercent(double fDone, double fSize)
{
    if (!(fSize > 0.0))
        return -1;
    const double fPercent = std::trunc(fDone * 100.0 / fSize);
    if (fPercent < -1.0)
        return -1;
    if (fPercent > 1000.0)
        return 1000;
    return static_cast<int>(fPercent);
}

CTransferDlg::CTransferDlg(wxWindow* pParent, int nDirection)
    : wxDialog(pParent, IDD_TRANSFER, ToDisplay(MSG_TRANSFER_TITLE), wxDefaultPosition,
               wxDefaultSize, wxCAPTION),
      m_nDirection(nDirection),
      m_timerDownload(this, TIMER_DOWNLOAD),
      m_timerUpload(this, TIMER_UPLOAD)
{
    auto place = [this](wxWindow* pWindow, int x, int y, int w, int h) {
        pWindow->SetSize(wxRect(ConvertDialogToPixels(wxPoint(x, y)),
                                ConvertDialogToPixels(wxSize(w, h))));
    };
    m_staticText = new wxStaticText(this, IDC_TRANSFER_TEXT, kInitialText, wxDefaultPosition,
                                    wxDefaultSize, wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    place(m_staticText, 7, 7, 201, 11);
    m_progress = new wxGauge(this, IDC_TRANSFER_PROGRESS, 100, wxDefaultPosition, wxDefaultSize,
                             wxGA_HORIZONTAL | wxGA_SMOOTH);
    place(m_progress, 8, 25, 200, 14);
    m_progress->SetValue(0);
    m_btnCancel = new wxButton(this, wxID_CANCEL, ToDisplay(MSG_BTN_CANCEL));
    place(m_btnCancel, 80, 42, 50, 14);
    SetClientSize(ConvertDialogToPixels(wxSize(215, 63)));
    SetEscapeId(wxID_CANCEL);
    if (pParent != nullptr)
        CentreOnParent();

    Bind(EVT_TRANSFER_UPLOAD_FILE, &CTransferDlg::OnFileEvent, this);
    Bind(EVT_TRANSFER_DOWNLOAD_FILE, &CTransferDlg::OnFileEvent, this);
    Bind(wxEVT_TIMER, &CTransferDlg::OnTimer, this);
    Bind(wxEVT_BUTTON, &CTransferDlg::OnOk, this, wxID_OK);
    Bind(wxEVT_BUTTON, &CTransferDlg::OnCancel, this, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, &CTransferDlg::OnClose, this);
}

CTransferDlg::~CTransferDlg()
{
    m_timerDownload.Stop();
    m_timerUpload.Stop();
}

wxTimer& CTransferDlg::TimerFor(int nTimerId)
{
    return nTimerId == TIMER_DOWNLOAD ? m_timerDownload : m_timerUpload;
}

bool CTransferDlg::IsTimerRunning(int nTimerId) const
{
    return (nTimerId == TIMER_DOWNLOAD ? m_timerDownload : m_timerUpload).IsRunning();
}

int CTransferDlg::ProgressValue() const { return m_progress->GetValue(); }

wxString CTransferDlg::FileText() const { return m_staticText->GetLabel(); }

void CTransferDlg::OnFileNotification(int nTimerId, int nNameLength, const wxString& name)
{
    if (nNameLength == 0)
        return;
    TimerFor(nTimerId).Start(TRANSFER_TIMER_PERIOD_MS);
    const std::string& strLabel = nTimerId == TIMER_DOWNLOAD ? MSG_DOWNLOADING : MSG_UPLOADING;
    m_staticText->SetLabel(ToDisplay(strLabel) + " " + name);
}

void CTransferDlg::QueueFileNotification(int nDirection, const std::string& strName)
{
    std::lock_guard<std::mutex> lock(m_mutexPending);
    m_nPendingTimer = nDirection == TRANSFER_DIRECTION_UPLOAD ? TIMER_UPLOAD : TIMER_DOWNLOAD;
    m_strPendingName = strName;
    if (m_bNotificationQueued)
        return;
    m_bNotificationQueued = true;
    wxThreadEvent event(nDirection == TRANSFER_DIRECTION_UPLOAD ? EVT_TRANSFER_UPLOAD_FILE
                                                                : EVT_TRANSFER_DOWNLOAD_FILE);
    wxQueueEvent(this, event.Clone());
}

void CTransferDlg::OnFileEvent(wxThreadEvent& /*event*/)
{
    int nTimer = 0;
    std::string strName;
    {
        std::lock_guard<std::mutex> lock(m_mutexPending);
        m_bNotificationQueued = false;
        nTimer = m_nPendingTimer;
        strName.swap(m_strPendingName);
    }
    OnFileNotification(nTimer, static_cast<int>(strName.size()), ToDisplay(strName));
}

void CTransferDlg::OnTimerTick(int nTimerId)
{
    if (nTimerId != TIMER_DOWNLOAD && nTimerId != TIMER_UPLOAD)
        return;
    double fDone = 0.0;
    double fSize = 0.0;
    if (g_pReceiver != nullptr)
    {
        fDone = g_pReceiver->m_fDone;
        fSize = nTimerId == TIMER_DOWNLOAD ? g_pReceiver->m_fLocalSize : g_pReceiver->m_fRemoteSize;
    }
    const int nPercent = TransferPercent(fDone, fSize);
    // An empty file has no percentage: the bar shows 0.
    m_progress->SetValue(nPercent < 0 ? 0 : std::min(nPercent, 100));
    if (nPercent < 0 || nPercent > 99)
        TimerFor(nTimerId).Stop();
}

void CTransferDlg::OnTimer(wxTimerEvent& event)
{
    OnTimerTick(event.GetId());
    event.Skip();
}

void CTransferDlg::OnOk(wxCommandEvent& /*event*/)
{
    // The worker's OK command may arrive after Cancel has closed the dialog.
    if (IsModal())
        EndModal(wxID_OK);
}

void CTransferDlg::OnCancel(wxCommandEvent& /*event*/)
{
    if (g_pReceiver != nullptr)
        g_pReceiver->m_bStop = 1;
    TimerFor(m_nDirection == TRANSFER_DIRECTION_UPLOAD ? TIMER_UPLOAD : TIMER_DOWNLOAD).Stop();
    g_bCancelTransfer = 1;
    if (IsModal())
        EndModal(wxID_CANCEL);
}

void CTransferDlg::OnClose(wxCloseEvent& event)
{
    // No close box: the dialog ends by its worker or by Cancel only.
    if (event.CanVeto())
        event.Veto();
}

void NotifyTransferFile(CTransferDlg* pDlg, int nDirection, const std::string& strName)
{
    if (pDlg != nullptr)
        pDlg->QueueFileNotification(nDirection, strName);
}

void CloseTransferDlg(CTransferDlg* pDlg)
{
    if (pDlg == nullptr)
        return;
    wxCommandEvent event(wxEVT_BUTTON, wxID_OK);
    event.SetEventObject(pDlg);
    wxQueueEvent(pDlg, event.Clone());
}
