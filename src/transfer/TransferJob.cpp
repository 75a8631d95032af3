#include "TransferJob.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <atomic>
#include <clocale>
#include <cwctype>
#include <locale.h>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "Catalogue.h"
#include "ConfirmDlg.h"
#include "ReceiverLink.h"
#include "StbDlg.h"
#include "TextConv.h"
#include "TransferDlg.h"
#include "TransferRules.h"
#include "UiThread.h"

std::vector<GatheredEntry> GatherPaneEntries(CStbDlg* pMain, const CPaneList* pList, bool bTakeAll)
{
    std::vector<GatheredEntry> vecEntries;
    if (pList == nullptr)
        return vecEntries;
    std::vector<long> vecRows;
    if (bTakeAll)
    {
        for (long nRow = 0; nRow < static_cast<long>(pList->Rows().size()); ++nRow)
            vecRows.push_back(nRow);
    }
    else
    {
        vecRows = pList->SelectedRows();
    }
    for (long nRow : vecRows)
    {
        const PaneRow* pRow = pList->Row(nRow);
        if (pRow == nullptr)
            continue;
        if (pRow->bFolder)
        {
            if (!pRow->strName.empty() && pRow->strName[0] == '.')
                continue;
            if (IsTransferNameTooLong(pRow->strName))
            {
                ShowTransferMessage(pMain, TooLongText(pRow->strName));
                continue;
            }
        }
        vecEntries.push_back(GatheredEntry{pRow->strName, pRow->bFolder});
    }
    return vecEntries;
}

void RunTransferJob(CStbDlg* pMain, void (CStbDlg::*pfnLevel)(bool))
{
    if (pMain->m_bTransferRunning)
        return;
    pMain->m_bTransferRunning = true;
    ResetTransferJobState();
    (pMain->*pfnLevel)(false);
    pMain->m_bTransferRunning = false;
}

bool WalkFolderLevel(CStbDlg* pMain, const CPaneList* pList, bool bTakeAll,
                     std::vector<std::string>& vecBatch,
                     bool (CStbDlg::*pfnFolder)(const std::string&))
{
    if (g_pReceiver == nullptr || g_pReceiver->m_hDevice == nullptr)
        return false;
    vecBatch.clear();
    const std::vector<GatheredEntry> vecEntries = GatherPaneEntries(pMain, pList, bTakeAll);
    for (const GatheredEntry& entry : vecEntries)
    {
        if (g_bCancelTransfer)
            return false;
        if (!entry.bFolder)
        {
            vecBatch.push_back(entry.strName);
            continue;
        }
        if (!(pMain->*pfnFolder)(entry.strName))
            return false;
    }
    return true;
}

bool ReportTooLongName(CStbDlg* pMain, CStatusLines& statusLines, const std::string& strName)
{
    if (!IsTransferNameTooLong(strName))
        return false;
    statusLines.Add(TooLongText(strName));
    ShowTransferMessage(pMain, TooLongText(strName));
    return true;
}

bool ConfirmFileDecision(EFileDecision eDecision, const std::string& strName, bool& bBatchYesToAll)
{
    if (eDecision == EFileDecision::Skip)
        return false;
    if (eDecision == EFileDecision::Ask)
    {
        const int nAnswer = AskOverwrite(strName);
        if (nAnswer == CONFIRM_NO)
            return false;
        if (nAnswer == CONFIRM_YES_TO_ALL)
            bBatchYesToAll = true;
    }
    return true;
}

char DecideFolderAnswer(const std::string& strName)
{
    const char cAnswer =
        FolderAnswerWithoutQuestion(InnermostFolderAnswer(g_strFolderAnswers), g_bFolderYesToAll != 0);
    if (cAnswer != 0)
        return cAnswer;
    switch (AskOverwrite(strName))
    {
    case CONFIRM_YES_TO_ALL:
        g_bFolderYesToAll = 1;
        return 'A';
    case CONFIRM_YES:
        return 'A';
    default:
        return 'B';
    }
}

namespace
{

// What the batch runner and its worker share. The worker's last act is to
// mark it done and wake the runner's wait loop, which may no longer exist by
// the time the wake-up runs: hence the shared state and the loop pointer that
// is set only while the loop runs.
struct BatchWait {
    std::atomic<bool> bDone{false};
    wxGUIEventLoop* pLoop = nullptr;  // user-interface thread only
};

}  // namespace

