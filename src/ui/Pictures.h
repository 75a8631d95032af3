// The program's pictures: toolbar and centre buttons, pane images, the icon.
//
// Every picture is an SVG embedded in the binary (res/*.svg, see
// PictureData.h) and handed out as a wxBitmapBundle, so it stays sharp at any
// display scale. Button pictures are drawn on a button face of their full
// size: the up picture on a raised face, the pressed picture on a sunken face
// with the drawing shifted one pixel down and right, and the grey (disabled)
// picture on the raised face with every colour washed out to a light grey.
#pragma once

#include <wx/bmpbndl.h>
#include <wx/gdicmn.h>

#include <string>

class wxImageList;

enum class EPicture : int {
    // Top toolbar, 30 x 30.
    ConnectUp,
    ConnectPressed,
    DisconnectUp,  // the linked screens crossed out in red
    DisconnectPressed,
    PreferenceUp,
    PreferencePressed,
    AboutUp,
    AboutPressed,
    ExitUp,
    ExitPressed,
    // Pane toolbars, 40 x 30.
    NewFolderUp,
    NewFolderPressed,
    RenameUp,
    RenamePressed,
    RenameGrey,
    DeleteUp,
    DeletePressed,
    DeleteGrey,
    RefreshUp,
    RefreshPressed,
    // Centre buttons, 34 x 34: Upload (receiver to PC) points left to the
    // PC pane, Download (PC to receiver) points right to the receiver pane.
    UploadUp,
    UploadPressed,
    DownloadUp,
    DownloadPressed,
    // Pane images, 13 x 13.
    PaneFolder,
    PaneFile,
    // The program icon, designed at 64 x 64.
    AppIcon,
    Count
};

// The size a picture is designed for (the size of its button).
wxSize PictureSize(EPicture ePicture);

// The picture; size defaults to PictureSize. Each call parses the picture
// anew: keep the bundle where it is used again.
wxBitmapBundle GetPicture(EPicture ePicture, wxSize size = wxDefaultSize);

// The SVG text the picture is rendered from (empty for an unknown value).
std::string PictureSvg(EPicture ePicture);

// A small-icon list for the file panes: 13 x 13, image 0 a folder
// (PANE_IMAGE_FOLDER), image 1 a file (PANE_IMAGE_FILE). The caller owns it
// (wxListCtrl::AssignImageList).
wxImageList* CreatePaneImageList();

// The SVG text of one file of res/ by its name without ".svg"; empty when
// there is none.
std::string PictureSourceSvg(const std::string& strName);
