// Runs the GUI tests inside a wx application without its main loop; each test
// serves events itself. wx assertions become test failures.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <X11/Xlib.h>

namespace
{

void AssertToFailure(const wxString& file, int line, const wxString& func, const wxString& cond,
                     const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "wx assertion in " << func.utf8_string() << ": " << cond.utf8_string() << " "
        << msg.utf8_string();
}

// An X server started without -noreset (as xvfb-run starts it) resets when
// its last client leaves, and hangs up on clients that connect meanwhile; a
// test process starting right after another one can meet that. Connect with
// retries, and keep this connection open for the whole run so that the server
// cannot reset under GTK's own connection.
Display* HoldDisplay()
{
    for (int nTry = 0; nTry < 100; ++nTry)
    {
        if (Display* pDisplay = XOpenDisplay(nullptr))
            return pDisplay;
        usleep(50 * 1000);
    }
    return nullptr;
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
    // Start-up errors of wx and GTK go to stderr, not to a dialog.
    delete wxLog::SetActiveTarget(new wxLogStderr());
    wxApp::SetInstance(new wxApp);
    Display* pHeldDisplay = HoldDisplay();
    if (pHeldDisplay == nullptr || !wxEntryStart(argc, argv))
    {
        std::fprintf(stderr, "ui_tests: cannot open the display; run under xvfb-run\n");
        return 1;
    }
    int nResult = 1;
    if (wxTheApp->CallOnInit())
        nResult = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    XCloseDisplay(pHeldDisplay);
    std::error_code ec;
    std::filesystem::remove_all(settingsDir, ec);
    return nResult;
}
