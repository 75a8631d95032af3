// Runs the GUI tests inside a wx application without its main loop; each test
// serves events itself. wx assertions become test failures.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{

void AssertToFailure(const wxString& file, int line, const wxString& func, const wxString& cond,
                     const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "wx assertion in " << func.utf8_string() << ": " << cond.utf8_string() << " "
        << msg.utf8_string();
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    // Never the user's own settings.
    const std::filesystem::path settingsDir =
        std::filesystem::temp_directory_path() / ("quorvane-ui-tests-" + std::to_string(getpid()));
    std::filesystem::create_directories(settingsDir);
    setenv("QUORVANE_SETTINGS", (settingsDir / "settings.reg").c_str(), 1);

    wxSetAssertHandler(AssertToFailure);
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv))
    {
        std::fprintf(stderr, "ui_tests: cannot open the display; run under xvfb-run\n");
        return 1;
    }
    int nResult = 1;
    if (wxTheApp->CallOnInit())
        nResult = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::error_code ec;
    std::filesystem::remove_all(settingsDir, ec);
    return nResult;
}
