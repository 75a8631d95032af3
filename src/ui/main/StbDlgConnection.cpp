// CStbDlg: the receiver connection.
#include "StbDlg.h"

#include <wx/textctrl.h>

#include "Catalogue.h"
#include "ReceiverLink.h"

void CStbDlg::CloseReceiver()
{
    if (g_pReceiver == nullptr || g_pReceiver->m_hDevice == nullptr)
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
    AddStatusMessage(MSG_DISCONNECTED, 1);
}
