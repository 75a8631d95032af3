// CStbDlg: status messages and Clear Status Message.
#include "StbDlg.h"

#include <wx/listbox.h>
#include <wx/statusbr.h>

#include "../TextConv.h"
#include "../UiThread.h"
#include "AppSettings.h"

namespace
{

std::string Trim(const std::string& str)
{
    static const char kSpace[] = " \t\n\v\f\r";
    const size_t nFirst = str.find_first_not_of(kSpace);
    if (nFirst == std::string::npos)
        return std::string();
    const size_t nLast = str.find_last_not_of(kSpace);
    return str.substr(nFirst, nLast - nFirst + 1);
}

}  // namespace

std::vector<std::string> CStbDlg::SplitStatusLines(const std::string& strText)
{
    std::vector<std::string> vecLines;
    size_t nStart = 0;
    for (;;)
    {
        const size_t nBreak = strText.find("\r\n", nStart);
        const std::string strPiece = Trim(strText.substr(
            nStart, nBreak == std::string::npos ? std::string::npos : nBreak - nStart));
        if (!strPiece.empty())
            vecLines.push_back(strPiece);
        if (nBreak == std::string::npos)
            break;
        nStart = nBreak + 2;
    }
    return vecLines;
}

void CStbDlg::AddStatusMessage(const std::string& strText, int bToStatusBar)
{
    // Workers report through the user-interface thread and wait until the
    // controls have taken the message.
    RunOnUiThread([this, &strText, bToStatusBar] {
        AddStatusMessageOnUiThread(strText, bToStatusBar);
    });
}

void CStbDlg::AddStatusMessageOnUiThread(const std::string& strText, int bToStatusBar)
{
    if (bToStatusBar != 0 && m_statusBar != nullptr)
    {
        // The status bar shows one line: line breaks become spaces.
        wxString text = ToDisplay(strText);
        text.Replace("\r\n", " ");
        text.Replace("\n", " ");
        text.Replace("\r", " ");
        m_statusBar->SetStatusText(text, STATUS_PART_MESSAGE);
    }
    if (g_bShowStatus == 0 || m_listStatus == nullptr)
        return;

    for (const std::string& strLine : SplitStatusLines(strText))
        m_listStatus->Append(ToDisplay(strLine));
    const unsigned nCount = m_listStatus->GetCount();
    if (nCount > 0)
    {
        m_listStatus->SetSelection(static_cast<int>(nCount - 1));
        m_listStatus->EnsureVisible(static_cast<int>(nCount - 1));
    }
    // The message that would make line 101 empties the list, its own lines
    // included.
    if (nCount > static_cast<unsigned>(STATUS_LIST_LIMIT))
        m_listStatus->Clear();
}

void CStbDlg::OnClearStatus(wxCommandEvent& /*event*/)
{
    m_listStatus->Clear();
}
