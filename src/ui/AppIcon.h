// The program's icon (res/quorvane.svg): a folder above a receiver, with a
// two-way arrow between them.
#pragma once

#include <wx/iconbndl.h>

// The icon in the sizes desktops ask for, 16 to 128 pixels.
wxIconBundle CreateAppIcons();