bool RunTransferBatch(CStbDlg* pMain, int nDirection, const std::function<void(CTransferDlg*)>& worker)
{
    CTransferDlg dlg(pMain, nDirection);
    auto pWait = std::make_shared<BatchWait>();
    std::thread thread;
    try
    {
        thread = std::thread([&worker, &dlg, pWait] {
            worker(&dlg);
            pWait->bDone = true;
            PostToUiThread([pWait] {
                if (pWait->pLoop != nullptr && pWait->pLoop->IsRunning())
                    pWait->pLoop->Exit();
            });
        });
    }
    catch (const std::system_error&)
    {
        return false;
    }

    dlg.ShowModal();

    // After Cancel the worker may still ask for its last status line or pane
    // read; serve events (with every window disabled) until it has finished.
    if (!pWait->bDone)
    {
        wxWindowDisabler disabler;
        wxGUIEventLoop loop;
        pWait->pLoop = &loop;
        if (!pWait->bDone)
            loop.Run();
        pWait->pLoop = nullptr;
    }
    thread.join();
    // Status lines the worker queued are shown before the walk goes on.
    wxTheApp->ProcessPendingEvents();
    return true;
}

namespace
{

locale_t CaseLocale()
{
    static const locale_t loc = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return loc;
}

}  // namespace

std::string FoldNameCase(const std::string& strName)
{
    const wxString text = wxString::FromUTF8(strName.data(), strName.size());
    if (!strName.empty() && !text.empty())
    {
        std::wstring str = text.ToStdWstring();
        const locale_t loc = CaseLocale();
        for (wchar_t& c : str)
            c = loc != nullptr ? static_cast<wchar_t>(::towlower_l(static_cast<wint_t>(c), loc))
                               : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        // A prefix keeps folded UTF-8 names apart from raw byte names.
        return "u" + wxString(str).utf8_string();
    }
    std::string strFolded = "b" + strName;
    for (char& c : strFolded)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return strFolded;
}

CPaneNames::CPaneNames(const CPaneList* pList)
{
    if (pList == nullptr)
        return;
    for (const PaneRow& row : pList->Rows())
    {
        std::string strKey = FoldNameCase(row.strName);
        if (row.bFolder)
            m_setFolders.insert(strKey);
        m_setAll.insert(std::move(strKey));
    }
}

bool CPaneNames::Contains(const std::string& strName) const
{
    return m_setAll.count(FoldNameCase(strName)) != 0;
}

bool CPaneNames::ContainsFolder(const std::string& strName) const
{
    return m_setFolders.count(FoldNameCase(strName)) != 0;
}

BatchView ReadBatchView(CStbDlg* pMain, bool bUpload)
{
    return RunOnUiThread([pMain, bUpload] {
        BatchView view;
        view.strHostPath = pMain->GetHostPath();
        view.strDevicePath = pMain->GetDevicePath();
        view.destination = CPaneNames(bUpload ? pMain->m_listHost : pMain->m_listDevice);
        return view;
    });
}

struct CStatusLines::Shared {
    std::mutex mutex;
    std::vector<std::string> vecLines;  // waiting to be shown
    bool bPosted = false;               // a call to show them is queued
};

CStatusLines::CStatusLines(CStbDlg* pMain) : m_pMain(pMain), m_pShared(std::make_shared<Shared>()) {}

void CStatusLines::Add(std::string strText)
{
    std::lock_guard<std::mutex> lock(m_pShared->mutex);
    m_pShared->vecLines.push_back(std::move(strText));
    if (m_pShared->bPosted)
        return;
    m_pShared->bPosted = true;
    PostToUiThread([pMain = m_pMain, pShared = m_pShared] {
        std::vector<std::string> vecLines;
        {
            std::lock_guard<std::mutex> lockShow(pShared->mutex);
            vecLines.swap(pShared->vecLines);
            pShared->bPosted = false;
        }
        for (const std::string& strLine : vecLines)
            pMain->AddStatusMessage(strLine, 0);
    });
}

void ShowTransferMessage(CStbDlg* pMain, const std::string& strText)
{
    RunOnUiThread([pMain, &strText] {
        wxMessageBox(ToDisplay(strText), ToDisplay(MSG_APP_TITLE), wxOK, pMain);
    });
}
