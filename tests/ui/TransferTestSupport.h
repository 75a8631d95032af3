// Scripting the transfer jobs' questions in tests.
//
// wxExpectModal<CConfirmDlg>(answer) answers one overwrite question with
// CONFIRM_YES, CONFIRM_NO or CONFIRM_YES_TO_ALL and can record the question.
// Under TRANSFER_TEST_DIALOG (or a CTransferTestHook) the progress dialog is
// let through and runs for real, so a batch's worker transfers while its
// questions are answered by the script; each progress dialog shown is
// counted.
#pragma once

#include "UiTestSupport.h"

#include <memory>
#include <string>
#include <vector>

#include "ConfirmDlg.h"
#include "TextConv.h"
#include "TransferDlg.h"

template <>
class wxExpectModal<CConfirmDlg> : public wxExpectModalBase<CConfirmDlg> {
public:
    explicit wxExpectModal(int nAnswer, std::shared_ptr<std::vector<std::string>> pAsked = {})
        : m_nAnswer(nAnswer), m_pAsked(std::move(pAsked))
    {
    }

protected:
    int OnInvoked(CConfirmDlg* pDlg) const override
    {
        if (m_pAsked)
            m_pAsked->push_back(pDlg->m_strMessage);
        pDlg->m_nResult = m_nAnswer;
        return m_nAnswer == CONFIRM_NO ? wxID_CANCEL : wxID_OK;
    }
    wxString GetDefaultDescription() const override { return "CConfirmDlg"; }

private:
    int m_nAnswer;
    std::shared_ptr<std::vector<std::string>> m_pAsked;
};

// Progress dialogs shown under the hook, and the one showing now.
struct TransferDialogsSeen {
    int nShown = 0;
    CTransferDlg* pCurrent = nullptr;
};
inline TransferDialogsSeen g_transferDialogsSeen;

class CTransferTestHook : public CTestModalHook {
public:
    CTransferTestHook(const char* file = nullptr, int line = 0, const char* func = nullptr)
        : CTestModalHook(file, line, func)
    {
    }

protected:
    int Enter(wxDialog* pDlg) override
    {
        if (auto pTransfer = dynamic_cast<CTransferDlg*>(pDlg))
        {
            ++g_transferDialogsSeen.nShown;
            g_transferDialogsSeen.pCurrent = pTransfer;
            return wxID_NONE;  // shown for real
        }
        return CTestModalHook::Enter(pDlg);
    }
    void Exit(wxDialog* pDlg) override
    {
        if (pDlg == g_transferDialogsSeen.pCurrent)
            g_transferDialogsSeen.pCurrent = nullptr;
        CTestModalHook::Exit(pDlg);
    }
};

#define TRANSFER_TEST_DIALOG(codeToRun, ...)                                  \
    {                                                                         \
        CTransferTestHook wx_hook(__FILE__, __LINE__, __func__);              \
        wxCALL_FOR_EACH(WX_TEST_IMPL_ADD_EXPECTATION, __VA_ARGS__)            \
        codeToRun;                                                            \
        wx_hook.CheckUnmetExpectations();                                     \
    }

// Runs code with the progress dialog let through and no question expected.
#define TRANSFER_TEST_NO_QUESTION(codeToRun)                                  \
    {                                                                         \
        CTransferTestHook wx_hook(__FILE__, __LINE__, __func__);              \
        codeToRun;                                                            \
    }
