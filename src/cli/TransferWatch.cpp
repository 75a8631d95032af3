#include "TransferWatch.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "CliText.h"

namespace cli {

volatile std::sig_atomic_t g_bInterrupted = 0;

namespace {

std::atomic<CReceiverLink*> g_pInterruptLink{nullptr};
static_assert(std::atomic<int32_t>::is_always_lock_free, "the stop flag is written from a signal handler");
static_assert(std::atomic<CReceiverLink*>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    g_bInterrupted = 1;
    if (CReceiverLink* pLink = g_pInterruptLink.load()) pLink->m_bStop.store(1);
}

size_t TerminalWidth() {
    struct winsize ws {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20) return ws.ws_col;
    return 80;
}

}  // namespace

void InstallInterruptHandler(CReceiverLink* pLink) {
    g_pInterruptLink.store(pLink);
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

std::string ProgressLine(const std::string& strLabel, uint64_t nDone, uint64_t nTotal,
                         double fSeconds, size_t nWidth) {
    const unsigned nPercent = nTotal ? unsigned(nDone * 100 / nTotal) : 100;
    const uint64_t nRate = fSeconds > 0 ? uint64_t(double(nDone) / fSeconds) : 0;
    char szFigures[96];
    std::snprintf(szFigures, sizeof szFigures, "  %s / %s  %3u%%  %s/s", HumanSize(nDone).c_str(),
                  HumanSize(nTotal).c_str(), nPercent, HumanSize(nRate).c_str());
    std::string strFigures = szFigures;
    std::string strName = DisplayName(strLabel);
    // Keep the figures whole; shorten the name from the front.
    const size_t nRoom = nWidth > strFigures.size() + 4 ? nWidth - strFigures.size() - 1 : 4;
    if (strName.size() > nRoom) strName = "..." + strName.substr(strName.size() - (nRoom - 3));
    return strName + strFigures;
}

CTransferWatch::CTransferWatch(CReceiverLink& link, const std::string& strLabel, uint64_t nTotal,
                               bool bDraw)
    : m_link(link), m_strLabel(strLabel), m_nTotal(nTotal), m_bDraw(bDraw),
      m_start(std::chrono::steady_clock::now()) {
    if (g_bInterrupted) m_link.m_bStop = 1;
    m_thread = std::thread([this] { Run(); });
}

CTransferWatch::~CTransferWatch() { Finish(false); }

void CTransferWatch::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_bQuit) {
        m_cv.wait_for(lock, std::chrono::milliseconds(100));
        // The link clears its stop flag when a transfer begins: repeat the request.
        if (g_bInterrupted) m_link.m_bStop = 1;
        if (m_bQuit) break;
        const float fDone = m_link.m_fDone.load();
        if (fDone > 0) m_nLastDone = uint64_t(fDone);
        if (m_bDraw) Draw(m_nLastDone);
    }
}

void CTransferWatch::Draw(uint64_t nDone) {
    const double fSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    const std::string strLine = ProgressLine(m_strLabel, nDone, m_nTotal, fSeconds, TerminalWidth());
    std::fprintf(stderr, "\r%s\x1b[K", strLine.c_str());
    std::fflush(stderr);
}

void CTransferWatch::Finish(bool bSuccess) {
    if (m_bFinished) return;
    m_bFinished = true;
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
    }
    m_cv.notify_all();
    m_thread.join();
    if (m_bDraw) {
        Draw(bSuccess ? m_nTotal : m_nLastDone);
        std::fputc('\n', stderr);
    }
}

}  // namespace cli
