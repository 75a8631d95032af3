// CStbDlg: the main window of Quorvane.
//
// A frame whose only child is a panel; every control is a child of that panel
// placed at an absolute position computed from the panel's client size W x H
// (ComputeMainLayout), at start-up and on every resize. The frame carries the
// menu bar of the current language; the status bar is an ordinary control
// inside the panel.
//
// The class is split over several source files by concern:
//   StbDlgFrame.cpp       creation, layout, menu, resize, close
//   StbDlgStatus.cpp      status messages and Clear Status Message
//   StbDlgConnection.cpp  the receiver connection
//   StbDlgDrives.cpp      the drive combo
#pragma once

#include <wx/frame.h>
#include <wx/gdicmn.h>
#include <wx/timer.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "../CommandIds.h"
#include "HostListing.h"
#include "PaneList.h"
#include "SplitterBar.h"
#include "TopToolDlg.h"

class CDriveCombo;
class wxListBox;
class wxPanel;
class wxStatusBar;
class wxTextCtrl;
class wxCloseEvent;
class wxCommandEvent;
class wxSizeEvent;
class wxTimerEvent;
class wxKeyEvent;
class wxListEvent;
struct DirEntry;

// Control ids of the main window's children.
enum : int {
    IDC_HOST_PATH = 1002,      // m_editHostPath
    IDC_HOST_LIST = 1003,      // m_listHost
    IDC_STATUS_LIST = 1004,    // m_listStatus
    IDC_DEVICE_PATH = 1005,    // m_editDevicePath
    IDC_DEVICE_LIST = 1006,    // m_listDevice
    IDC_SPLIT_LEFT = 1009,     // m_splitLeft
    IDC_SPLIT_RIGHT = 1010,    // m_splitRight
    IDC_SPLIT_STATUS = 1011,   // m_splitStatus
    IDC_DRIVE_COMBO = 1012,    // m_comboDrive
    IDC_BTN_UPLOAD = 9005,     // m_btnUpload (receiver to PC)
    IDC_BTN_DOWNLOAD = 9006,   // m_btnDownload (PC to receiver)
};

// Timer of the receiver presence poll.
constexpr int TIMER_POLL = 1;
constexpr int TIMER_POLL_PERIOD_MS = 1000;

// Status bar parts.
enum : int {
    STATUS_PART_MESSAGE = 0,
    STATUS_PART_FREE = 1,
    STATUS_PART_TOTAL = 2,
};

// The status list keeps at most this many lines.
constexpr int STATUS_LIST_LIMIT = 100;

// Window sizes (outer size of the frame).
constexpr int MAIN_START_WIDTH = 800;
constexpr int MAIN_START_HEIGHT = 620;
constexpr int MAIN_MIN_WIDTH = 720;
constexpr int MAIN_MIN_HEIGHT = 480;

// Rectangles of every child of the main window for a panel client size W x H.
// bStartup selects the device toolbar's start-up width (40) instead of the
// width after a resize (W/16).
struct MainLayout {
    wxRect rcTopTool;
    wxRect rcDriveCombo;
    wxRect rcHostPath;
    wxRect rcHostTool;
    wxRect rcHostList;
    wxRect rcUpload;
    wxRect rcDownload;
    wxRect rcDeviceTool;
    wxRect rcDevicePath;
    wxRect rcDeviceList;
    wxRect rcStatusList;
    wxRect rcStatusBar;
    wxRect rcSplitLeft;
    wxRect rcSplitRight;
    wxRect rcSplitStatus;
};
MainLayout ComputeMainLayout(int W, int H, bool bStartup);

class CStbDlg : public wxFrame {
public:
    // Creates the window with all its children, hidden; Show() it to run it.
    // Sets g_pMainDlg.
    CStbDlg();
    ~CStbDlg() override;

    // --- Status messages (StbDlgStatus.cpp) ---

