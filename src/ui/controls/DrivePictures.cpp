#include "DrivePictures.h"

#include <wx/bmpbndl.h>
#include <wx/image.h>

namespace
{

// Every picture is drawn on an 18 x 18 canvas; strokes sit on half pixels so
// that one-pixel lines stay crisp.
#define SVG_OPEN "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"18\" height=\"18\" viewBox=\"0 0 18 18\">"
#define SVG_CLOSE "</svg>"

// Body of a drive: a grey box with a front slot and a green lamp.
#define DRIVE_BODY(Y, H)                                                                       \
    "<rect x=\"1.5\" y=\"" #Y "\" width=\"15\" height=\"" #H "\" rx=\"1\" fill=\"#c9c9c9\" "  \
    "stroke=\"#4d4d4d\"/>"

const char* const kSvg[DRIVE_PICTURE_COUNT] = {
    // 0 a note pad with a pencil
    SVG_OPEN
    "<rect x=\"2.5\" y=\"2.5\" width=\"10\" height=\"13\" fill=\"#ffffff\" stroke=\"#555555\"/>"
    "<path d=\"M4.5 5.5h6M4.5 8h6M4.5 10.5h4\" stroke=\"#6f93c4\" fill=\"none\"/>"
    "<path d=\"M10 16l0.8-2.8 5-5 2 2-5 5z\" fill=\"#e9b82e\" stroke=\"#6b5200\" stroke-width=\"0.8\"/>"
    SVG_CLOSE,
    // 1 a closed folder
    SVG_OPEN
    "<path d=\"M1.5 4.5h5l1.5 1.5h8.5v9.5h-15z\" fill=\"#f0c34a\" stroke=\"#94700f\"/>"
    "<path d=\"M2.5 7.5h13\" stroke=\"#f8e2a0\" fill=\"none\"/>"
    SVG_CLOSE,
    // 2 an open folder
    SVG_OPEN
    "<path d=\"M1.5 15.5v-11h5l1.5 1.5h7v2.5\" fill=\"#d9a934\" stroke=\"#94700f\"/>"
    "<path d=\"M1.5 15.5l2.5-7h13l-2.5 7z\" fill=\"#f6d36b\" stroke=\"#94700f\"/>"
    SVG_CLOSE,
    // 3 a desktop computer
    SVG_OPEN
    "<rect x=\"1.5\" y=\"2.5\" width=\"15\" height=\"10\" rx=\"1\" fill=\"#d8d8d8\" stroke=\"#444444\"/>"
    "<rect x=\"3\" y=\"4\" width=\"12\" height=\"7\" fill=\"#3a78c8\"/>"
    "<rect x=\"7\" y=\"13\" width=\"4\" height=\"2\" fill=\"#666666\"/>"
    "<rect x=\"4.5\" y=\"15\" width=\"9\" height=\"1.5\" fill=\"#444444\"/>"
    SVG_CLOSE,
    // 4 a hard-disk drive
    SVG_OPEN
    "<path d=\"M1.5 7.5l2.5-3.5h10l2.5 3.5z\" fill=\"#e6e6e6\" stroke=\"#4d4d4d\"/>"
    DRIVE_BODY(7.5, 7)
    "<path d=\"M3.5 11h7\" stroke=\"#777777\" fill=\"none\"/>"
    "<circle cx=\"13.5\" cy=\"11\" r=\"1.1\" fill=\"#2fbf3a\"/>"
    SVG_CLOSE,
    // 5 a drive with an inserted disk
    SVG_OPEN
    "<rect x=\"4.5\" y=\"2.5\" width=\"9\" height=\"8\" fill=\"#3b5da6\" stroke=\"#1c2d57\"/>"
    "<rect x=\"6.5\" y=\"3.5\" width=\"5\" height=\"3\" fill=\"#ffffff\"/>"
    DRIVE_BODY(9.5, 6)
    "<path d=\"M3.5 12.5h11\" stroke=\"#262626\" stroke-width=\"1.2\" fill=\"none\"/>"
    SVG_CLOSE,
    // 6 a drive with a compact disc
    SVG_OPEN
    "<circle cx=\"9\" cy=\"7\" r=\"5.5\" fill=\"#dfe7f5\" stroke=\"#6d6d7d\"/>"
    "<path d=\"M5.2 5.2a5 5 0 0 1 3.8-2.2\" stroke=\"#d982e0\" fill=\"none\"/>"
    "<path d=\"M12.8 8.8a5 5 0 0 1-3.8 2.2\" stroke=\"#6cc4e8\" fill=\"none\"/>"
    "<circle cx=\"9\" cy=\"7\" r=\"1.7\" fill=\"#ffffff\" stroke=\"#6d6d7d\"/>"
    DRIVE_BODY(11.5, 5)
    "<circle cx=\"13.5\" cy=\"14\" r=\"1\" fill=\"#2fbf3a\"/>"
    SVG_CLOSE,
    // 7 a drive on a network cable
    SVG_OPEN
    DRIVE_BODY(1.5, 7)
    "<path d=\"M3.5 5h7\" stroke=\"#777777\" fill=\"none\"/>"
    "<circle cx=\"13.5\" cy=\"5\" r=\"1.1\" fill=\"#2fbf3a\"/>"
    "<path d=\"M9 8.5v5M2.5 13.5h13M2.5 13.5v3M15.5 13.5v3\" stroke=\"#1f6fb8\" stroke-width=\"1.5\" "
    "fill=\"none\"/>"
    SVG_CLOSE,
    // 8 a waste bin
    SVG_OPEN
    "<path d=\"M7 3.5v-1.5h4v1.5\" stroke=\"#4a5661\" fill=\"none\"/>"
    "<rect x=\"2.5\" y=\"3.5\" width=\"13\" height=\"2\" fill=\"#9aa8b5\" stroke=\"#4a5661\"/>"
    "<path d=\"M4 5.5l1 10.5h8l1-10.5z\" fill=\"#c9d3dc\" stroke=\"#4a5661\"/>"
    "<path d=\"M7.5 7.5v6.5M10.5 7.5v6.5\" stroke=\"#4a5661\" fill=\"none\"/>"
    SVG_CLOSE,
};

#undef DRIVE_BODY
#undef SVG_CLOSE
#undef SVG_OPEN

const wxBitmap& Pick(const std::vector<wxBitmap>& vec, int nIndex)
{
    static const wxBitmap s_none;
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= vec.size())
        return s_none;
    return vec[static_cast<size_t>(nIndex)];
}

}  // namespace

const char* DrivePictureSvg(int nIndex)
{
    if (nIndex < 0 || nIndex >= DRIVE_PICTURE_COUNT)
        return nullptr;
    return kSvg[nIndex];
}

void CDrivePictures::Create()
{
    if (IsCreated())
        return;
    const wxSize size(DRIVE_PICTURE_SIZE, DRIVE_PICTURE_SIZE);
    for (int i = 0; i < DRIVE_PICTURE_COUNT; ++i)
    {
        const wxBitmap bmp = wxBitmapBundle::FromSVG(kSvg[i], size).GetBitmap(size);
        m_vecNormal.push_back(bmp);
        // The grey strip: the picture without colour, lightened.
        m_vecGrey.push_back(
            bmp.IsOk() ? wxBitmap(bmp.ConvertToImage().ConvertToGreyscale().ConvertToDisabled())
                       : bmp);
    }
}

const wxBitmap& CDrivePictures::Normal(int nIndex) const { return Pick(m_vecNormal, nIndex); }

const wxBitmap& CDrivePictures::Grey(int nIndex) const { return Pick(m_vecGrey, nIndex); }
