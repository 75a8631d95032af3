// CStbDlg: the Upload and Download commands (the jobs are in src/transfer).
#include "StbDlg.h"

#include "../CommandIds.h"
#include "Catalogue.h"

void CStbDlg::InitTransfer()
{
    // The menu items, the buttons between the panes and the double-clicks
    // on file rows (which send the menu commands) all arrive here.
    auto upload = [this](wxCommandEvent& /*event*/) { OnUpload(); };
    auto download = [this](wxCommandEvent& /*event*/) { OnDownload(); };
    Bind(wxEVT_MENU, upload, WxCommandId(IDM_UPLOAD));
    Bind(wxEVT_MENU, download, WxCommandId(IDM_DOWNLOAD));
    Bind(wxEVT_MENU, upload, IDC_BTN_UPLOAD);
    Bind(wxEVT_MENU, download, IDC_BTN_DOWNLOAD);
    Bind(wxEVT_BUTTON, upload, IDC_BTN_UPLOAD);
    Bind(wxEVT_BUTTON, download, IDC_BTN_DOWNLOAD);
}