    // Reports a message: with bToStatusBar non-zero the whole text goes to
    // status bar part 0; when g_bShowStatus is non-zero each CR LF separated
    // line, trimmed, that is not empty is appended to the status list, whose
    // last line is then selected; more than STATUS_LIST_LIMIT lines empty the
    // list. Callable from any thread: off the user-interface thread the call
    // runs there and the caller waits for it.
    void AddStatusMessage(const std::string& strText, int bToStatusBar);

    // The lines AddStatusMessage appends for a text: split at every CR LF,
    // each piece trimmed of white space, empty pieces dropped.
    static std::vector<std::string> SplitStatusLines(const std::string& strText);

    // --- Frame (StbDlgFrame.cpp) ---

    // Builds the menu bar of the current language (g_nLanguage) and makes it
    // the window's menu; every item enabled. Used at start-up and after a
    // language change.
    void LoadMainMenu();
    // Enables or greys one menu command (IDM_ number) of the current menu bar.
    void EnableMenuCommand(int nId, bool bEnable);

    // Places every existing child by ComputeMainLayout for the panel's
    // current client size.
    void ApplyLayout(bool bStartup);

    // Creates the two columns of both panes with the catalogue's captions.
    void InitListColumns();
    // Sets the column captions of both panes from the catalogue again.
    void UpdateColumnCaptions();

    // --- Connection (StbDlgConnection.cpp) ---

    // Ends an open receiver connection: EndComm and Close, empties the device
    // pane and its path, reports it. Nothing happens while not connected.
    void CloseReceiver();

    // Binds the File menu's Connect, Disconnect, Format and Exit and the
    // presence poll's timer. Called once by the constructor.
    void InitConnection();
    // Connect: open the receiver, start communication, list "/", report the
    // link speed, show the disk space and start the presence poll. Does
    // nothing while connected; every failure is reported and leaves the link
    // closed when ending the communication succeeds.
    void OnConnect(wxCommandEvent& event);
    // Disconnect: CloseReceiver; the poll stops once the link is closed.
    void OnDisconnect(wxCommandEvent& event);
    // Format, after a Yes to its question; nothing while disconnected.
    void OnFormat(wxCommandEvent& event);
    // Exit, after a Yes to its question: closes the window.
    void OnExit(wxCommandEvent& event);
    // The presence poll (TIMER_POLL): while connected and the link is idle,
    // rescans the USB buses; when the receiver is gone, closes the link
    // without ending the communication, empties the device pane and reports
    // it. Never rescans while a transfer worker holds g_csTransfer.
    void OnTimer(wxTimerEvent& event);
    // Writes the receiver's free and total space into status bar parts 1
    // and 2; nothing while disconnected.
    void ShowDiskInfo();
    // "<strLabel><size>" by the unit rule: at least 2^30 bytes in GB with two
    // decimals, else at least 2^20 in whole MB, else at least 1024 in whole
    // KB; "" below 1024 bytes (the status bar part then keeps its text).
    static std::string DiskSpaceText(const std::string& strLabel, uint64_t nBytes);
    // True when a failed InitVeltraSTB (nResult) on the real USB library
    // failed for lack of access to the device node (nErrno EACCES or EPERM),
    // the case where the udev rule is missing.
    static bool IsUsbAccessDenied(int nResult, bool bRealUsb, int nErrno);
    // The top toolbar's connect button shows Disconnect while connected,
    // Connect otherwise.
    void ShowConnectState(bool bConnected);
    // Polls that missed the receiver since the last report.
    int m_nMissedPolls = 0;

    // --- Drives (StbDlgDrives.cpp, controls/DriveCombo.cpp) ---

    // Creates the drive combo at its place, fills it with the host's places,
    // selects the home folder's item and binds its selection change. Called
    // once by the constructor.
    void InitDrives();
    // The drive combo's selection changed: list the chosen place in the host
    // pane, or report "Invalid drive" and empty the host pane when the
    // selection has no path.
    void OnDriveSelChange(wxCommandEvent& event);

    // --- Listings (StbDlgListings.cpp) ---

