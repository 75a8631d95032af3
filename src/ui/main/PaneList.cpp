#include "PaneList.h"

#include <wx/imaglist.h>

#include <utility>

#include "../Pictures.h"
#include "../TextConv.h"

namespace
{

const std::string g_strNoName;

}  // namespace

CPaneList::CPaneList(wxWindow* pParent, wxWindowID nId)
    : wxListCtrl(pParent, nId, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_THEME)
{
    AssignImageList(CreatePaneImageList(), wxIMAGE_LIST_SMALL);
}

void CPaneList::SetRows(std::vector<PaneRow> vecRows)
{
    // Selection and focus belong to the previous rows.
    ClearSelection();
    if (const long nFocus = FocusedRow(); nFocus != -1)
        SetItemState(nFocus, 0, wxLIST_STATE_FOCUSED);
    m_vecRows = std::move(vecRows);
    SetItemCount(RowCount());
    if (!m_vecRows.empty())
        EnsureVisible(0);
    Refresh();
}

void CPaneList::ClearRows()
{
    SetRows({});
}

long CPaneList::InsertRow(long nIndex, PaneRow row)
{
    ClearSelection();
    if (nIndex < 0 || nIndex > RowCount())
        nIndex = RowCount();
    m_vecRows.insert(m_vecRows.begin() + nIndex, std::move(row));
    SetItemCount(RowCount());
    Refresh();
    return nIndex;
}

const PaneRow* CPaneList::Row(long nIndex) const
{
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_vecRows.size())
        return nullptr;
    return &m_vecRows[static_cast<size_t>(nIndex)];
}

const std::string& CPaneList::RowName(long nIndex) const
{
    const PaneRow* pRow = Row(nIndex);
    return pRow != nullptr ? pRow->strName : g_strNoName;
}

bool CPaneList::IsRowFolder(long nIndex) const
{
    const PaneRow* pRow = Row(nIndex);
    return pRow != nullptr && pRow->bFolder;
}

uint64_t CPaneList::RowSize(long nIndex) const
{
    const PaneRow* pRow = Row(nIndex);
    return pRow != nullptr && !pRow->bFolder ? pRow->nSize : 0;
}

std::vector<long> CPaneList::SelectedRows() const
{
    std::vector<long> vecRows;
    long nRow = -1;
    while ((nRow = GetNextItem(nRow, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) != -1)
        vecRows.push_back(nRow);
    return vecRows;
}

long CPaneList::FirstSelectedRow() const
{
    return GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

bool CPaneList::IsRowSelected(long nIndex) const
{
    if (Row(nIndex) == nullptr)
        return false;
    return GetItemState(nIndex, wxLIST_STATE_SELECTED) != 0;
}

void CPaneList::SelectRow(long nIndex, bool bSelect)
{
    if (Row(nIndex) == nullptr)
        return;
    SetItemState(nIndex, bSelect ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
}

void CPaneList::ClearSelection()
{
    for (long nRow : SelectedRows())
        SetItemState(nRow, 0, wxLIST_STATE_SELECTED);
}

void CPaneList::FocusRow(long nIndex)
{
    if (Row(nIndex) == nullptr)
        return;
    SetItemState(nIndex, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    EnsureVisible(nIndex);
}

long CPaneList::FocusedRow() const
{
    return GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
}

std::string CPaneList::SizeText(const PaneRow& row)
{
    if (row.bFolder)
        return " ";
    const uint64_t nKb = row.nSize / 1024;
    return std::to_string(nKb == 0 ? 1 : nKb) + "KB";
}

wxString CPaneList::DisplayName(long nIndex) const
{
    const PaneRow* pRow = Row(nIndex);
    return pRow != nullptr ? ToDisplay(pRow->strName) : wxString();
}

wxString CPaneList::OnGetItemText(long nItem, long nColumn) const
{
    const PaneRow* pRow = Row(nItem);
    if (pRow == nullptr)
        return wxString();
    if (nColumn == PANE_COL_NAME)
        return ToDisplay(pRow->strName);
    if (nColumn == PANE_COL_SIZE)
        return wxString::FromUTF8(SizeText(*pRow));
    return wxString();
}

int CPaneList::OnGetItemImage(long nItem) const
{
    const PaneRow* pRow = Row(nItem);
    if (pRow == nullptr)
        return -1;
    return pRow->bFolder ? PANE_IMAGE_FOLDER : PANE_IMAGE_FILE;
}
