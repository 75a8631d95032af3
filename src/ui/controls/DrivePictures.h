// The pictures of the drive combo: nine 18 x 18 pictures, normal and greyed.
//
// They are drawn from small SVG texts built into the program, so they need no
// files at run time and stay sharp on any display.
#pragma once

#include <wx/bitmap.h>

#include <vector>

// Picture indices; 4 to 7 are the drive kinds (PLACE_IMAGE_* of Places.h).
enum : int {
    DRIVE_PICTURE_NOTEPAD = 0,
    DRIVE_PICTURE_FOLDER_CLOSED = 1,
    DRIVE_PICTURE_FOLDER_OPEN = 2,
    DRIVE_PICTURE_DESKTOP = 3,
    DRIVE_PICTURE_HARD_DISK = 4,
    DRIVE_PICTURE_REMOVABLE = 5,
    DRIVE_PICTURE_OPTICAL = 6,
    DRIVE_PICTURE_NETWORK = 7,
    DRIVE_PICTURE_WASTE_BIN = 8,
};
constexpr int DRIVE_PICTURE_COUNT = 9;
constexpr int DRIVE_PICTURE_SIZE = 18;

// The SVG text of picture nIndex (0 to 8), or null for any other index.
const char* DrivePictureSvg(int nIndex);

// Both strips, made once by the first call of Create and kept for the life of
// the object. User-interface thread only.
class CDrivePictures {
public:
    // Renders the strips the first time; later calls do nothing.
    void Create();
    bool IsCreated() const { return !m_vecNormal.empty(); }

    // Picture nIndex from the normal or the grey strip; an invalid bitmap for
    // an index outside the strip or before Create.
    const wxBitmap& Normal(int nIndex) const;
    const wxBitmap& Grey(int nIndex) const;

private:
    std::vector<wxBitmap> m_vecNormal;
    std::vector<wxBitmap> m_vecGrey;
};
