// The program's icon, drawn in code: a receiver box with its display.
#pragma once

#include <wx/iconbndl.h>

// The icon in 16, 32 and 48 pixels.
wxIconBundle CreateAppIcons();
