// CStbDlg: the drive combo next to the host path field.
#include "StbDlg.h"

#include <wx/panel.h>
#include <wx/textctrl.h>

#include "../MessageBox.h"
#include "Catalogue.h"
#include "DriveCombo.h"
#include "Places.h"

void CStbDlg::InitDrives()
{
    const MainLayout layout = ComputeMainLayout(m_rcClient.width, m_rcClient.height, true);
    m_comboDrive = new CDriveCombo(m_panel, IDC_DRIVE_COMBO, layout.rcDriveCombo.GetPosition(),
                                   layout.rcDriveCombo.GetSize());
    // First in the tab order, before the host path field.
    if (m_editHostPath != nullptr)
        m_comboDrive->MoveBeforeInTabOrder(m_editHostPath);
    m_comboDrive->FillDrives();
    // The program starts in the home folder.
    const int nHome = FindHomePlace(m_comboDrive->Items());
    if (nHome >= 0)
        m_comboDrive->SetSelection(nHome);
    Bind(wxEVT_COMBOBOX, &CStbDlg::OnDriveSelChange, this, IDC_DRIVE_COMBO);
}

void CStbDlg::OnDriveSelChange(wxCommandEvent& /*event*/)
{
    const std::string strPath =
        m_comboDrive != nullptr ? m_comboDrive->GetSelectedPath() : std::string();
    if (strPath.empty())
    {
        // The host path field keeps its text.
        ShowMessageBox(MSG_INVALID_DRIVE, std::string(), wxOK, this);
        m_listHost->ClearRows();
        return;
    }
    RefreshHostList(strPath, 1, 0);
}
