#include "AboutDlg.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "Catalogue.h"
#include "DialogSupport.h"
#include "Pictures.h"
#include "ReceiverLink.h"
#include "StbDlg.h"
#include "TextConv.h"

CAboutDlg::CAboutDlg(wxWindow* pParent)
    : wxDialog(pParent, IDD_ABOUT, ToDisplay(MSG_ABOUT_TITLE))
{
    // The 32-pixel picture of the program's icon.
    m_bitmapIcon = new wxStaticBitmap(this, wxID_ANY, GetPicture(EPicture::AppIcon, wxSize(32, 32)));
    m_bitmapIcon->SetPosition(DialogRect(this, 8, 9, 0, 0).GetPosition());
    // The version text takes the room it needs; the OK button and the
    // dialog's width follow it when it is wider than the usual 87 units.
    m_staticText = new wxStaticText(this, IDC_ABOUT_TEXT, ToDisplay(MSG_ABOUT_TEXT),
                                    DialogRect(this, 33, 11, 0, 0).GetPosition());
    const int nTextRight = m_staticText->GetRect().GetRight();
    const wxRect rcOkUsual = DialogRect(this, 124, 8, 47, 14);
    const int nGap = ConvertDialogToPixels(wxSize(4, 0)).x;
    wxRect rcOk = rcOkUsual;
    rcOk.x = std::max(rcOkUsual.x, nTextRight + nGap);
    m_btnOk = new wxButton(this, wxID_OK, ToDisplay(MSG_BTN_OK));
    m_btnOk->SetSize(rcOk);
    m_btnOk->SetDefault();
    m_staticTotal = new wxStaticText(this, IDC_ABOUT_TOTAL, "Total Size : ", wxDefaultPosition,
                                     wxDefaultSize, wxST_NO_AUTORESIZE);
    m_staticTotal->SetSize(DialogRect(this, 9, 49, 102, 8));
    m_staticFree = new wxStaticText(this, IDC_ABOUT_FREE, "Free Size : ", wxDefaultPosition,
                                    wxDefaultSize, wxST_NO_AUTORESIZE);
    m_staticFree->SetSize(DialogRect(this, 9, 62, 102, 8));
    const wxSize sizeUsual = ConvertDialogToPixels(wxSize(179, 77));
    SetClientSize(sizeUsual.x + rcOk.x - rcOkUsual.x, sizeUsual.y);
    CentreOnParent();
    SetEscapeId(wxID_OK);

    ShowDiskSizes();
}

void CAboutDlg::ShowDiskSizes()
{
    if (g_pReceiver == nullptr || g_pReceiver->m_hDevice == nullptr)
        return;
    DiskInfo info{};
    if (g_pReceiver->GetDiskInfo(&info) < 0)
    {
        g_pReceiver->Reset();
        if (g_pMainDlg != nullptr)
            g_pMainDlg->AddStatusMessage(MSG_DISK_INFO_FAILED, 0);
        return;
    }
    // The status bar's unit rule; each label keeps its plain text when the
    // size is below 1 KB.
    const std::string strFree = CStbDlg::DiskSpaceText(MSG_FREE_SIZE_LABEL, DiskFreeBytes(info));
    if (!strFree.empty())
        m_staticFree->SetLabel(ToDisplay(strFree));
    const std::string strTotal =
        CStbDlg::DiskSpaceText(MSG_TOTAL_SIZE_LABEL, DiskTotalBytes(info));
    if (!strTotal.empty())
        m_staticTotal->SetLabel(ToDisplay(strTotal));
}
