// CTransferDlg: the modal progress dialog of one transfer batch.
//
// The batch runner creates a fresh dialog for every batch (so the bar starts
// empty), starts the worker and shows the dialog modally. The worker never
// touches the dialog's controls: it queues a file notification when a file
// starts (NotifyTransferFile) and the OK command when its batch is done
// (CloseTransferDlg). While a file runs, a 100 ms timer of the file's
// direction reads the link's progress figures and moves the bar.
//
// The dialog has no close box: it ends by the worker's OK command (wxID_OK)
// or by Cancel / Esc (wxID_CANCEL), which set both stop flags: the job's
// g_bCancelTransfer and the link's m_bStop.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <atomic>
#include <mutex>
#include <string>

class wxButton;
class wxGauge;
class wxStaticText;
class wxThreadEvent;

// Control ids of the progress dialog.
enum : int {
    IDD_TRANSFER = 168,
    IDC_TRANSFER_TEXT = 1016,
    IDC_TRANSFER_PROGRESS = 1020,
};

// The timers of the two directions: 1 while a Download file runs (PC to
// receiver, its size is the local size), 2 while an Upload file runs.
enum : int {
    TIMER_DOWNLOAD = 1,
    TIMER_UPLOAD = 2,
};
constexpr int TRANSFER_TIMER_PERIOD_MS = 100;

// Batch directions (CTransferDlg::m_nDirection).
enum : int {
    TRANSFER_DIRECTION_DOWNLOAD = 0,
    TRANSFER_DIRECTION_UPLOAD = 1,
};

// Set by Cancel; cleared when an Upload or Download command starts.
extern std::atomic<int> g_bCancelTransfer;

// Notifications the worker queues to the dialog (QueueFileNotification);
// the name travels beside the event, in the dialog.
wxDECLARE_EVENT(EVT_TRANSFER_DOWNLOAD_FILE, wxThreadEvent);
wxDECLARE_EVENT(EVT_TRANSFER_UPLOAD_FILE, wxThreadEvent);

// The bar position for a file: done * 100 / size truncated toward zero, or -1
// when the size gives no percentage (0 or less).
int TransferPercent(double fDone, double fSize);

class CTransferDlg : public wxDialog {
public:
    // nDirection: TRANSFER_DIRECTION_UPLOAD or TRANSFER_DIRECTION_DOWNLOAD.
    CTransferDlg(wxWindow* pParent, int nDirection);
    ~CTransferDlg() override;

    // One timer tick: reads the link's figures for the timer's direction and
    // moves the bar; stops that timer when the position leaves 0..99.
    void OnTimerTick(int nTimerId);
    // A file notification (what EVT_TRANSFER_*_FILE runs).
    void OnFileNotification(int nTimerId, int nNameLength, const wxString& name);

    // Worker side (any thread): records the file and queues its notification
    // unless one is already waiting; the notification shows the latest file.
    void QueueFileNotification(int nDirection, const std::string& strName);

    bool IsTimerRunning(int nTimerId) const;
    int ProgressValue() const;
    wxString FileText() const;

    int m_nDirection;

private:
    void OnFileEvent(wxThreadEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnOk(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    wxTimer& TimerFor(int nTimerId);

    wxStaticText* m_staticText = nullptr;
    wxGauge* m_progress = nullptr;
    wxButton* m_btnCancel = nullptr;
    wxTimer m_timerDownload;
    wxTimer m_timerUpload;

    // The latest file a worker announced, while its notification waits.
    std::mutex m_mutexPending;
    bool m_bNotificationQueued = false;
    int m_nPendingTimer = 0;
    std::string m_strPendingName;
};

// Worker side: queue a file notification (the direction's event with the
// name) or the OK command to the dialog. Safe from any thread while the dialog
// object exists; the batch runner keeps it until the worker has ended.
void NotifyTransferFile(CTransferDlg* pDlg, int nDirection, const std::string& strName);
void CloseTransferDlg(CTransferDlg* pDlg);
