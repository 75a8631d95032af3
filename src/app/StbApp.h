// CStbApp: the application object of Quorvane.
//
// Start-up reads the two settings (writing the defaults of missing ones),
// builds the message catalogue, applies the single-instance rule, creates the
// one receiver link (g_pReceiver) and opens the main window; the program ends
// when the main window closes. At exit the link is deleted and both settings
// are written back.
//
// Command line: --emulate DIR serves the folder DIR as the receiver's disk
// through the emulated receiver; --usb (the default) talks to the real
// receiver on USB.
#pragma once

#include <wx/app.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CEmulatedReceiver;
class CReceiverLink;
class wxCmdLineParser;

class CStbApp : public wxApp {
public:
    CStbApp();
    ~CStbApp() override;

    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;

    // The single-instance rule. When another process named strExeName runs,
    // asks "Confirm restart" (Yes/No, No by default); on Yes ends that process
    // and, only when that succeeded, calls fnStartNew to start a fresh
    // instance. Returns true when another instance was found: this start then
    // ends whatever the answer.
    static bool HandleOtherInstance(const std::string& strExeName,
                                    const std::function<bool()>& fnStartNew);

private:
    std::vector<std::string> m_vecArgs;  // our own arguments, for a restart
    std::string m_strEmulateDir;         // --emulate DIR, empty for real USB
    uint64_t m_nBusSpeed = 0;            // --bus-speed N bytes per second, 0 unlimited
    std::unique_ptr<CEmulatedReceiver> m_pEmulator;
    std::unique_ptr<CReceiverLink> m_pLink;
    bool m_bEndEarly = false;  // start-up ended before the main window
    int m_nExitCode = 0;
};
