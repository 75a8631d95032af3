// The emulated receiver: the receiver's side of the command protocol over a
// host folder, reached through a UsbApi table of plain functions that forward
// to the installed instance.

#include "EmulatedReceiver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "ReceiverLink.h"
#include "UsbApi.h"

namespace {

// Error values returned by the emulated library calls, as libusb returns -errno.
constexpr int kErrIo = -EIO;              // an injected failure
constexpr int kErrNoDevice = -ENODEV;     // the receiver has left the bus
constexpr int kErrInvalid = -EINVAL;      // a bad handle, buffer, size or endpoint
constexpr int kErrPipe = -EPIPE;          // a request the device stalls
constexpr int kErrTimedOut = -ETIMEDOUT;  // a read with nothing to deliver

constexpr int kEpOut = 0x01;
constexpr int kEpIn = 0x81;
constexpr int kCbwSize = 23;
constexpr int kCswSize = 13;
constexpr size_t kNameMax = 59;               // longest entry name that fits DirEntry
constexpr uint32_t kMaxPathPayload = 65536;   // path payloads kept in memory up to this size
constexpr int kMaxBusIndex = 255;

// Status bytes of the status wrapper.
constexpr uint8_t kStatusOk = 0;
constexpr uint8_t kStatusRefused = 1;
constexpr uint8_t kStatusPhaseError = 2;  // the data phase did not complete

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
void PutLe32(uint8_t* p, uint32_t n) {
    p[0] = uint8_t(n);
    p[1] = uint8_t(n >> 8);
    p[2] = uint8_t(n >> 16);
    p[3] = uint8_t(n >> 24);
}

// Owner of a POSIX descriptor.
class CFd {
public:
    CFd() = default;
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() { Reset(); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    CFd(CFd&& o) noexcept : m_fd(o.m_fd) { o.m_fd = -1; }
    CFd& operator=(CFd&& o) noexcept {
        if (this != &o) {
            Reset();
            m_fd = o.m_fd;
            o.m_fd = -1;
        }
        return *this;
    }
    void Reset() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// realpath(3) into a string; empty when the path does not resolve.
std::string RealPath(const std::string& strPath) {
    struct FreeDeleter {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, FreeDeleter> p(::realpath(strPath.c_str(), nullptr));
    return p ? std::string(p.get()) : std::string();
}

bool IsReceiverIds(const struct usb_device* pDev) {
    return pDev->descriptor.idVendor == RECEIVER_VID && pDev->descriptor.idProduct == RECEIVER_PID;
}

// An open device, as handed out by open(); its address is the opaque handle.
struct EmuHandle {
    struct usb_device* pDevice = nullptr;
    bool bOpen = true;
};

}  // namespace

struct CEmulatedReceiver::Impl {
    enum class Phase { Idle, DataOut, DataIn, Status };
    enum class InSource { Bytes, File, Zeros };

    // The command under way, from its wrapper to its status.
    struct Pending {
        Phase phase = Phase::Idle;
        uint8_t tag[4] = {0, 0, 0, 0};
        uint8_t cb[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        uint32_t nDataLen = 0;
        uint8_t nStatus = kStatusOk;
        bool bNoEffect = false;  // refused up front: the data phase only moves bytes
        InSource inSource = InSource::Zeros;
        std::vector<uint8_t> vecIn;  // IN bytes; beyond them the data phase is zeros
    };

    // The receiver's one open file.
    struct OpenFile {
        CFd fd;
        std::string strReceiverPath;
        uint64_t nPos = 0;
        bool bRead = false;
        bool bWrite = false;
    };

    explicit Impl(const std::string& strRoot) {
        m_strRoot = RealPath(strRoot);
        if (m_strRoot.empty()) m_strRoot = strRoot;  // every path then fails to resolve inside
        BuildDevices({EmuDeviceSpec{0, uint16_t(RECEIVER_VID), uint16_t(RECEIVER_PID), 0x0200}});
    }

    mutable std::mutex m_mutex;
    std::string m_strRoot;  // canonical host path of the served folder

    // Buses and devices. Records replaced by SetDevices are kept until the
    // emulator goes, so a pointer the link still holds never dangles.
    std::vector<EmuDeviceSpec> m_vecSpecs;
    std::vector<std::unique_ptr<struct usb_bus>> m_vecBuses;
    std::vector<std::unique_ptr<struct usb_device>> m_vecDevices;
    std::vector<std::unique_ptr<struct usb_bus>> m_vecRetiredBuses;
    std::vector<std::unique_ptr<struct usb_device>> m_vecRetiredDevices;
    std::vector<std::unique_ptr<EmuHandle>> m_vecHandles;
    bool m_bUnplugged = false;
    bool m_bLinkedUnplugged = false;  // the state the lists were last linked for

    // Receiver state.
    std::vector<std::string> m_vecCwd;  // components of the current folder
    OpenFile m_file;
    bool m_bFileOpen = false;
    Pending m_pending;
    bool m_bHaveSnapshot = false;
    uint32_t m_nSnapshotCount = 0;
    std::vector<uint8_t> m_vecSnapshot;  // 72-byte records

    // Settings and faults.
    std::optional<std::pair<uint64_t, uint64_t>> m_diskSpace;
    bool m_bListDots = false;
    std::map<uint8_t, uint8_t> m_mapRefused;
    int m_nFailCountdown = 0;
    bool m_bFailControl = false;
    bool m_bFailOpen = false;
    int m_nFailSetup = 0;
    int m_nShortReads = 0;
    std::optional<uint32_t> m_nListCountOverride;
    std::chrono::microseconds m_latency{0};
    uint64_t m_nBytesPerSecond = 0;

    // Call log.
    std::deque<EmuCall> m_log;
    uint64_t m_nCallCount = 0;
    bool m_bRecord = true;

    // ---- buses and devices ----

    void BuildDevices(const std::vector<EmuDeviceSpec>& vecSpecs) {
        for (auto& p : m_vecBuses) m_vecRetiredBuses.push_back(std::move(p));
        for (auto& p : m_vecDevices) m_vecRetiredDevices.push_back(std::move(p));
        m_vecBuses.clear();
        m_vecDevices.clear();
        m_vecSpecs = vecSpecs;
        int nBuses = 1;
        for (auto& spec : m_vecSpecs) {
            spec.bus = std::clamp(spec.bus, 0, kMaxBusIndex);
            nBuses = std::max(nBuses, spec.bus + 1);
        }
        for (int i = 0; i < nBuses; ++i) {
            auto pBus = std::make_unique<struct usb_bus>();
            std::snprintf(pBus->dirname, sizeof pBus->dirname, "%03d", i + 1);
            pBus->location = uint32_t(i + 1);
            m_vecBuses.push_back(std::move(pBus));
        }
        std::vector<int> vecDevNum(size_t(nBuses), 0);
        for (const auto& spec : m_vecSpecs) {
            auto pDev = std::make_unique<struct usb_device>();
            int nNum = ++vecDevNum[size_t(spec.bus)];
            std::snprintf(pDev->filename, sizeof pDev->filename, "%03d", nNum);
            pDev->bus = m_vecBuses[size_t(spec.bus)].get();
            pDev->devnum = uint8_t(nNum);
            pDev->descriptor.bLength = USB_DT_DEVICE_SIZE;
            pDev->descriptor.bDescriptorType = USB_DT_DEVICE;
            pDev->descriptor.bcdUSB = spec.bcdUSB;
            pDev->descriptor.idVendor = spec.idVendor;
            pDev->descriptor.idProduct = spec.idProduct;
            pDev->descriptor.bNumConfigurations = 1;
            m_vecDevices.push_back(std::move(pDev));
        }
        Relink();
    }

    // Relinks the lists when the plugged state changed since the last linking.
    void RelinkIfChanged() {
        if (m_bUnplugged != m_bLinkedUnplugged) Relink();
    }

    // Rebuilds the next/prev lists from the records, leaving out the
    // receivers while unplugged.
    void Relink() {
        m_bLinkedUnplugged = m_bUnplugged;
        for (size_t i = 0; i < m_vecBuses.size(); ++i) {
            auto* pBus = m_vecBuses[i].get();
            pBus->prev = i > 0 ? m_vecBuses[i - 1].get() : nullptr;
            pBus->next = i + 1 < m_vecBuses.size() ? m_vecBuses[i + 1].get() : nullptr;
            pBus->devices = nullptr;
            pBus->root_dev = nullptr;
        }
        std::vector<struct usb_device*> vecLast(m_vecBuses.size(), nullptr);
        for (size_t i = 0; i < m_vecDevices.size(); ++i) {
            auto* pDev = m_vecDevices[i].get();
            size_t nBus = size_t(m_vecSpecs[i].bus);
            pDev->next = nullptr;
            pDev->prev = nullptr;
            if (m_bUnplugged && IsReceiverIds(pDev)) continue;
            if (vecLast[nBus]) {
                vecLast[nBus]->next = pDev;
                pDev->prev = vecLast[nBus];
            } else {
                m_vecBuses[nBus]->devices = pDev;
            }
            vecLast[nBus] = pDev;
        }
    }

    bool IsCurrentDevice(const struct usb_device* pDev) const {
        for (const auto& p : m_vecDevices)
            if (p.get() == pDev) return true;
        return false;
    }

    // The device is on the bus: a current record, and not an unplugged receiver.
    bool IsPresent(const struct usb_device* pDev) const {
        return IsCurrentDevice(pDev) && !(m_bUnplugged && IsReceiverIds(pDev));
    }

    EmuHandle* FindHandle(usb_dev_handle* h) {
        auto* p = reinterpret_cast<EmuHandle*>(h);
        for (const auto& ph : m_vecHandles)
            if (ph.get() == p) return p->bOpen ? p : nullptr;
        return nullptr;
    }

    // 0 when the handle may carry protocol traffic, else the error to return.
    int CheckHandle(usb_dev_handle* h, EmuHandle** ppHandle) {
        EmuHandle* p = FindHandle(h);
        if (!p) return kErrInvalid;
        if (!IsPresent(p->pDevice)) return kErrNoDevice;
        if (ppHandle) *ppHandle = p;
        return 0;
    }

    // ---- call log ----

    void Log(EmuCall&& call) {
        ++m_nCallCount;
        call.when = std::chrono::steady_clock::now();
        if (!m_bRecord) {
            call.data.clear();
            while (m_log.size() >= CEmulatedReceiver::kUnrecordedLogLimit) m_log.pop_front();
        }
        m_log.push_back(std::move(call));
    }

    // A call with no endpoint, request or bytes.
    void LogSimple(EmuCall::Kind kind, int nValue, int nResult) {
        EmuCall call;
        call.kind = kind;
        call.value = nValue;
        call.result = nResult;
        Log(std::move(call));
    }

    // True when FailCall has picked this bulk or control call.
    bool TakeInjectedFailure() {
        if (m_nFailCountdown <= 0) return false;
        return --m_nFailCountdown == 0;
    }

    std::chrono::microseconds BusDelay(int nBytes) const {
        if (m_latency.count() == 0 && m_nBytesPerSecond == 0) return std::chrono::microseconds(0);
        auto delay = m_latency;
        if (m_nBytesPerSecond > 0 && nBytes > 0)
            delay += std::chrono::microseconds(uint64_t(nBytes) * 1000000ULL / m_nBytesPerSecond);
        return delay;
    }

    // ---- receiver paths ----

    // Splits an absolute receiver path into its components; false for a
    // relative path, a "." or ".." component or a component over 59 bytes.
    static bool SplitPath(const std::string& strPath, std::vector<std::string>& vecParts) {
        vecParts.clear();
        if (strPath.empty() || strPath[0] != '/') return false;
        size_t nStart = 1;
        while (nStart <= strPath.size()) {
            size_t nEnd = strPath.find('/', nStart);
            if (nEnd == std::string::npos) nEnd = strPath.size();
            std::string strPart = strPath.substr(nStart, nEnd - nStart);
            if (!strPart.empty()) {
                if (strPart == "." || strPart == ".." || strPart.size() > kNameMax) return false;
                vecParts.push_back(std::move(strPart));
            }
            nStart = nEnd + 1;
        }
        return true;
    }

    static std::string JoinReceiver(const std::vector<std::string>& vecParts) {
        std::string str;
        for (const auto& s : vecParts) str += "/" + s;
        return str.empty() ? std::string("/") : str;
    }

    std::string HostPath(const std::vector<std::string>& vecParts, size_t nCount) const {
        std::string str = m_strRoot;
        for (size_t i = 0; i < nCount && i < vecParts.size(); ++i) {
            if (str.empty() || str.back() != '/') str += '/';
            str += vecParts[i];
        }
        return str;
    }

    // A canonical host path lies in the served folder.
    bool Inside(const std::string& strCanon) const {
        if (strCanon.empty()) return false;
        if (strCanon == m_strRoot) return true;
        std::string strPrefix = m_strRoot;
        if (strPrefix.back() != '/') strPrefix += '/';
        return strCanon.compare(0, strPrefix.size(), strPrefix) == 0;
    }

    // The canonical host path of an existing entry, symbolic links followed;
    // empty when it does not exist or lies outside the served folder.
    std::string ResolveExisting(const std::vector<std::string>& vecParts, size_t nCount) const {
        std::string strCanon = RealPath(HostPath(vecParts, nCount));
        return Inside(strCanon) ? strCanon : std::string();
    }

    // The canonical host folder that holds the entry named by the last
    // component; empty for the root itself or a parent that is missing, not a
    // folder or outside the served folder.
    std::string ResolveParent(const std::vector<std::string>& vecParts) const {
        if (vecParts.empty()) return std::string();
        std::string strParent = ResolveExisting(vecParts, vecParts.size() - 1);
        struct stat st {};
        if (strParent.empty() || ::stat(strParent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return std::string();
        return strParent;
    }

    static std::string Child(const std::string& strFolder, const std::string& strName) {
        return strFolder.back() == '/' ? strFolder + strName : strFolder + "/" + strName;
    }

    // ---- listing ----

    struct Entry {
        std::string strName;
        bool bFolder = false;
        uint64_t nSize = 0;
    };

    static void PutEntry(std::vector<uint8_t>& vec, const Entry& e) {
        size_t nAt = vec.size();
        vec.resize(nAt + sizeof(DirEntry), 0);
        uint8_t* p = vec.data() + nAt;
        std::memcpy(p, e.strName.data(), std::min(e.strName.size(), kNameMax));
        PutLe32(p + 60, e.bFolder ? 1 : 0);
        uint64_t nSize = e.bFolder ? 0 : e.nSize;
        PutLe32(p + 64, uint32_t(nSize / kSizeSplit));
        PutLe32(p + 68, uint32_t(nSize % kSizeSplit));
    }

    // Snapshot of the current folder for 'J' and 'K'; false when it cannot be read.
    bool TakeSnapshot() {
        m_bHaveSnapshot = true;
        m_nSnapshotCount = 0;
        m_vecSnapshot.clear();
        std::string strFolder = ResolveExisting(m_vecCwd, m_vecCwd.size());
        if (strFolder.empty()) return false;
        DIR* pDir = ::opendir(strFolder.c_str());
        if (!pDir) return false;
        std::vector<Entry> vecEntries;
        while (struct dirent* pEnt = ::readdir(pDir)) {
            std::string strName = pEnt->d_name;
            if (strName == "." || strName == ".." || strName.size() > kNameMax) continue;
            Entry e;
            e.strName = strName;
            struct stat st {};
            if (::fstatat(dirfd(pDir), pEnt->d_name, &st, 0) == 0 ||
                ::fstatat(dirfd(pDir), pEnt->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                e.bFolder = S_ISDIR(st.st_mode);
                e.nSize = S_ISREG(st.st_mode) ? uint64_t(st.st_size) : 0;
            }
            vecEntries.push_back(std::move(e));
        }
        ::closedir(pDir);
        std::sort(vecEntries.begin(), vecEntries.end(),
                  [](const Entry& a, const Entry& b) { return a.strName < b.strName; });
        if (m_bListDots) {
            vecEntries.insert(vecEntries.begin(), {Entry{".", true, 0}, Entry{"..", true, 0}});
        }
        m_vecSnapshot.reserve(vecEntries.size() * sizeof(DirEntry));
        for (const auto& e : vecEntries) PutEntry(m_vecSnapshot, e);
        m_nSnapshotCount = uint32_t(vecEntries.size());
        return true;
    }

    void DropSnapshot() {
        m_bHaveSnapshot = false;
        m_nSnapshotCount = 0;
        m_vecSnapshot.clear();
        m_vecSnapshot.shrink_to_fit();
    }

    // ---- the open file ----

    void CloseFile() {
        m_file = OpenFile{};
        m_bFileOpen = false;
    }

    // ---- commands ----

    static bool IsInOpcode(uint8_t op) { return op == 'J' || op == 'K' || op == 'L' || op == 'O'; }
    static bool IsOutOpcode(uint8_t op) {
        return op == 'M' || op == 'N' || op == 'P' || op == 'R' || op == 'S' || op == 'T' || op == 'V';
    }

    // Handles a 23-byte write that arrives where a wrapper is expected.
    void StartCommand(const uint8_t* pBytes) {
        m_pending = Pending{};
        Pending& p = m_pending;
        std::memcpy(p.tag, pBytes + 4, 4);
        std::memcpy(p.cb, pBytes + 15, 8);
        p.nDataLen = Le32(pBytes + 8);
        bool bIn = (pBytes[12] & 0x80) != 0;
        uint8_t op = p.cb[0];
        bool bSignature = std::memcmp(pBytes, "USBC", 4) == 0;

        bool bKnown = IsInOpcode(op) || IsOutOpcode(op) || op == 'U';
        bool bDirectionOk = p.nDataLen == 0 || (bIn ? IsInOpcode(op) : IsOutOpcode(op));
        if (!bSignature || !bKnown || !bDirectionOk) {
            p.nStatus = kStatusRefused;
            p.bNoEffect = true;
        } else if (auto it = m_mapRefused.find(op); it != m_mapRefused.end()) {
            p.nStatus = it->second;
            p.bNoEffect = true;
        }

        if (p.nDataLen == 0) {
            if (!p.bNoEffect) p.nStatus = RunWithoutData(op);
            p.phase = Phase::Status;
            return;
        }
        if (!bIn) {
            p.phase = Phase::DataOut;
            return;
        }
        p.phase = Phase::DataIn;
        p.inSource = InSource::Zeros;
        if (!bSignature || !bKnown || !bDirectionOk) return;
        // The queries deliver their data even when refused; they change nothing.
        if (op == 'J') {
            bool bOk = TakeSnapshot();
            uint32_t nCount = m_nListCountOverride ? *m_nListCountOverride : m_nSnapshotCount;
            if (!bOk) nCount = 0;
            p.vecIn = {uint8_t(nCount >> 24), uint8_t(nCount >> 16), uint8_t(nCount >> 8), uint8_t(nCount)};
            p.inSource = InSource::Bytes;
            if (!bOk && !p.bNoEffect) p.nStatus = kStatusRefused;
        } else if (op == 'K') {
            bool bOk = m_bHaveSnapshot || TakeSnapshot();
            size_t nKeep = std::min<size_t>(m_vecSnapshot.size(), p.nDataLen);
            p.vecIn.assign(m_vecSnapshot.begin(), m_vecSnapshot.begin() + std::ptrdiff_t(nKeep));
            p.inSource = InSource::Bytes;
            if (!bOk && !p.bNoEffect) p.nStatus = kStatusRefused;
        } else if (op == 'L') {
            uint64_t nFree = 0, nTotal = 0;
            bool bOk = DiskFigures(nFree, nTotal);
            p.vecIn.assign(16, 0);
            PutLe32(p.vecIn.data() + 0, uint32_t(nFree / kSizeSplit));
            PutLe32(p.vecIn.data() + 4, uint32_t(nFree % kSizeSplit));
            PutLe32(p.vecIn.data() + 8, uint32_t(nTotal / kSizeSplit));
            PutLe32(p.vecIn.data() + 12, uint32_t(nTotal % kSizeSplit));
            p.inSource = InSource::Bytes;
            if (!bOk && !p.bNoEffect) p.nStatus = kStatusRefused;
        } else if (op == 'O' && !p.bNoEffect) {
            if (m_bFileOpen && m_file.bRead) p.inSource = InSource::File;
            else p.nStatus = kStatusRefused;
        }
    }

    bool DiskFigures(uint64_t& nFree, uint64_t& nTotal) const {
        if (m_diskSpace) {
            nFree = m_diskSpace->first;
            nTotal = m_diskSpace->second;
            return true;
        }
        struct statvfs sv {};
        if (::statvfs(m_strRoot.c_str(), &sv) != 0) return false;
        nFree = uint64_t(sv.f_bavail) * sv.f_frsize;
        nTotal = uint64_t(sv.f_blocks) * sv.f_frsize;
        return true;
    }

    uint8_t RunWithoutData(uint8_t op) {
        switch (op) {
            case 'U': return Format();
            case 'J': case 'K': case 'L': case 'O': case 'P': return kStatusOk;  // nothing to move
            default: return kStatusRefused;  // the path commands need their path
        }
    }

    // The OUT data phase of the pending command, exactly nDataLen bytes.
    void CompleteOut(const uint8_t* pBytes, uint32_t nSize) {
        Pending& p = m_pending;
        p.phase = Phase::Status;
        if (p.bNoEffect) return;
        uint8_t op = p.cb[0];
        if (op == 'P') {
            p.nStatus = WriteChunk(pBytes, nSize);
            return;
        }
        if (nSize > kMaxPathPayload) {
            p.nStatus = kStatusRefused;
            return;
        }
        if (op == 'R') {
            p.nStatus = Rename(pBytes, nSize);
            return;
        }
        std::string strPath = PayloadString(pBytes, nSize);
        switch (op) {
            case 'V': p.nStatus = ChangeDir(strPath); break;
            case 'S': p.nStatus = MakeDir(strPath); break;
            case 'T': p.nStatus = Delete(strPath); break;
            case 'M': p.nStatus = Open(strPath); break;
            case 'N': p.nStatus = Close(strPath); break;
            default: p.nStatus = kStatusRefused; break;
        }
    }

    // The bytes before the first NUL (all of them when there is none).
    static std::string PayloadString(const uint8_t* pBytes, size_t nSize) {
        const void* pNul = std::memchr(pBytes, 0, nSize);
        size_t nLen = pNul ? size_t(static_cast<const uint8_t*>(pNul) - pBytes) : nSize;
        return std::string(reinterpret_cast<const char*>(pBytes), nLen);
    }

    uint8_t ChangeDir(const std::string& strPath) {
        std::vector<std::string> vecParts;
        if (!SplitPath(strPath, vecParts)) return kStatusRefused;
        std::string strCanon = ResolveExisting(vecParts, vecParts.size());
        struct stat st {};
        if (strCanon.empty() || ::stat(strCanon.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return kStatusRefused;
        m_vecCwd = std::move(vecParts);
        DropSnapshot();
        return kStatusOk;
    }

    uint8_t MakeDir(const std::string& strPath) {
        std::vector<std::string> vecParts;
        if (!SplitPath(strPath, vecParts)) return kStatusRefused;
        std::string strParent = ResolveParent(vecParts);
        if (strParent.empty()) return kStatusRefused;
        return ::mkdir(Child(strParent, vecParts.back()).c_str(), 0777) == 0 ? kStatusOk : kStatusRefused;
    }

    // Deletes a file, a symbolic link (never what it points to) or an empty folder.
    uint8_t Delete(const std::string& strPath) {
        std::vector<std::string> vecParts;
        if (!SplitPath(strPath, vecParts)) return kStatusRefused;
        std::string strParent = ResolveParent(vecParts);
        if (strParent.empty()) return kStatusRefused;
        std::string strEntry = Child(strParent, vecParts.back());
        struct stat st {};
        if (::lstat(strEntry.c_str(), &st) != 0) return kStatusRefused;
        int nRc = S_ISDIR(st.st_mode) ? ::rmdir(strEntry.c_str()) : ::unlink(strEntry.c_str());
        return nRc == 0 ? kStatusOk : kStatusRefused;
    }

    // Payload: old path, NUL, new path, NUL; CB[2..3] and CB[4..5] give the
    // two lengths with their NULs.
    uint8_t Rename(const uint8_t* pBytes, uint32_t nSize) {
        uint32_t nOld = Le16(m_pending.cb + 2);
        uint32_t nNew = Le16(m_pending.cb + 4);
        if (nOld < 2 || nNew < 2 || uint64_t(nOld) + nNew > nSize) return kStatusRefused;
        std::string strOld = PayloadString(pBytes, nOld);
        std::string strNew = PayloadString(pBytes + nOld, nNew);
        std::vector<std::string> vecOld, vecNew;
        if (!SplitPath(strOld, vecOld) || !SplitPath(strNew, vecNew)) return kStatusRefused;
        std::string strOldParent = ResolveParent(vecOld);
        std::string strNewParent = ResolveParent(vecNew);
        if (strOldParent.empty() || strNewParent.empty()) return kStatusRefused;
        std::string strFrom = Child(strOldParent, vecOld.back());
        std::string strTo = Child(strNewParent, vecNew.back());
        struct stat st {};
        if (::lstat(strFrom.c_str(), &st) != 0) return kStatusRefused;
        // Never replace an existing entry.
        int nRc = ::renameat2(AT_FDCWD, strFrom.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE);
        if (nRc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            if (::lstat(strTo.c_str(), &st) == 0) return kStatusRefused;
            nRc = ::rename(strFrom.c_str(), strTo.c_str());
        }
        if (nRc != 0) return kStatusRefused;
        DropSnapshot();
        return kStatusOk;
    }

    // Empties the served folder; the folder itself stays.
    uint8_t Format() {
        CloseFile();
        DropSnapshot();
        m_vecCwd.clear();
        std::error_code ec;
        std::filesystem::directory_iterator it(m_strRoot, ec);
        if (ec) return kStatusRefused;
        bool bOk = true;
        std::vector<std::filesystem::path> vecChildren;
        for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
            if (ec) {
                bOk = false;
                break;
            }
            vecChildren.push_back(it->path());
        }
        for (const auto& path : vecChildren) {
            std::filesystem::remove_all(path, ec);  // removes links, never what they point to
            if (ec) bOk = false;
        }
        return bOk ? kStatusOk : kStatusRefused;
    }

    // 'M': CB[1] 2 = the receiver writes (create or truncate), 1 = it reads
    // (must exist), 3 = both (open or create).
    uint8_t Open(const std::string& strPath) {
        uint8_t nMode = m_pending.cb[1];
        if (nMode < 1 || nMode > 3) return kStatusRefused;
        std::vector<std::string> vecParts;
        if (!SplitPath(strPath, vecParts) || vecParts.empty()) return kStatusRefused;
        std::string strTarget;
        struct stat st {};
        std::string strParent = ResolveParent(vecParts);
        if (strParent.empty()) return kStatusRefused;
        std::string strEntry = Child(strParent, vecParts.back());
        if (::lstat(strEntry.c_str(), &st) == 0) {
            // An existing entry, through a link only when the link stays inside.
            strTarget = S_ISLNK(st.st_mode) ? ResolveExisting(vecParts, vecParts.size()) : strEntry;
            if (strTarget.empty() || ::stat(strTarget.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                return kStatusRefused;
        } else {
            if (nMode == 1) return kStatusRefused;
            strTarget = strEntry;
        }
        int nFlags = O_CLOEXEC | O_NOFOLLOW;
        if (nMode == 1) nFlags |= O_RDONLY;
        else if (nMode == 2) nFlags |= O_WRONLY | O_CREAT | O_TRUNC;
        else nFlags |= O_RDWR | O_CREAT;
        CFd fd(::open(strTarget.c_str(), nFlags, 0666));
        if (!fd.Valid()) return kStatusRefused;
        CloseFile();
        m_file.fd = std::move(fd);
        m_file.strReceiverPath = JoinReceiver(vecParts);
        m_file.nPos = 0;
        m_file.bRead = nMode != 2;
        m_file.bWrite = nMode != 1;
        m_bFileOpen = true;
        DropSnapshot();
        return kStatusOk;
    }

    // 'N': closes the open file when the path names it.
    uint8_t Close(const std::string& strPath) {
        std::vector<std::string> vecParts;
        if (!m_bFileOpen || !SplitPath(strPath, vecParts)) return kStatusRefused;
        if (JoinReceiver(vecParts) != m_file.strReceiverPath) return kStatusRefused;
        CloseFile();
        return kStatusOk;
    }

    uint8_t WriteChunk(const uint8_t* pBytes, uint32_t nSize) {
        if (!m_bFileOpen || !m_file.bWrite) return kStatusRefused;
        size_t nDone = 0;
        while (nDone < nSize) {
            ssize_t n = ::pwrite(m_file.fd.Get(), pBytes + nDone, nSize - nDone, off_t(m_file.nPos + nDone));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            nDone += size_t(n);
        }
        m_file.nPos += nDone;
        DropSnapshot();
        return nDone == nSize ? kStatusOk : kStatusRefused;
    }

    // 'O' data: nWant bytes from the file position into pOut, zeros past the
    // end (and a refused status then).
    void ReadChunk(uint8_t* pOut, size_t nWant) {
        size_t nDone = 0;
        while (nDone < nWant) {
            ssize_t n = ::pread(m_file.fd.Get(), pOut + nDone, nWant - nDone, off_t(m_file.nPos + nDone));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            nDone += size_t(n);
        }
        if (nDone < nWant) {
            std::memset(pOut + nDone, 0, nWant - nDone);
            m_pending.nStatus = kStatusRefused;
        }
        m_file.nPos += nDone;
    }

    // ---- the bulk calls ----

    int BulkWrite(usb_dev_handle* h, int ep, const char* pBytes, int nSize, int nTimeout, int& nDelayBytes) {
        EmuCall call;
        call.kind = EmuCall::BulkWrite;
        call.ep = ep;
        call.size = nSize;
        call.timeout = nTimeout;
        if (m_bRecord && pBytes && nSize > 0) call.data.assign(pBytes, pBytes + nSize);
        call.result = DoBulkWrite(h, ep, reinterpret_cast<const uint8_t*>(pBytes), nSize);
        nDelayBytes = std::max(call.result, 0);
        int nResult = call.result;
        Log(std::move(call));
        return nResult;
    }

    int DoBulkWrite(usb_dev_handle* h, int ep, const uint8_t* pBytes, int nSize) {
        if (int nErr = CheckHandle(h, nullptr)) return nErr;
        if (ep != kEpOut || nSize < 0 || (!pBytes && nSize > 0)) return kErrInvalid;
        if (TakeInjectedFailure()) {
            DataPhaseFailed(Phase::DataOut);
            return kErrIo;
        }
        bool bWrapper = nSize == kCbwSize && std::memcmp(pBytes, "USBC", 4) == 0;
        if (m_pending.phase == Phase::DataOut) {
            if (uint32_t(nSize) == m_pending.nDataLen) {
                CompleteOut(pBytes, uint32_t(nSize));
                return nSize;
            }
            if (!bWrapper) {
                // Not the length announced: the command is dropped.
                m_pending.phase = Phase::Status;
                m_pending.nStatus = kStatusPhaseError;
                return nSize;
            }
            // A new wrapper: the host gave up on the previous command.
        }
        if (nSize == kCbwSize) StartCommand(pBytes);
        else if (nSize > 0) {
            // Too short or too long for a wrapper: answered with a refused status.
            m_pending = Pending{};
            if (nSize >= 8) std::memcpy(m_pending.tag, pBytes + 4, 4);
            m_pending.phase = Phase::Status;
            m_pending.nStatus = kStatusRefused;
        }
        return nSize;
    }

    // An injected failure: a data phase under way is dropped, its status stays due.
    void DataPhaseFailed(Phase phase) {
        if (m_pending.phase != phase) return;
        m_pending.phase = Phase::Status;
        m_pending.nStatus = kStatusPhaseError;
        m_pending.vecIn.clear();
    }

    int BulkRead(usb_dev_handle* h, int ep, char* pBytes, int nSize, int nTimeout, int& nDelayBytes) {
        EmuCall call;
        call.kind = EmuCall::BulkRead;
        call.ep = ep;
        call.size = nSize;
        call.timeout = nTimeout;
        call.result = DoBulkRead(h, ep, reinterpret_cast<uint8_t*>(pBytes), nSize);
        if (m_bRecord && call.result > 0) call.data.assign(pBytes, pBytes + call.result);
        nDelayBytes = std::max(call.result, 0);
        int nResult = call.result;
        Log(std::move(call));
        return nResult;
    }

    int DoBulkRead(usb_dev_handle* h, int ep, uint8_t* pOut, int nSize) {
        if (int nErr = CheckHandle(h, nullptr)) return nErr;
        if (ep != kEpIn || nSize < 0 || (!pOut && nSize > 0)) return kErrInvalid;
        if (TakeInjectedFailure()) {
            DataPhaseFailed(Phase::DataIn);
            return kErrIo;
        }
        if (nSize == 0) return 0;
        Pending& p = m_pending;
        // Every bulk IN delivers m_nShortReads bytes fewer than it would.
        auto Shorten = [this](size_t n) {
            return n > size_t(std::max(m_nShortReads, 0)) ? n - size_t(std::max(m_nShortReads, 0)) : 0;
        };
        if (p.phase == Phase::DataIn) {
            size_t nDeliver = Shorten(std::min<uint64_t>(uint64_t(nSize), p.nDataLen));
            if (p.inSource == InSource::File) {
                ReadChunk(pOut, nDeliver);
            } else {
                size_t nBytes = p.inSource == InSource::Bytes ? std::min(nDeliver, p.vecIn.size()) : 0;
                if (nBytes) std::memcpy(pOut, p.vecIn.data(), nBytes);
                std::memset(pOut + nBytes, 0, nDeliver - nBytes);
            }
            p.vecIn.clear();
            p.vecIn.shrink_to_fit();
            p.phase = Phase::Status;
            return int(nDeliver);
        }
        if (p.phase == Phase::Status) {
            uint8_t csw[kCswSize] = {'U', 'S', 'B', 'S'};
            std::memcpy(csw + 4, p.tag, 4);
            csw[12] = p.nStatus;
            size_t nDeliver = Shorten(std::min<size_t>(size_t(nSize), kCswSize));
            std::memcpy(pOut, csw, nDeliver);
            p = Pending{};
            return int(nDeliver);
        }
        return kErrTimedOut;  // nothing to send
    }

    int ControlMsg(usb_dev_handle* h, int nType, int nRequest, int nValue, int nIndex, char* pBytes,
                   int nSize, int nTimeout) {
        EmuCall call;
        call.kind = EmuCall::ControlMsg;
        call.requestType = nType;
        call.request = nRequest;
        call.value = nValue;
        call.index = nIndex;
        call.size = nSize;
        call.timeout = nTimeout;
        bool bIn = (nType & 0x80) != 0;
        if (m_bRecord && !bIn && pBytes && nSize > 0) call.data.assign(pBytes, pBytes + nSize);
        call.result = DoControl(h, nType, nRequest, reinterpret_cast<uint8_t*>(pBytes), nSize);
        if (m_bRecord && bIn && call.result > 0) call.data.assign(pBytes, pBytes + call.result);
        int nResult = call.result;
        Log(std::move(call));
        return nResult;
    }

    int DoControl(usb_dev_handle* h, int nType, int nRequest, uint8_t* pBytes, int nSize) {
        if (int nErr = CheckHandle(h, nullptr)) return nErr;
        if (nSize < 0 || (!pBytes && nSize > 0)) return kErrInvalid;
        if (TakeInjectedFailure()) return kErrIo;
        if (m_bFailControl) return kErrPipe;
        if (nRequest != 0xCF && nRequest != 0xCE && nRequest != 0xFF) return kErrPipe;
        if (nType != 0x40 && nType != 0xC0) return kErrPipe;
        if (nRequest == 0xFF) {
            // Reset: the open file is closed and any command under way forgotten.
            CloseFile();
            m_pending = Pending{};
            DropSnapshot();
        }
        if (nType == 0x40) return nSize;
        const uint8_t reply[2] = {0x01, 0x00};
        int nDeliver = std::min(nSize, 2);
        if (nDeliver > 0) std::memcpy(pBytes, reply, size_t(nDeliver));
        return nDeliver;
    }
};

namespace {

std::atomic<CEmulatedReceiver::Impl*> g_pActive{nullptr};
// The text strerror hands out; the emulator keeps no per-call error text.
char g_szLastError[] = "emulated receiver: call failed";

using Impl = CEmulatedReceiver::Impl;

void SleepFor(std::chrono::microseconds delay) {
    if (delay.count() > 0) std::this_thread::sleep_for(delay);
}

void EmuInit() {
    if (Impl* p = g_pActive.load()) {
        std::lock_guard lock(p->m_mutex);
        p->LogSimple(EmuCall::Init, 0, 0);
    }
}

int EmuFindBusses() {
    Impl* p = g_pActive.load();
    if (!p) return 0;
    std::lock_guard lock(p->m_mutex);
    p->LogSimple(EmuCall::FindBusses, 0, 0);
    return 0;
}

int EmuFindDevices() {
    Impl* p = g_pActive.load();
    if (!p) return 0;
    std::lock_guard lock(p->m_mutex);
    p->RelinkIfChanged();
    p->LogSimple(EmuCall::FindDevices, 0, 0);
    return 0;
}

struct usb_bus* EmuGetBusses() {
    Impl* p = g_pActive.load();
    if (!p) return nullptr;
    std::lock_guard lock(p->m_mutex);
    p->RelinkIfChanged();
    struct usb_bus* pFirst = p->m_vecBuses.empty() ? nullptr : p->m_vecBuses.front().get();
    p->LogSimple(EmuCall::GetBusses, 0, pFirst ? 1 : 0);
    return pFirst;
}

usb_dev_handle* EmuOpen(struct usb_device* pDev) {
    Impl* p = g_pActive.load();
    if (!p) return nullptr;
    std::lock_guard lock(p->m_mutex);
    usb_dev_handle* h = nullptr;
    if (!p->m_bFailOpen && pDev && p->IsPresent(pDev)) {
        auto pHandle = std::make_unique<EmuHandle>();
        pHandle->pDevice = pDev;
        h = reinterpret_cast<usb_dev_handle*>(pHandle.get());
        p->m_vecHandles.push_back(std::move(pHandle));
    }
    p->LogSimple(EmuCall::Open, 0, h ? 1 : 0);
    return h;
}

int EmuClose(usb_dev_handle* h) {
    Impl* p = g_pActive.load();
    if (!p) return kErrInvalid;
    std::lock_guard lock(p->m_mutex);
    EmuHandle* pHandle = p->FindHandle(h);
    int nResult = kErrInvalid;
    if (pHandle) {
        pHandle->bOpen = false;
        nResult = 0;
    }
    p->LogSimple(EmuCall::Close, 0, nResult);
    return nResult;
}

// set_configuration, claim_interface, set_altinterface: FailSetup step nStep refuses.
int EmuSetup(EmuCall::Kind kind, int nStep, usb_dev_handle* h, int nValue) {
    Impl* p = g_pActive.load();
    if (!p) return kErrInvalid;
    std::lock_guard lock(p->m_mutex);
    int nResult = p->CheckHandle(h, nullptr);
    if (nResult == 0 && nStep != 0 && p->m_nFailSetup == nStep) nResult = -1;
    p->LogSimple(kind, nValue, nResult);
    return nResult;
}

int EmuSetConfiguration(usb_dev_handle* h, int n) { return EmuSetup(EmuCall::SetConfiguration, 1, h, n); }
int EmuClaimInterface(usb_dev_handle* h, int n) { return EmuSetup(EmuCall::ClaimInterface, 2, h, n); }
int EmuReleaseInterface(usb_dev_handle* h, int n) { return EmuSetup(EmuCall::ReleaseInterface, 0, h, n); }
int EmuSetAltInterface(usb_dev_handle* h, int n) { return EmuSetup(EmuCall::SetAltInterface, 3, h, n); }

// Runs one bulk transfer (fnTransfer(p, nBytes) returns its result and sets
// the bytes that went over the bus) under the lock, then waits the bus time
// for those bytes outside it, so other calls are not held up meanwhile.
template <typename Fn>
int EmuBulkTransfer(Fn fnTransfer) {
    Impl* p = g_pActive.load();
    if (!p) return kErrNoDevice;
    std::chrono::microseconds delay{0};
    int nResult;
    {
        std::lock_guard lock(p->m_mutex);
        int nBytes = 0;
        nResult = fnTransfer(p, nBytes);
        delay = p->BusDelay(nBytes);
    }
    SleepFor(delay);
    return nResult;
}

int EmuBulkWrite(usb_dev_handle* h, int ep, const char* pBytes, int nSize, int nTimeout) {
    return EmuBulkTransfer([&](Impl* p, int& nBytes) { return p->BulkWrite(h, ep, pBytes, nSize, nTimeout, nBytes); });
}

int EmuBulkRead(usb_dev_handle* h, int ep, char* pBytes, int nSize, int nTimeout) {
    return EmuBulkTransfer([&](Impl* p, int& nBytes) { return p->BulkRead(h, ep, pBytes, nSize, nTimeout, nBytes); });
}

int EmuControlMsg(usb_dev_handle* h, int nType, int nRequest, int nValue, int nIndex, char* pBytes, int nSize,
                  int nTimeout) {
    Impl* p = g_pActive.load();
    if (!p) return kErrNoDevice;
    std::lock_guard lock(p->m_mutex);
    return p->ControlMsg(h, nType, nRequest, nValue, nIndex, pBytes, nSize, nTimeout);
}

char* EmuStrerror() { return g_szLastError; }

const UsbApi g_emuApi = {
    EmuInit,
    EmuFindBusses,
    EmuFindDevices,
    EmuGetBusses,
    EmuOpen,
    EmuClose,
    EmuSetConfiguration,
    EmuClaimInterface,
    EmuReleaseInterface,
    EmuSetAltInterface,
    EmuBulkWrite,
    EmuBulkRead,
    EmuControlMsg,
    EmuStrerror,
};

}  // namespace

CEmulatedReceiver::CEmulatedReceiver(const std::string& strRoot) : m_pImpl(std::make_unique<Impl>(strRoot)) {}

CEmulatedReceiver::~CEmulatedReceiver() { Uninstall(); }

void CEmulatedReceiver::Install() {
    g_pActive.store(m_pImpl.get());
    SetUsbApi(&g_emuApi);
}

void CEmulatedReceiver::Uninstall() {
    Impl* pExpected = m_pImpl.get();
    if (g_pActive.compare_exchange_strong(pExpected, nullptr)) SetUsbApi(nullptr);
}

void CEmulatedReceiver::SetDevices(const std::vector<EmuDeviceSpec>& devices) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->BuildDevices(devices);
}

void CEmulatedReceiver::SetUnplugged(bool bUnplugged) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_bUnplugged = bUnplugged;
}

struct usb_device* CEmulatedReceiver::DeviceRecord(size_t nIndex) {
    std::lock_guard lock(m_pImpl->m_mutex);
    return nIndex < m_pImpl->m_vecDevices.size() ? m_pImpl->m_vecDevices[nIndex].get() : nullptr;
}

void CEmulatedReceiver::SetDiskSpace(uint64_t nFree, uint64_t nTotal) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_diskSpace = std::make_pair(nFree, nTotal);
}

void CEmulatedReceiver::SetListDots(bool bDots) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_bListDots = bDots;
}

void CEmulatedReceiver::RefuseOpcode(char cOpcode, uint8_t nStatus) {
    std::lock_guard lock(m_pImpl->m_mutex);
    if (nStatus == 0) m_pImpl->m_mapRefused.erase(uint8_t(cOpcode));
    else m_pImpl->m_mapRefused[uint8_t(cOpcode)] = nStatus;
}

void CEmulatedReceiver::FailCall(int nNth) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_nFailCountdown = std::max(nNth, 0);
}

void CEmulatedReceiver::FailControl(bool bFail) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_bFailControl = bFail;
}

void CEmulatedReceiver::FailOpen(bool bFail) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_bFailOpen = bFail;
}

void CEmulatedReceiver::FailSetup(int nStep) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_nFailSetup = nStep;
}

void CEmulatedReceiver::ShortReads(int nMissing) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_nShortReads = std::max(nMissing, 0);
}

void CEmulatedReceiver::SetListCountOverride(std::optional<uint32_t> nCount) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_nListCountOverride = nCount;
}

