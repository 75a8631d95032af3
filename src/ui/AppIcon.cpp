#include "AppIcon.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/icon.h>

namespace
{

wxIcon DrawIcon(int n)
{
    wxBitmap bmp(n, n, 24);
    {
        wxMemoryDC dc(bmp);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        // The receiver's case.
        const int nTop = n / 4;
        const int nHeight = n / 2;
        dc.SetPen(wxPen(wxColour(30, 40, 60), 1));
        dc.SetBrush(wxBrush(wxColour(52, 70, 110)));
        dc.DrawRoundedRectangle(0, nTop, n, nHeight, n / 8.0);
        // Its display.
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxColour(120, 220, 255)));
        dc.DrawRectangle(n / 8, nTop + nHeight / 4, n / 2, nHeight / 2);
        // The power light.
        dc.SetBrush(wxBrush(wxColour(80, 230, 90)));
        const int nLed = n / 8 > 1 ? n / 8 : 2;
        dc.DrawRectangle(n - n / 4, nTop + nHeight / 2 - nLed / 2, nLed, nLed);
        dc.SelectObject(wxNullBitmap);
    }
    // White outside the case becomes transparent.
    wxImage image = bmp.ConvertToImage();
    image.SetMaskColour(255, 255, 255);
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    return icon;
}

}  // namespace

wxIconBundle CreateAppIcons()
{
    wxIconBundle bundle;
    for (int n : {16, 32, 48})
        bundle.AddIcon(DrawIcon(n));
    return bundle;
}
