// CStbDlg: the receiver connection — Connect, Disconnect, the presence poll,
// the disk space display, Format and Exit.
#include "StbDlg.h"

#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "../MessageBox.h"
#include "../TextConv.h"
#include "../UiThread.h"
#include "Catalogue.h"
#include "ReceiverLink.h"
#include "UsbApi.h"

namespace
{

// Captions of the two questions; they are not translated.
const char kFormatCaption[] = "Format";
const char kExitCaption[] = "Shutdown";

// Words of the disk space texts in status bar parts 1 and 2.
const char kFreeLabel[] = "Free: ";
const char kTotalLabel[] = "Total: ";

// Added under the initialisation failure when the device node refused us.
const char kUdevHint[] =
    "No permission to open the receiver's USB device: the udev rule 60-quorvane.rules may be "
    "missing. Install it, then plug the receiver in again.";

bool IsConnected()
{
    return g_pReceiver != nullptr && g_pReceiver->m_hDevice != nullptr;
}

// The errno that tells why opening the receiver failed: the saved one when it
// is an access error, else EACCES when the device node is not readable and
// writable for us (libusb may have fallen back to a read-only open).
int AccessErrno(const CReceiverLink& link, int nSavedErrno)
{
    if (nSavedErrno == EACCES || nSavedErrno == EPERM)
        return nSavedErrno;
    if (link.m_pBus == nullptr || link.m_pDevice == nullptr)
        return nSavedErrno;
    for (const char* pRoot : {"/dev/bus/usb/", "/proc/bus/usb/"})
    {
        const std::string strNode =
            std::string(pRoot) + link.m_pBus->dirname + "/" + link.m_pDevice->filename;
        if (access(strNode.c_str(), F_OK) != 0)
            continue;
        if (access(strNode.c_str(), R_OK | W_OK) != 0)
            return errno;
        break;
    }
    return nSavedErrno;
}

// Rescans the USB buses; true when a device with the receiver's identifiers
// is on one of them.
bool ReceiverOnBus()
{
    const UsbApi& usb = Usb();
    usb.init();
    usb.find_busses();
    usb.find_devices();
    for (struct usb_bus* pBus = usb.get_busses(); pBus != nullptr; pBus = pBus->next)
    {
        for (struct usb_device* pDev = pBus->devices; pDev != nullptr; pDev = pDev->next)
        {
            if (pDev->descriptor.idVendor == RECEIVER_VID &&
                pDev->descriptor.idProduct == RECEIVER_PID)
                return true;
        }
    }
    return false;
}

}  // namespace

void CStbDlg::ShowConnectState(bool bConnected)
{
    if (m_dlgTopTool == nullptr)
        return;
    if (bConnected)
        m_dlgTopTool->ShowDisconnectButton();
    else
        m_dlgTopTool->ShowConnectButton();
    m_dlgTopTool->Refresh(true);
}

void CStbDlg::InitConnection()
{
    Bind(wxEVT_MENU, &CStbDlg::OnConnect, this, WxCommandId(IDM_CONNECT));
    Bind(wxEVT_MENU, &CStbDlg::OnDisconnect, this, WxCommandId(IDM_DISCONNECT));
    Bind(wxEVT_MENU, &CStbDlg::OnFormat, this, WxCommandId(IDM_FORMAT));
    Bind(wxEVT_MENU, &CStbDlg::OnExit, this, WxCommandId(IDM_EXIT));
    Bind(wxEVT_TIMER, &CStbDlg::OnTimer, this, TIMER_POLL);
}

void CStbDlg::CloseReceiver()
{
    if (!IsConnected())
        return;
    if (g_pReceiver->EndComm() < 0)
    {
        // The link stays connected; Disconnect may try again.
        g_pReceiver->Reset();
        AddStatusMessage(MSG_END_COMM_FAILED, 0);
        return;
    }
    g_pReceiver->Close();
    m_listDevice->ClearRows();
    m_editDevicePath->Clear();
    ShowConnectState(false);
    AddStatusMessage(MSG_DISCONNECTED, 1);
}

void CStbDlg::OnConnect(wxCommandEvent& /*event*/)
{
    CReceiverLink* pLink = g_pReceiver;
    if (pLink == nullptr || pLink->m_hDevice != nullptr)
        return;

    // A failed connect whose link could not be closed (the receiver did not
    // take the end of communication) keeps the poll running, so that the
    // link is still closed once the receiver is unplugged.
    auto fail = [this, pLink](const std::string& strMessage) {
        CloseReceiver();
        AddStatusMessage(strMessage, 0);
        if (pLink->m_hDevice != nullptr && !m_timerPoll.IsRunning())
            m_timerPoll.Start(TIMER_POLL_PERIOD_MS);
    };

    m_nMissedPolls = 0;
    int nResult = pLink->InitVeltraSTB(1, 0, 0);
    if (nResult < 0)
    {
        // Device nodes exist only on the real library's buses.
        const bool bRealUsb = &Usb() == &LibusbApi();
        const int nErrno = bRealUsb ? AccessErrno(*pLink, errno) : errno;
        const bool bDenied = IsUsbAccessDenied(nResult, bRealUsb, nErrno);
        // No communication was started, so there is none to end: closing the
        // device (when it was opened) is all there is to undo. Ending it here
        // would fail on a device we may not even write to, and leave the link
        // open for good.
        pLink->Close();
        AddStatusMessage(MSG_INIT_FAILED, 0);
        if (bDenied)
            AddStatusMessage(kUdevHint, 0);
        return;
    }
    nResult = pLink->StartComm();
    if (nResult < 0)
    {
        fail(MSG_START_COMM_FAILED);
        return;
    }
    nResult = pLink->ChangeDir("/");
    if (nResult < 0)
    {
        fail(MSG_CHANGE_DIR_FAILED + " : /");
        return;
    }
    if (RefreshDeviceList("/", 1, 0) < 0)
    {
        // The listing has reported its own failure.
        CloseReceiver();
        if (pLink->m_hDevice != nullptr && !m_timerPoll.IsRunning())
            m_timerPoll.Start(TIMER_POLL_PERIOD_MS);
        return;
    }

    const bool bUsb20 =
        pLink->m_pDevice != nullptr && pLink->m_pDevice->descriptor.bcdUSB == 0x0200;
    AddStatusMessage(bUsb20 ? MSG_CONNECTED_USB20 : MSG_CONNECTED_USB11, 1);
    ShowDiskInfo();
    m_timerPoll.Start(TIMER_POLL_PERIOD_MS);
    ShowConnectState(true);
}

