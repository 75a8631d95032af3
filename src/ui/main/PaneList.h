// CPaneList: one file pane of the main window.
//
// A virtual report list: the control draws from the pane's own row vector,
// which the listing code fills in one go with SetRows. That keeps listing a
// folder of many thousand entries fast (no window call per row). Each row
// keeps the entry's original name bytes, its kind and its size; the shown
// text is only a rendering of the bytes (invalid UTF-8 shown as \xNN), and
// every operation works on the bytes.
//
// Rows are addressed by index, 0 first, in the order shown. Several rows may
// be selected at once, as in any list.
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

    // Replaces all rows; the control shows them at once, scrolled to the top,
    // with nothing selected.
    void SetRows(std::vector<PaneRow> vecRows);
    // Removes all rows.
    void ClearRows();
    // Inserts one row before nIndex (at the end when nIndex is past it);
    // returns the row's index. Selection is cleared. For whole listings use
    // SetRows: this moves every row after nIndex.
    long InsertRow(long nIndex, PaneRow row);

    // Rows.
    const std::vector<PaneRow>& Rows() const { return m_vecRows; }
    long RowCount() const { return static_cast<long>(m_vecRows.size()); }
    // The row at nIndex, or null when there is none.
    const PaneRow* Row(long nIndex) const;
    // The row's name bytes ("" when there is no such row).
    const std::string& RowName(long nIndex) const;
    // True when the row is a folder (image 0); false also when there is no row.
    bool IsRowFolder(long nIndex) const;
    // The row's size in bytes (0 for folders and when there is no row).
    uint64_t RowSize(long nIndex) const;

    // Selection. Selected rows in ascending index order; the first selected
    // row (the first in index order), or -1 when none is selected.
    std::vector<long> SelectedRows() const;
    long FirstSelectedRow() const;
    bool IsRowSelected(long nIndex) const;
    // Selects or deselects one row (others keep their state).
    void SelectRow(long nIndex, bool bSelect = true);
    // Deselects every row.
    void ClearSelection();
    // Makes the row the focused (current) row and scrolls it into view.
    void FocusRow(long nIndex);
    // The focused row, or -1.
    long FocusedRow() const;

    // The text of a row's size column: " " for a folder, else the size in
    // whole kilobytes as "<K>KB", with 1 in place of 0.
    static std::string SizeText(const PaneRow& row);
    // The text shown in column 0 for a row: the name's bytes as UTF-8, with
    // every byte that is not valid UTF-8 as \xNN.
    wxString DisplayName(long nIndex) const;

protected:
    wxString OnGetItemText(long nItem, long nColumn) const override;
    int OnGetItemImage(long nItem) const override;

private:
    std::vector<PaneRow> m_vecRows;
};
