#include "AppIcon.h"

#include <wx/bitmap.h>
#include <wx/icon.h>

#include "Pictures.h"

wxIconBundle CreateAppIcons()
{
    const wxBitmapBundle picture = GetPicture(EPicture::AppIcon);
    wxIconBundle bundle;
    for (int n : {16, 24, 32, 48, 64, 128})
    {
        wxIcon icon;
        icon.CopyFromBitmap(picture.GetBitmap(wxSize(n, n)));
        bundle.AddIcon(icon);
    }
    return bundle;
}