void CEmulatedReceiver::SetBusSpeed(std::chrono::microseconds latency, uint64_t nBytesPerSecond) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_latency = std::max(latency, std::chrono::microseconds(0));
    m_pImpl->m_nBytesPerSecond = nBytesPerSecond;
}

std::vector<EmuCall> CEmulatedReceiver::Calls() const {
    std::lock_guard lock(m_pImpl->m_mutex);
    return std::vector<EmuCall>(m_pImpl->m_log.begin(), m_pImpl->m_log.end());
}

void CEmulatedReceiver::ClearCalls() {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_log.clear();
    m_pImpl->m_nCallCount = 0;
}

void CEmulatedReceiver::SetRecordData(bool bRecord) {
    std::lock_guard lock(m_pImpl->m_mutex);
    m_pImpl->m_bRecord = bRecord;
}

uint64_t CEmulatedReceiver::CallCount() const {
    std::lock_guard lock(m_pImpl->m_mutex);
    return m_pImpl->m_nCallCount;
}

std::string CEmulatedReceiver::CurrentDir() const {
    std::lock_guard lock(m_pImpl->m_mutex);
    return Impl::JoinReceiver(m_pImpl->m_vecCwd);
}

bool CEmulatedReceiver::FileOpen() const {
    std::lock_guard lock(m_pImpl->m_mutex);
    return m_pImpl->m_bFileOpen;
}