    // Binds the column clicks, clicks and double-clicks of both panes and
    // lists the home folder in the host pane. Called once by the constructor.
    void InitListings();

    // Refills the host pane from the folder strPath, which is written exactly
    // as given into the host path field: ".." first (not in the root "/"),
    // then the folders by name, then the files by name or, with bBySize, by
    // size; ascending or descending. Sizes show in whole KB. A folder that
    // cannot be read gives an empty pane. Returns 1. Callable from any
    // thread: the work is done on the user-interface thread.
    int RefreshHostList(std::string strPath, int bAscending = 1, int bBySize = 0);
    // Refills the device pane from the receiver's CURRENT folder (the caller
    // makes strPath current with ChangeDir first; strPath only labels the
    // pane, decides about the ".." row and names the folder in the failure
    // message). Returns 1; -1 when no receiver is connected (pane and path
    // field untouched); -2 when the listing failed (Reset, status message
    // "Get directory list failed : <path>", empty pane, path field
    // unchanged). Callable from any thread, like RefreshHostList.
    int RefreshDeviceList(std::string strPath, int bAscending = 1, int bBySize = 0);
    // Insert one entry as a row at nIndex of its pane: 0 for an entry named
    // "." (no row), else 1. Listings fill whole panes without them.
    int InsertHostItem(const HostEntry& entry, long nIndex);
    int InsertDeviceItem(const DirEntry& entry, long nIndex);
    // The panes' current folders as bytes. The path fields show them (as
    // text, invalid UTF-8 escaped); these keep the exact bytes, so read and
    // write a pane's folder through them rather than through the fields.
    // When someone wrote a field directly, its text is taken as UTF-8.
    std::string GetHostPath() const;
    std::string GetDevicePath() const;
    void SetHostPath(const std::string& strPath);
    void SetDevicePath(const std::string& strPath);
    // Column header clicks: flip the pane's sort toggle and list the pane's
    // folder again, by name (column 0) or by size (column 1).
    void OnHostColumnClick(wxListEvent& event);
    void OnDeviceColumnClick(wxListEvent& event);
    // The bytes behind the path fields (use Get/SetHostPath, Get/SetDevicePath).
    std::string m_strHostPath;
    std::string m_strDevicePath;

    // --- Navigation (StbDlgNavigation.cpp) ---

    // Binds the clicks and double-clicks of both panes (from InitListings).
    void InitNavigation();

    // Double-click on a pane: the first selected row counts. A folder row is
    // entered, ".." goes up. On the host pane any other case (a file, no
    // row) starts the Download command; on the device pane (while connected)
    // a file row starts the Upload command. The command starts as a menu
    // command event (IDM_DOWNLOAD / IDM_UPLOAD) processed by this window, so
    // whatever handles those commands runs; until a handler is bound nothing
    // happens.
    void OnHostListDblClk();
    void OnDeviceListDblClk();
    // Single click on a pane: decides whether Rename and Delete are offered
    // for the pane's first selected row (SetHostItemEditable and
    // SetDeviceItemEditable).
    void OnHostListClick();
    void OnDeviceListClick();
    // Builds the host folder of the first selected row ("..": one level up);
    // when it is a folder, writes it into the host path field and returns 1,
    // else returns 0 and leaves the field alone.
    int NavigateHostSelection();
    // Non-zero when row nIndex of the pane is a folder (image 0).
    int IsFolderItem(const CPaneList* pList, long nIndex) const;
    // Index of the first row whose name equals strName ignoring case and
    // whose kind matches (a folder when bWantFolder is non-zero, else a
    // file), or -1.
    int FindListItem(const CPaneList* pList, const std::string& strName, int bWantFolder) const;
    // Whether a device row named strName in the receiver folder strFolder may
    // be renamed or deleted: not "."-names, and not the protected root
    // folders MP3 and Image (and names starting so, see the definition).
    static bool IsDeviceItemEditable(const std::string& strFolder, const std::string& strName);
    // Offers or withdraws Rename and Delete of a pane: the menu items, the
    // pane toolbar's buttons (ids 9009/9010, 9014/9015, when the toolbar has
    // them), and m_bHostItemEditable / g_bDeviceItemEditable.
    void SetHostItemEditable(bool bEditable);
    void SetDeviceItemEditable(bool bEditable);
    // Whether the host pane's selection may be renamed or deleted (as the
    // last click decided); the device pane's is g_bDeviceItemEditable.
    bool m_bHostItemEditable = false;

