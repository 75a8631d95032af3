#include "PaneList.h"

#include <wx/artprov.h>
#include <wx/imaglist.h>

#include "../TextConv.h"

CPaneList::CPaneList(wxWindow* pParent, wxWindowID nId)
    : wxListCtrl(pParent, nId, wxDefaultPosition, wxDefaultSize,
                 wxLC_REPORT | wxLC_VIRTUAL | wxBORDER_THEME)
{
    const wxSize size(16, 16);
    auto pImages = new wxImageList(size.x, size.y, true, 2);
    pImages->Add(wxArtProvider::GetBitmap(wxART_FOLDER, wxART_LIST, size));       // PANE_IMAGE_FOLDER
    pImages->Add(wxArtProvider::GetBitmap(wxART_NORMAL_FILE, wxART_LIST, size));  // PANE_IMAGE_FILE
    AssignImageList(pImages, wxIMAGE_LIST_SMALL);
}

void CPaneList::SetRows(std::vector<PaneRow> vecRows)
{
    m_vecRows = std::move(vecRows);
    // Selection and focus belong to the previous rows.
    for (long nRow : SelectedRows())
        SetItemState(nRow, 0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    SetItemCount(static_cast<long>(m_vecRows.size()));
    Refresh();
}

void CPaneList::ClearRows()
{
    SetRows({});
}

const PaneRow* CPaneList::Row(long nIndex) const
{
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_vecRows.size())
        return nullptr;
    return &m_vecRows[static_cast<size_t>(nIndex)];
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

std::string CPaneList::SizeText(const PaneRow& row)
{
    if (row.bFolder)
        return " ";
    const uint64_t nKb = row.nSize / 1024;
    return std::to_string(nKb == 0 ? 1 : nKb) + "KB";
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