void CStbDlg::OnDisconnect(wxCommandEvent& /*event*/)
{
    CloseReceiver();
    // While the link stays open (the receiver refused the end of
    // communication) the poll keeps watching for the receiver to go.
    if (!IsConnected())
        m_timerPoll.Stop();
}

void CStbDlg::OnTimer(wxTimerEvent& event)
{
    if (event.GetId() != TIMER_POLL)
    {
        event.Skip();
        return;
    }
    CReceiverLink* pLink = g_pReceiver;
    if (pLink == nullptr || pLink->m_hDevice == nullptr)
        return;

    // A transfer worker holds g_csTransfer for its whole run: while it does,
    // the poll leaves the buses alone, and while the poll holds it no worker
    // can start a command between the idle test and the rescan.
    std::unique_lock<std::mutex> lock(g_csTransfer, std::try_to_lock);
    if (!lock.owns_lock() || pLink->m_bIdle == 0)
        return;
    if (ReceiverOnBus())
        return;
    ++m_nMissedPolls;

    if (m_nMissedPolls > 0)
    {
        AddStatusMessage(MSG_RECEIVER_LOST, 1);
        m_nMissedPolls = 0;
        // The receiver is gone: no end of communication, just let go of it.
        pLink->Close();
        m_listDevice->ClearRows();
        m_editDevicePath->Clear();
        ShowConnectState(false);
    }
}

void CStbDlg::ShowDiskInfo()
{
    RunOnUiThread([this] {
        if (!IsConnected())
            return;
        DiskInfo info{};
        if (g_pReceiver->GetDiskInfo(&info) < 0)
        {
            g_pReceiver->Reset();
            AddStatusMessage(MSG_DISK_INFO_FAILED, 0);
            return;
        }
        const std::string strFree = DiskSpaceText(kFreeLabel, DiskFreeBytes(info));
        if (!strFree.empty())
            m_statusBar->SetStatusText(ToDisplay(strFree), STATUS_PART_FREE);
        const std::string strTotal = DiskSpaceText(kTotalLabel, DiskTotalBytes(info));
        if (!strTotal.empty())
            m_statusBar->SetStatusText(ToDisplay(strTotal), STATUS_PART_TOTAL);
    });
}

std::string CStbDlg::DiskSpaceText(const std::string& strLabel, uint64_t nBytes)
{
    constexpr uint64_t kGB = 1ULL << 30;
    constexpr uint64_t kMB = 1ULL << 20;
    constexpr uint64_t kKB = 1ULL << 10;
    char aNumber[64];
    if (nBytes >= kGB)
    {
        // The quotient is taken as a 32-bit float, as the display always did.
        const float fGB = static_cast<float>(static_cast<double>(nBytes) / static_cast<double>(kGB));
        std::snprintf(aNumber, sizeof aNumber, "%.2fGB", static_cast<double>(fGB));
    }
    else if (nBytes >= kMB)
        std::snprintf(aNumber, sizeof aNumber, "%lluMB",
                      static_cast<unsigned long long>(nBytes / kMB));
    else if (nBytes >= kKB)
        std::snprintf(aNumber, sizeof aNumber, "%lluKB",
                      static_cast<unsigned long long>(nBytes / kKB));
    else
        return std::string();
    return strLabel + aNumber;
}

bool CStbDlg::IsUsbAccessDenied(int nResult, bool bRealUsb, int nErrno)
{
    // Without write access libusb either cannot open the node at all or
    // opens it read-only, and then setting it up is refused.
    const bool bOpenOrSetup = nResult == RL_ERR_NO_HANDLE || nResult == RL_ERR_SET_CONFIG ||
                              nResult == RL_ERR_CLAIM || nResult == RL_ERR_ALT_SETTING;
    return bRealUsb && bOpenOrSetup && (nErrno == EACCES || nErrno == EPERM);
}

void CStbDlg::OnFormat(wxCommandEvent& /*event*/)
{
    if (!IsConnected())
        return;
    if (ShowMessageBox(MSG_CONFIRM_FORMAT, kFormatCaption, wxYES_NO | wxICON_QUESTION, this) !=
        wxYES)
    {
        SetFocus();
        return;
    }
    if (g_pReceiver->ChangeDir("/") < 0)
    {
        g_pReceiver->Reset();
        AddStatusMessage(MSG_CHANGE_DIR_FAILED + " : /", 0);
        return;
    }
    if (g_pReceiver->Format() < 0)
    {
        g_pReceiver->Reset();
        AddStatusMessage(MSG_FORMAT_FAILED, 0);
        return;
    }
    RefreshDeviceList("/", 1, 0);
}

void CStbDlg::OnExit(wxCommandEvent& /*event*/)
{
    if (ShowMessageBox(MSG_CONFIRM_EXIT, kExitCaption, wxYES_NO | wxICON_QUESTION, this) != wxYES)
    {
        SetFocus();
        return;
    }
    // The window's close path stops the poll and ends the connection.
    Close(true);
}