    // --- Top toolbar and splitter bars (StbDlgSplitters.cpp) ---

    // Creates the top toolbar and the three splitter bars at their start-up
    // places and binds the bars' notification. Called once by the
    // constructor, after the panes and the status list exist.
    void InitToolbarAndSplitters();
    // Sets the bars' drag limits for the current layout: the vertical bars
    // W/4 either side of W/2, the status bar the status list's height either
    // side of the list's top. Part of every layout pass.
    void SetSplitterRanges();
    // A finished drag of bar 1009, 1010 or 1011, by its delta.
    void OnSplitterMoved(CSplitterEvent& event);
    // The host pane and path end, and the device pane and path begin, d
    // pixels further right; the centre buttons and the other vertical bar
    // move along.
    void OnLeftSplitterMoved(int d);
    void OnRightSplitterMoved(int d);
    // The work of both: moves the panes' shared edge and the centre column
    // by d, pOtherBar being the vertical bar that was not dragged.
    void MoveCentreColumn(int d, wxWindow* pOtherBar);
    // The panes, their toolbars and the vertical bars end d pixels lower,
    // the status list begins d pixels lower; the centre buttons move down.
    void OnStatusSplitterMoved(int d);

    // --- Transfer jobs (StbDlgTransfer.cpp, src/transfer/UploadJob.cpp,
    // src/transfer/DownloadJob.cpp) ---

    // Binds Upload (menu 32787, button 9005) and Download (menu 32788,
    // button 9006). Called once by the constructor.
    void InitTransfer();
    // Upload: copies the device pane's selected entries (files and folder
    // trees) into the host pane's folder. Download: the host pane's selected
    // entries into the device pane's folder. Nothing while disconnected or
    // while a job runs. Both panes end at the folders where the job started.
    void OnUpload();
    void OnDownload();
    // One folder level of a job: the selected entries (bTakeAll false) or all
    // of them (bTakeAll true); folders are copied by recursion.
    void UploadFolderLevel(bool bTakeAll);
    void DownloadFolderLevel(bool bTakeAll);
    // Copies the pending batch of files (m_uploadBatch / m_downloadBatch, names
    // in the current folders) by a worker thread under the progress dialog;
    // returns when the worker has ended. An empty batch refreshes the
    // destination pane.
    void RunUploadBatch();
    void RunDownloadBatch();
    // The folder steps of a level for one folder entry; false when the level
    // must end (a cancel or a failed change of folder).
    bool UploadFolder(const std::string& strFolder);
    bool DownloadFolder(const std::string& strFolder);
    // Pending batches: file names of the current folders, in pane order.
    std::vector<std::string> m_uploadBatch;
    std::vector<std::string> m_downloadBatch;
    // True while an Upload or Download job runs.
    bool m_bTransferRunning = false;

    // --- Dialogs and pane commands (StbDlgDialogs.cpp) ---

    // Creates the two pane toolbar windows (m_dlgHostTool, m_dlgDeviceTool)
    // and binds About and Preference. Called once by the constructor.
    void InitDialogs();
    // Shows the About dialog.
    void OnAbout(wxCommandEvent& event);
    // Shows the Preference dialog, which applies its settings itself.
    void OnPreference(wxCommandEvent& event);

    // --- Keyboard and command forwarding (StbDlgKeyboard.cpp) ---

