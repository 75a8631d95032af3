// Helpers of the main window and application tests.
#pragma once

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>
#include <wx/utils.h>

#include <chrono>
#include <functional>
#include <memory>

// Dialog expectations that are not met, and dialogs that were not expected,
// become test failures.
class CTestModalHook : public wxTestingModalHook {
public:
    CTestModalHook(const char* file = nullptr, int line = 0, const char* func = nullptr)
        : wxTestingModalHook(file, line, func)
    {
    }

protected:
    void ReportFailure(const wxString& msg) override { ADD_FAILURE() << msg.utf8_string(); }
};
#undef wxTEST_DIALOG_HOOK_CLASS
#define wxTEST_DIALOG_HOOK_CLASS CTestModalHook

// What a message box showed.
struct ShownMessageBox {
    int nCount = 0;
    wxString message;
    wxString caption;
    long nStyle = 0;
};

// Answers a message box with nAnswer (wxID_YES, wxID_NO, ...) and records it.
class CExpectMessageBox : public wxExpectModalBase<wxMessageDialog, CExpectMessageBox> {
public:
    CExpectMessageBox(int nAnswer, std::shared_ptr<ShownMessageBox> pShown)
        : m_nAnswer(nAnswer), m_pShown(std::move(pShown))
    {
    }

protected:
    int OnInvoked(wxMessageDialog* pDlg) const override
    {
        ++m_pShown->nCount;
        m_pShown->message = pDlg->GetMessage();
        m_pShown->caption = pDlg->GetTitle();
        m_pShown->nStyle = pDlg->GetMessageDialogStyle();
        return m_nAnswer;
    }

private:
    int m_nAnswer;
    std::shared_ptr<ShownMessageBox> m_pShown;
};

// Serves events until cond holds or the time is up; returns cond's last value.
inline bool ServeEventsUntil(const std::function<bool()>& cond, int nTimeoutMs = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    for (;;)
    {
        wxTheApp->ProcessPendingEvents();
        wxYield();
        if (cond())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        wxMilliSleep(5);
    }
}

// Serves the events that are already queued.
inline void ServeEvents()
{
    for (int i = 0; i < 3; ++i)
    {
        wxTheApp->ProcessPendingEvents();
        wxYield();
    }
}
