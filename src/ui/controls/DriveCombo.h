// CDriveCombo: the drop-down list of places next to the host path field.
//
// An owner-drawn, read-only combo box: each item is drawn as its picture
// (indented by its level) followed by its text. Every item has a DriveItem
// record, kept by the control in item order and released with it.
#pragma once

#include <wx/odcombo.h>

#include <string>
#include <vector>

#include "DrivePictures.h"
#include "Places.h"

// Indent of one level, and the width of a picture, in pixels.
constexpr int DRIVE_LEVEL_INDENT = 18;

class CDriveCombo : public wxOwnerDrawnComboBox {
public:
    CDriveCombo(wxWindow* pParent, wxWindowID nId, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize);

    // Empties the list and adds one item per place of the host (ListPlaces:
    // the root, the home folder, the mounted removable, optical and network
    // file systems). Selects nothing. The arguments are those of ListPlaces,
    // for tests.
    void FillDrives(const std::string& strMountsFile = "/proc/self/mounts",
                    const std::string& strSysBlock = "/sys/block",
                    const std::string& strHome = HomeFolder());
    // Adds one item at the end; its text is the record's strText. Returns the
    // item's index.
    int AddDrive(DriveItem item);
    // Removes every item and record.
    void ClearDrives();

    // The selected item's path, or "" when no item is selected.
    std::string GetSelectedPath() const;
    // The record of item n, or null.
    const DriveItem* Item(int n) const;
    const std::vector<DriveItem>& Items() const { return m_vecItems; }

    // The colours an item is drawn with, from the system colours: selected
    // items on the highlight colour with the window text colour inverted,
    // others in the window colours; a disabled control writes its text in the
    // inactive caption text colour.
    struct ItemColours {
        wxColour back;
        wxColour text;
    };
    static ItemColours ColoursFor(bool bSelected, bool bDisabled);

    const CDrivePictures& Pictures() const { return m_pictures; }

protected:
    void OnDrawItem(wxDC& dc, const wxRect& rect, int nItem, int nFlags) const override;
    void OnDrawBackground(wxDC& dc, const wxRect& rect, int nItem, int nFlags) const override;
    wxCoord OnMeasureItem(size_t nItem) const override;
    wxCoord OnMeasureItemWidth(size_t nItem) const override;

private:
    void UpdatePopupWidth();

    std::vector<DriveItem> m_vecItems;  // one per item, in item order
    CDrivePictures m_pictures;
};