    // Binds the window's key handling and the Tool menu's pane commands, and
    // creates the centre buttons (Upload, Download) with their tooltips when
    // they do not exist yet. Called once by the constructor, after the pane
    // toolbars exist.
    void InitKeyboard();
    // Every key-down in the window, before the focused child sees it: Enter
    // and Escape do nothing and are consumed, so they never close the window
    // or press anything; Delete asks and deletes the focused pane's selection
    // (OnDeleteKey); F5 refreshes the focused pane. Other keys pass on (Tab
    // navigation and the children's own keys).
    void OnCharHook(wxKeyEvent& event);
    // What a key-down of nKeyCode does while pFocus has the keyboard focus;
    // true when the key is consumed.
    bool HandleKeyDown(int nKeyCode, wxWindow* pFocus);
    // The Delete key: on the focused pane, when its first selected row is not
    // row 0 (and, on the device pane, when the selection may be deleted),
    // asks "Selected file will be deleted. Continue?" captioned with that
    // row's name; on Yes posts the pane toolbar's Delete command, which
    // deletes every selected row.
    void OnDeleteKey(wxWindow* pFocus);
    // Posts the pane toolbar command nToolId (9008-9011 host, 9013-9016
    // device) to the host or device toolbar window, as the Tool menu does.
    void PostToolCommand(bool bHost, int nToolId);
    // The tooltip of centre button nId (IDC_BTN_UPLOAD, IDC_BTN_DOWNLOAD) in
    // the current language; empty for any other id.
    static wxString CentreButtonTip(int nId);

    // --- Children. All are owned by m_panel; pointers stay valid for the
    // window's life. Children that are not built yet are null, and the layout
    // skips them. ---
    wxPanel* m_panel = nullptr;
    CTopToolDlg* m_dlgTopTool = nullptr;  // top toolbar
    wxWindow* m_dlgHostTool = nullptr;    // host pane toolbar
    wxWindow* m_dlgDeviceTool = nullptr;  // device pane toolbar
    CSplitterBar* m_splitLeft = nullptr;    // IDC_SPLIT_LEFT
    CSplitterBar* m_splitRight = nullptr;   // IDC_SPLIT_RIGHT
    CSplitterBar* m_splitStatus = nullptr;  // IDC_SPLIT_STATUS
    wxWindow* m_btnUpload = nullptr;      // IDC_BTN_UPLOAD
    wxWindow* m_btnDownload = nullptr;    // IDC_BTN_DOWNLOAD
    CDriveCombo* m_comboDrive = nullptr;  // IDC_DRIVE_COMBO
    wxStatusBar* m_statusBar = nullptr;   // parts STATUS_PART_*
    wxListBox* m_listStatus = nullptr;    // IDC_STATUS_LIST
    CPaneList* m_listHost = nullptr;      // IDC_HOST_LIST
    CPaneList* m_listDevice = nullptr;    // IDC_DEVICE_LIST
    wxTextCtrl* m_editHostPath = nullptr;    // IDC_HOST_PATH, read-only: the host pane's folder
    wxTextCtrl* m_editDevicePath = nullptr;  // IDC_DEVICE_PATH, read-only: the device pane's folder

    // Panel client rectangle of the last layout pass (left and top 0).
    wxRect m_rcClient;

    // Receiver presence poll (id TIMER_POLL); started by Connect.
    wxTimer m_timerPoll;

private:
    void CreateChildren();
    void CreateStatusBar();
    void OnPanelSize(wxSizeEvent& event);
    void OnCloseWindow(wxCloseEvent& event);
    void OnDestroy();
    void OnClearStatus(wxCommandEvent& event);
    void AddStatusMessageOnUiThread(const std::string& strText, int bToStatusBar);

    wxDECLARE_EVENT_TABLE();
};

// The one main window, set while it exists.
extern CStbDlg* g_pMainDlg;

// Held by a transfer worker for its whole run.
extern std::mutex g_csTransfer;

// Sort toggles of the panes, flipped by column clicks only (0 at start).
extern int g_bHostSortAscending;
extern int g_bDeviceSortAscending;
// Non-zero when the device pane's selection may be renamed or deleted (as
// the last click on the device pane decided); allows the Delete key there.
extern int g_bDeviceItemEditable;
