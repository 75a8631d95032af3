#include "DriveCombo.h"

#include <wx/dc.h>
#include <wx/settings.h>

#include <algorithm>
#include <utility>

#include "../TextConv.h"

namespace
{

// Space between a picture and its text, and around the text.
constexpr int kTextGap = 2;

}  // namespace

CDriveCombo::CDriveCombo(wxWindow* pParent, wxWindowID nId, const wxPoint& pos,
                         const wxSize& size)
    : wxOwnerDrawnComboBox(pParent, nId, wxEmptyString, pos, size, 0, nullptr,
                           wxCB_READONLY | wxTAB_TRAVERSAL)
{
    m_pictures.Create();
}

void CDriveCombo::FillDrives(const std::string& strMountsFile, const std::string& strSysBlock,
                             const std::string& strHome)
{
    ClearDrives();
    for (DriveItem& item : ListPlaces(strMountsFile, strSysBlock, strHome))
        AddDrive(std::move(item));
}

int CDriveCombo::AddDrive(DriveItem item)
{
    const int nIndex = Append(ToDisplay(item.strText));
    // Items and records stay in step: the list is never sorted, and items are
    // only added here.
    m_vecItems.resize(static_cast<size_t>(nIndex) + 1);
    m_vecItems[static_cast<size_t>(nIndex)] = std::move(item);
    UpdatePopupWidth();
    return nIndex;
}

void CDriveCombo::ClearDrives()
{
    Clear();
    m_vecItems.clear();
}

std::string CDriveCombo::GetSelectedPath() const
{
    const DriveItem* pItem = Item(GetSelection());
    return pItem != nullptr ? pItem->strPath : std::string();
}

const DriveItem* CDriveCombo::Item(int n) const
{
    if (n < 0 || static_cast<size_t>(n) >= m_vecItems.size() ||
        static_cast<unsigned>(n) >= GetCount())
        return nullptr;
    return &m_vecItems[static_cast<size_t>(n)];
}

CDriveCombo::ItemColours CDriveCombo::ColoursFor(bool bSelected, bool bDisabled)
{
    ItemColours colours;
    const wxColour windowText = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    if (bSelected)
    {
        colours.back = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
        colours.text = wxColour(static_cast<unsigned char>(255 - windowText.Red()),
                                static_cast<unsigned char>(255 - windowText.Green()),
                                static_cast<unsigned char>(255 - windowText.Blue()));
    }
    else
    {
        colours.back = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
        colours.text = windowText;
    }
    if (bDisabled)
        colours.text = wxSystemSettings::GetColour(wxSYS_COLOUR_INACTIVECAPTIONTEXT);
    return colours;
}

void CDriveCombo::OnDrawBackground(wxDC& dc, const wxRect& rect, int /*nItem*/, int nFlags) const
{
    // The closed control's field: PrepareBackground sets the clipping to the
    // field; the fill below replaces its colours.
    if ((nFlags & wxODCB_PAINTING_CONTROL) != 0)
        PrepareBackground(dc, rect, 0);
    const ItemColours colours =
        ColoursFor((nFlags & wxODCB_PAINTING_SELECTED) != 0, !IsEnabled());
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(colours.back));
    dc.DrawRectangle(rect);
}

void CDriveCombo::OnDrawItem(wxDC& dc, const wxRect& rect, int nItem, int nFlags) const
{
    const DriveItem* pItem = Item(nItem);
    if (pItem == nullptr)
        return;
    const bool bDisabled = !IsEnabled();
    const ItemColours colours = ColoursFor((nFlags & wxODCB_PAINTING_SELECTED) != 0, bDisabled);

    // The picture's left edge is (level - 1) pictures in; level 1 starts at
    // the item's left edge.
    const int nIndent = std::max(pItem->nLevel, 1) * DRIVE_LEVEL_INDENT;
    const wxBitmap& bmp = bDisabled ? m_pictures.Grey(pItem->nImage)
                                    : m_pictures.Normal(pItem->nImage);
    if (bmp.IsOk())
        dc.DrawBitmap(bmp, rect.x + nIndent - DRIVE_LEVEL_INDENT,
                      rect.y + std::max(0, (rect.height - DRIVE_PICTURE_SIZE) / 2), true);

    const wxString text = GetString(static_cast<unsigned>(nItem));
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.SetTextForeground(colours.text);
    const int nTextHeight = dc.GetCharHeight();
    dc.DrawText(text, rect.x + nIndent + kTextGap,
                rect.y + std::max(0, (rect.height - nTextHeight) / 2));
}

wxCoord CDriveCombo::OnMeasureItem(size_t /*nItem*/) const
{
    return std::max(DRIVE_PICTURE_SIZE + 2, GetCharHeight() + 2 * kTextGap);
}

wxCoord CDriveCombo::OnMeasureItemWidth(size_t nItem) const
{
    const DriveItem* pItem = Item(static_cast<int>(nItem));
    const int nIndent = pItem != nullptr ? std::max(pItem->nLevel, 1) * DRIVE_LEVEL_INDENT
                                         : DRIVE_LEVEL_INDENT;
    return nIndent + 2 * kTextGap + GetTextExtent(GetString(static_cast<unsigned>(nItem))).x;
}

void CDriveCombo::UpdatePopupWidth()
{
    // The closed control is narrow; the list opens as wide as its longest
    // item needs.
    int nWidth = 0;
    for (unsigned n = 0; n < GetCount(); ++n)
        nWidth = std::max(nWidth, OnMeasureItemWidth(n));
    SetPopupMinWidth(nWidth + wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, this) + 8);
}
