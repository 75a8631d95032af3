// Watches one running transfer from a second thread: passes an interrupt
// (Ctrl-C) on to the link's stop flag and, when asked, draws a progress bar
// on stderr about ten times a second.
#pragma once

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "ReceiverLink.h"

namespace cli {

// Set by the SIGINT/SIGTERM handler; the watch turns it into a stop request.
extern volatile std::sig_atomic_t g_bInterrupted;
// Installs the handler for SIGINT and SIGTERM. The link given is stopped
// from the handler itself as well (its stop flag is a lock-free atomic).
void InstallInterruptHandler(CReceiverLink* pLink);

// One progress line: "name  12.3 MB / 45.6 MB  27%  10.2 MB/s".
std::string ProgressLine(const std::string& strLabel, uint64_t nDone, uint64_t nTotal,
                         double fSeconds, size_t nWidth);

class CTransferWatch {
public:
    CTransferWatch(CReceiverLink& link, const std::string& strLabel, uint64_t nTotal, bool bDraw);
    ~CTransferWatch();
    CTransferWatch(const CTransferWatch&) = delete;
    CTransferWatch& operator=(const CTransferWatch&) = delete;

    // Ends the watch; a successful transfer is drawn at 100 %.
    void Finish(bool bSuccess);

private:
    void Run();
    void Draw(uint64_t nDone);

    CReceiverLink& m_link;
    std::string m_strLabel;
    uint64_t m_nTotal;
    bool m_bDraw;
    uint64_t m_nLastDone = 0;
    std::chrono::steady_clock::time_point m_start;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bQuit = false;
    bool m_bFinished = false;
    std::thread m_thread;
};

}  // namespace cli
