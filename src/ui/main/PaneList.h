// CPaneList: one file pane of the main window.
//
// A virtual report list: the control draws from the pane's own row vector,
// which the listing code fills in one go with SetRows. That keeps listing a
// folder of many thousand entries fast. Each row keeps the entry's original
// name bytes; the shown text is only a rendering of them.
#pragma once

#include <wx/listctrl.h>

#include <cstdint>
#include <string>
#include <vector>

// Small-icon images of both panes.
enum : int {
    PANE_IMAGE_FOLDER = 0,
    PANE_IMAGE_FILE = 1,
};

// Columns of both panes.
enum : int {
    PANE_COL_NAME = 0,
    PANE_COL_SIZE = 1,
};
constexpr int PANE_COL_NAME_WIDTH = 240;
constexpr int PANE_COL_SIZE_WIDTH = 60;

// One row of a pane.
struct PaneRow {
    std::string strName;   // the entry's name bytes as the file system or receiver gave them
    bool bFolder = false;  // shown with image 0 (folder) or 1 (file)
    uint64_t nSize = 0;    // size in bytes; not shown for folders
};

class CPaneList : public wxListCtrl {
public:
    CPaneList(wxWindow* pParent, wxWindowID nId);

    // Replaces all rows; the control shows them at once.
    void SetRows(std::vector<PaneRow> vecRows);
    // Removes all rows.
    void ClearRows();

    const std::vector<PaneRow>& Rows() const { return m_vecRows; }
    // The row at nIndex, or null when there is none.
    const PaneRow* Row(long nIndex) const;

    // Selected rows, in ascending order; the first one, or -1.
    std::vector<long> SelectedRows() const;
    long FirstSelectedRow() const;

    // The text of a row's size column: " " for a folder, else the size in
    // whole kilobytes as "<K>KB", with 1 in place of 0.
    static std::string SizeText(const PaneRow& row);

protected:
    wxString OnGetItemText(long nItem, long nColumn) const override;
    int OnGetItemImage(long nItem) const override;

private:
    std::vector<PaneRow> m_vecRows;
};
