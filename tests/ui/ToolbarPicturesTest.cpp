// The program's pictures: every one renders at its size and shows something,
// pressed pictures differ from up pictures, grey pictures hold no colour,
// the pane images and the icon come in their sizes, and the embedded
// pictures are those of res/.
#include "UiTestSupport.h"

#include <wx/icon.h>
#include <wx/imaglist.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "AppIcon.h"
#include "PictureData.h"
#include "Pictures.h"

namespace
{

struct PixelCounts {
    int nOpaque = 0;    // pixels with alpha above half
    int nColoured = 0;  // opaque pixels whose channels differ by more than 12
};

PixelCounts CountPixels(const wxImage& image)
{
    PixelCounts counts;
    for (int y = 0; y < image.GetHeight(); ++y)
    {
        for (int x = 0; x < image.GetWidth(); ++x)
        {
            if (image.HasAlpha() && image.GetAlpha(x, y) <= 128)
                continue;
            ++counts.nOpaque;
            const int r = image.GetRed(x, y);
            const int g = image.GetGreen(x, y);
            const int b = image.GetBlue(x, y);
            counts.nColoured += std::max({r, g, b}) - std::min({r, g, b}) > 12;
        }
    }
    return counts;
}

wxImage Render(EPicture ePicture, wxSize size = wxDefaultSize)
{
    if (size == wxDefaultSize)
        size = PictureSize(ePicture);
    return GetPicture(ePicture).GetBitmap(size).ConvertToImage();
}

TEST(PicturesTest, EveryPictureRendersAtItsSizeAndShowsSomething)
{
    for (int n = 0; n < static_cast<int>(EPicture::Count); ++n)
    {
        const auto ePicture = static_cast<EPicture>(n);
        SCOPED_TRACE(n);
        const wxSize size = PictureSize(ePicture);
        ASSERT_GT(size.x, 0);
        const wxImage image = Render(ePicture);
        ASSERT_TRUE(image.IsOk());
        EXPECT_EQ(image.GetSize(), size);
        // At least a fifth of the area is drawn (the button faces fill it all).
        EXPECT_GT(CountPixels(image).nOpaque, size.x * size.y / 5);
        // Sharp at twice the size too.
        EXPECT_EQ(Render(ePicture, size * 2).GetSize(), size * 2);
    }
}

TEST(PicturesTest, SizesOfTheButtonFamilies)
{
    struct Case {
        EPicture ePicture;
        wxSize size;
    };
    const Case aCases[] = {
        {EPicture::ConnectUp, wxSize(30, 30)},   {EPicture::DisconnectPressed, wxSize(30, 30)},
        {EPicture::ExitPressed, wxSize(30, 30)}, {EPicture::NewFolderUp, wxSize(40, 30)},
        {EPicture::DeleteGrey, wxSize(40, 30)},  {EPicture::RefreshPressed, wxSize(40, 30)},
        {EPicture::UploadUp, wxSize(34, 34)},    {EPicture::DownloadPressed, wxSize(34, 34)},
        {EPicture::PaneFolder, wxSize(13, 13)},  {EPicture::PaneFile, wxSize(13, 13)},
    };
    for (const Case& c : aCases)
        EXPECT_EQ(PictureSize(c.ePicture), c.size) << static_cast<int>(c.ePicture);
}

TEST(PicturesTest, PressedAndCrossedOutPicturesDifferFromTheirUpPictures)
{
    const std::pair<EPicture, EPicture> aPairs[] = {
        {EPicture::ConnectUp, EPicture::ConnectPressed},
        {EPicture::ConnectUp, EPicture::DisconnectUp},
        {EPicture::PreferenceUp, EPicture::PreferencePressed},
        {EPicture::AboutUp, EPicture::AboutPressed},
        {EPicture::ExitUp, EPicture::ExitPressed},
        {EPicture::NewFolderUp, EPicture::NewFolderPressed},
        {EPicture::RenameUp, EPicture::RenamePressed},
        {EPicture::DeleteUp, EPicture::DeletePressed},
        {EPicture::RefreshUp, EPicture::RefreshPressed},
        {EPicture::UploadUp, EPicture::UploadPressed},
        {EPicture::DownloadUp, EPicture::DownloadPressed},
        {EPicture::UploadUp, EPicture::DownloadUp},
    };
    for (const auto& [eA, eB] : aPairs)
    {
        const wxImage a = Render(eA);
        const wxImage b = Render(eB);
        const size_t nBytes = static_cast<size_t>(a.GetWidth() * a.GetHeight() * 3);
        EXPECT_NE(std::memcmp(a.GetData(), b.GetData(), nBytes), 0)
            << static_cast<int>(eA) << " " << static_cast<int>(eB);
    }
}

TEST(PicturesTest, GreyPicturesHoldNoColour)
{
    for (auto [eUp, eGrey] : {std::pair{EPicture::RenameUp, EPicture::RenameGrey},
                              std::pair{EPicture::DeleteUp, EPicture::DeleteGrey}})
    {
        EXPECT_GT(CountPixels(Render(eUp)).nColoured, 20);
        EXPECT_EQ(CountPixels(Render(eGrey)).nColoured, 0);
    }
}

TEST(PicturesTest, RedCrossMakesTheDisconnectLook)
{
    auto countRed = [](const wxImage& image) {
        int nRed = 0;
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                nRed += image.GetRed(x, y) > 180 && image.GetGreen(x, y) < 80 &&
                        image.GetBlue(x, y) < 80;
        return nRed;
    };
    EXPECT_EQ(countRed(Render(EPicture::ConnectUp)), 0);
    EXPECT_GT(countRed(Render(EPicture::DisconnectUp)), 40);
}

TEST(PicturesTest, PaneImageListHoldsFolderThenFile)
{
    std::unique_ptr<wxImageList> pImages(CreatePaneImageList());
    ASSERT_EQ(pImages->GetImageCount(), 2);
    int nWidth = 0;
    int nHeight = 0;
    pImages->GetSize(0, nWidth, nHeight);
    EXPECT_EQ(nWidth, 13);
    EXPECT_EQ(nHeight, 13);
    // The folder is yellow, the page is not.
    auto yellow = [](const wxImage& image) {
        int n = 0;
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                n += image.GetRed(x, y) > 200 && image.GetGreen(x, y) > 150 &&
                     image.GetBlue(x, y) < 120 && (!image.HasAlpha() || image.GetAlpha(x, y) > 128);
        return n;
    };
    EXPECT_GT(yellow(pImages->GetBitmap(0).ConvertToImage()), 30);
    EXPECT_EQ(yellow(pImages->GetBitmap(1).ConvertToImage()), 0);
}

TEST(PicturesTest, AppIconComesInEverySize)
{
    const wxIconBundle icons = CreateAppIcons();
    for (int n : {16, 32, 48, 128})
    {
        const wxIcon icon = icons.GetIcon(wxSize(n, n), wxIconBundle::FALLBACK_NONE);
        ASSERT_TRUE(icon.IsOk()) << n;
        EXPECT_EQ(icon.GetWidth(), n);
    }
}

// The embedded pictures are the files of res/ (res/embed.sh was run).
TEST(PicturesTest, EmbeddedPicturesMatchTheResFolder)
{
    const std::filesystem::path res =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "res";
    if (!std::filesystem::is_directory(res))
        GTEST_SKIP() << "no source tree at " << res;
    size_t nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(res))
    {
        if (entry.path().extension() != ".svg")
            continue;
        ++nFiles;
        std::ifstream file(entry.path(), std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        EXPECT_EQ(PictureSourceSvg(entry.path().stem().string()), text.str())
            << entry.path() << " differs from its embedded copy; run res/embed.sh";
    }
    EXPECT_EQ(nFiles, g_nPictureSources);
}

}  // namespace
