#include "StbApp.h"

#include <wx/cmdline.h>
#include <wx/msgdlg.h>

#include <chrono>
#include <clocale>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <unistd.h>

#include "AppSettings.h"
#include "Catalogue.h"
#include "EmulatedReceiver.h"
#include "Process.h"
#include "ReceiverLink.h"
#include "main/StbDlg.h"

namespace
{

// The caption of the restart question is the same in every language.
constexpr const char* kRestartCaption = "Confirm restart";

}  // namespace

CStbApp::CStbApp() = default;

CStbApp::~CStbApp() = default;

void CStbApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    wxApp::OnInitCmdLine(parser);
    parser.AddOption(wxEmptyString, "emulate",
                     "use the emulated receiver, serving the folder DIR as its disk",
                     wxCMD_LINE_VAL_STRING);
    parser.AddSwitch(wxEmptyString, "usb", "use the real receiver on USB (the default)");
    parser.AddOption(wxEmptyString, "bus-speed",
                     "with --emulate: limit the emulated bus to N bytes per second, "
                     "so that progress can be watched",
                     wxCMD_LINE_VAL_NUMBER);
}

bool CStbApp::OnCmdLineParsed(wxCmdLineParser& parser)
{
    if (!wxApp::OnCmdLineParsed(parser))
        return false;
    wxString dir;
    const bool bEmulate = parser.Found("emulate", &dir);
    if (bEmulate && parser.Found("usb"))
    {
        std::cerr << "quorvane: --emulate and --usb exclude each other\n";
        return false;
    }
    if (bEmulate)
    {
        std::error_code ec;
        m_strEmulateDir = std::string(dir.utf8_str());
        if (!std::filesystem::is_directory(m_strEmulateDir, ec))
        {
            std::cerr << "quorvane: --emulate: not a folder: " << m_strEmulateDir << "\n";
            return false;
        }
        m_vecArgs = {"--emulate", std::filesystem::absolute(m_strEmulateDir, ec).string()};
    }
    long nBusSpeed = 0;
    if (parser.Found("bus-speed", &nBusSpeed))
    {
        if (!bEmulate || nBusSpeed <= 0)
        {
            std::cerr << "quorvane: --bus-speed needs --emulate and a positive number\n";
            return false;
        }
        m_nBusSpeed = static_cast<uint64_t>(nBusSpeed);
        m_vecArgs.push_back("--bus-speed");
        m_vecArgs.push_back(std::to_string(nBusSpeed));
    }
    return true;
}

bool CStbApp::HandleOtherInstance(const std::string& strExeName,
                                  const std::function<bool()>& fnStartNew)
{
    const int pidOther = FindOtherInstance(strExeName, static_cast<int>(getpid()));
    if (pidOther < 1)
        return false;
    const int nAnswer = wxMessageBox(wxString::FromUTF8(MSG_ALREADY_RUNNING), kRestartCaption,
                                     wxYES_NO | wxNO_DEFAULT | wxICON_WARNING, nullptr);
    if (nAnswer == wxYES && TerminateProcessById(pidOther))
        fnStartNew();
    return true;
}

bool CStbApp::OnInit()
{
    // Parses the command line.
    if (!wxApp::OnInit())
        return false;

    // Names are decoded and sorted by the user's locale (character set and
    // collation only: numbers keep their C format).
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_COLLATE, "");

    LoadAppSettings();
    BuildCatalogue();
    SetAppDisplayName(wxString::FromUTF8(MSG_APP_TITLE));

    if (HandleOtherInstance(QUORVANE_EXE_NAME,
                            [this] { return SpawnSelfDetached(m_vecArgs); }))
    {
        m_bEndEarly = true;
        return true;
    }

    m_pLink = std::make_unique<CReceiverLink>();
    g_pReceiver = m_pLink.get();

    if (!m_strEmulateDir.empty())
    {
        m_pEmulator = std::make_unique<CEmulatedReceiver>(m_strEmulateDir);
        m_pEmulator->SetRecordData(false);  // a long session must not keep every byte
        if (m_nBusSpeed > 0)
            m_pEmulator->SetBusSpeed(std::chrono::microseconds(200), m_nBusSpeed);
        m_pEmulator->Install();
    }

    auto pDlg = new CStbDlg();
    SetTopWindow(pDlg);
    pDlg->Show();
    return true;
}

int CStbApp::OnRun()
{
    // Start-up that ended before the main window returns at once; OnExit
    // still runs and saves the settings.
    if (m_bEndEarly)
        return m_nExitCode;
    return wxApp::OnRun();
}

int CStbApp::OnExit()
{
    // The main window has ended any connection on its way out; the link goes
    // before the emulator that may be serving it.
    g_pReceiver = nullptr;
    m_pLink.reset();
    m_pEmulator.reset();
    SaveAppSettings();
    return wxApp::OnExit();
}
