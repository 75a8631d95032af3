#include "Pictures.h"

#include <wx/imaglist.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "PictureData.h"

namespace
{

// How a picture is made from its drawings.
enum class EFace {
    None,     // the drawings alone, on a transparent background
    Up,       // a raised button face
    Pressed,  // a sunken button face, drawings shifted by one pixel
    Grey,     // a raised face, drawings washed out to grey
};

struct PictureRecipe {
    EPicture ePicture;
    int nWidth;
    int nHeight;
    EFace eFace;
    const char* pGlyph;    // res/<name>.svg
    const char* pOverlay;  // drawn over the glyph, or null
};

constexpr PictureRecipe kRecipes[] = {
    {EPicture::ConnectUp, 30, 30, EFace::Up, "connect", nullptr},
    {EPicture::ConnectPressed, 30, 30, EFace::Pressed, "connect", nullptr},
    {EPicture::DisconnectUp, 30, 30, EFace::Up, "connect", "crossout"},
    {EPicture::DisconnectPressed, 30, 30, EFace::Pressed, "connect", "crossout"},
    {EPicture::PreferenceUp, 30, 30, EFace::Up, "preference", nullptr},
    {EPicture::PreferencePressed, 30, 30, EFace::Pressed, "preference", nullptr},
    {EPicture::AboutUp, 30, 30, EFace::Up, "about", nullptr},
    {EPicture::AboutPressed, 30, 30, EFace::Pressed, "about", nullptr},
    {EPicture::ExitUp, 30, 30, EFace::Up, "exit", nullptr},
    {EPicture::ExitPressed, 30, 30, EFace::Pressed, "exit", nullptr},
    {EPicture::NewFolderUp, 40, 30, EFace::Up, "newfolder", nullptr},
    {EPicture::NewFolderPressed, 40, 30, EFace::Pressed, "newfolder", nullptr},
    {EPicture::RenameUp, 40, 30, EFace::Up, "rename", nullptr},
    {EPicture::RenamePressed, 40, 30, EFace::Pressed, "rename", nullptr},
    {EPicture::RenameGrey, 40, 30, EFace::Grey, "rename", nullptr},
    {EPicture::DeleteUp, 40, 30, EFace::Up, "delete", nullptr},
    {EPicture::DeletePressed, 40, 30, EFace::Pressed, "delete", nullptr},
    {EPicture::DeleteGrey, 40, 30, EFace::Grey, "delete", nullptr},
    {EPicture::RefreshUp, 40, 30, EFace::Up, "refresh", nullptr},
    {EPicture::RefreshPressed, 40, 30, EFace::Pressed, "refresh", nullptr},
    {EPicture::UploadUp, 34, 34, EFace::Up, "upload", nullptr},
    {EPicture::UploadPressed, 34, 34, EFace::Pressed, "upload", nullptr},
    {EPicture::DownloadUp, 34, 34, EFace::Up, "download", nullptr},
    {EPicture::DownloadPressed, 34, 34, EFace::Pressed, "download", nullptr},
    {EPicture::PaneFolder, 13, 13, EFace::None, "panefolder", nullptr},
    {EPicture::PaneFile, 13, 13, EFace::None, "panefile", nullptr},
    {EPicture::AppIcon, 64, 64, EFace::None, "quorvane", nullptr},
};
static_assert(std::size(kRecipes) == static_cast<size_t>(EPicture::Count));

const PictureRecipe* FindRecipe(EPicture ePicture)
{
    const auto n = static_cast<size_t>(ePicture);
    if (n >= std::size(kRecipes) || kRecipes[n].ePicture != ePicture)
        return nullptr;
    return &kRecipes[n];
}

// The content of an <svg> element: everything between its start tag and its
// end tag.
std::string SvgBody(const std::string& strSvg)
{
    const size_t nStart = strSvg.find("<svg");
    if (nStart == std::string::npos)
        return {};
    const size_t nOpenEnd = strSvg.find('>', nStart);
    const size_t nClose = strSvg.rfind("</svg>");
    if (nOpenEnd == std::string::npos || nClose == std::string::npos || nClose <= nOpenEnd)
        return {};
    return strSvg.substr(nOpenEnd + 1, nClose - nOpenEnd - 1);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Replaces every #rrggbb colour by a light grey of the same brightness order:
// the look of a command that cannot be used. White stays white.
std::string WashOutColours(std::string strSvg)
{
    for (size_t nPos = strSvg.find('#'); nPos != std::string::npos;
         nPos = strSvg.find('#', nPos + 1))
    {
        if (nPos + 7 > strSvg.size())
            break;
        int aRgb[3];
        bool bHex = true;
        for (int i = 0; i < 3 && bHex; ++i)
        {
            const int nHigh = HexDigit(strSvg[nPos + 1 + 2 * i]);
            const int nLow = HexDigit(strSvg[nPos + 2 + 2 * i]);
            bHex = nHigh >= 0 && nLow >= 0;
            aRgb[i] = nHigh * 16 + nLow;
        }
        if (!bHex)
            continue;
        const int nLuma = (299 * aRgb[0] + 587 * aRgb[1] + 114 * aRgb[2]) / 1000;
        const int nGrey = 255 - (255 - nLuma) * 9 / 20;
        char aText[8];
        std::snprintf(aText, sizeof(aText), "#%02x%02x%02x", nGrey, nGrey, nGrey);
        strSvg.replace(nPos, 7, aText);
    }
    return strSvg;
}

std::string Number(int n)
{
    return std::to_string(n);
}

// The button face behind a button picture of w x h pixels.
std::string FaceSvg(int w, int h, EFace eFace)
{
    const bool bPressed = eFace == EFace::Pressed;
    std::string str;
    str += "<defs><linearGradient id=\"qface\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">";
    str += bPressed ? "<stop offset=\"0\" stop-color=\"#c6c6c6\"/><stop offset=\"1\" "
                      "stop-color=\"#e0e0e0\"/>"
                    : "<stop offset=\"0\" stop-color=\"#fdfdfd\"/><stop offset=\"1\" "
                      "stop-color=\"#e2e2e2\"/>";
    str += "</linearGradient></defs>";
    str += "<rect x=\"0.5\" y=\"0.5\" width=\"" + Number(w - 1) + "\" height=\"" +
           Number(h - 1) + "\" rx=\"3\" fill=\"url(#qface)\" stroke=\"" +
           (bPressed ? "#606060" : "#929292") + "\"/>";
    if (bPressed)
    {
        // A shadow along the inside of the top edge: the face lies deeper.
        str += "<path d=\"M2 1.5 H" + Number(w - 2) + "\" stroke=\"#a8a8a8\"/>";
    }
    return str;
}

std::string ComposeSvg(const PictureRecipe& recipe)
{
    std::string strBody = SvgBody(PictureSourceSvg(recipe.pGlyph));
    if (recipe.pOverlay != nullptr)
        strBody += SvgBody(PictureSourceSvg(recipe.pOverlay));
    if (strBody.empty())
        return {};
    if (recipe.eFace == EFace::Grey)
        strBody = WashOutColours(strBody);

    const std::string strW = Number(recipe.nWidth);
    const std::string strH = Number(recipe.nHeight);
    std::string strSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + strW +
                         "\" height=\"" + strH + "\" viewBox=\"0 0 " + strW + " " + strH + "\">";
    if (recipe.eFace != EFace::None)
        strSvg += FaceSvg(recipe.nWidth, recipe.nHeight, recipe.eFace);
    if (recipe.eFace == EFace::Pressed)
        strSvg += "<g transform=\"translate(1,1)\">" + strBody + "</g>";
    else
        strSvg += strBody;
    strSvg += "</svg>";
    return strSvg;
}

}  // namespace

std::string PictureSourceSvg(const std::string& strName)
{
    for (size_t i = 0; i < g_nPictureSources; ++i)
    {
        if (strName == g_aPictureSources[i].pName)
            return g_aPictureSources[i].pSvg;
    }
    return {};
}

wxSize PictureSize(EPicture ePicture)
{
    const PictureRecipe* pRecipe = FindRecipe(ePicture);
    if (pRecipe == nullptr)
        return wxSize(0, 0);
    return wxSize(pRecipe->nWidth, pRecipe->nHeight);
}

std::string PictureSvg(EPicture ePicture)
{
    const PictureRecipe* pRecipe = FindRecipe(ePicture);
    if (pRecipe == nullptr)
        return {};
    return ComposeSvg(*pRecipe);
}

wxBitmapBundle GetPicture(EPicture ePicture, wxSize size)
{
    const PictureRecipe* pRecipe = FindRecipe(ePicture);
    if (pRecipe == nullptr)
        return wxBitmapBundle();
    if (size == wxDefaultSize)
        size = wxSize(pRecipe->nWidth, pRecipe->nHeight);
    return wxBitmapBundle::FromSVG(ComposeSvg(*pRecipe).c_str(), size);
}

wxImageList* CreatePaneImageList()
{
    const wxSize size = PictureSize(EPicture::PaneFolder);
    auto pImages = new wxImageList(size.x, size.y, false, 2);
    pImages->Add(GetPicture(EPicture::PaneFolder).GetBitmap(size));  // PANE_IMAGE_FOLDER
    pImages->Add(GetPicture(EPicture::PaneFile).GetBitmap(size));    // PANE_IMAGE_FILE
    return pImages;
}
