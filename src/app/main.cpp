// Entry point of the quorvane program.
#include "StbApp.h"

wxIMPLEMENT_APP(CStbApp);
