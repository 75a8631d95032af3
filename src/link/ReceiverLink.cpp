#include "ReceiverLink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

CReceiverLink* g_pReceiver = nullptr;

namespace {

constexpr int kEpOut = 0x01;
constexpr int kEpIn = 0x81;
constexpr int kTimeout = 1000;
constexpr int kCbwSize = 23;
constexpr int kCswSize = 13;

// Wrapper offsets.
constexpr int kOffLength = 8;
constexpr int kOffFlags = 12;
constexpr int kOffCB = 15;
constexpr uint8_t kFlagIn = 0x80;

// Vendor requests.
constexpr int kReqStart = 0xCF;
constexpr int kReqEnd = 0xCE;
constexpr int kReqReset = 0xFF;

void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

void PutLE16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// Holds m_bIdle low for the life of one public operation.
class CIdleGuard {
public:
    explicit CIdleGuard(std::atomic<int32_t>& bIdle) : m_bIdle(bIdle) { m_bIdle = 0; }
    ~CIdleGuard() { m_bIdle = 1; }
    CIdleGuard(const CIdleGuard&) = delete;
    CIdleGuard& operator=(const CIdleGuard&) = delete;

private:
    std::atomic<int32_t>& m_bIdle;
};

// Reads until the buffer is full or the file ends; -1 on a read error.
ssize_t ReadFull(int fd, uint8_t* pBuf, size_t nLen) {
    size_t nDone = 0;
    while (nDone < nLen) {
        ssize_t n = ::read(fd, pBuf + nDone, nLen - nDone);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        nDone += size_t(n);
    }
    return ssize_t(nDone);
}

bool WriteFull(int fd, const uint8_t* pBuf, size_t nLen) {
    size_t nDone = 0;
    while (nDone < nLen) {
        ssize_t n = ::write(fd, pBuf + nDone, nLen - nDone);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        nDone += size_t(n);
    }
    return true;
}

bool PathFits(const std::string& strPath) { return strPath.size() < kPathBufferSize; }

}  // namespace

std::string EntryName(const DirEntry& e) {
    return std::string(e.name, strnlen(e.name, sizeof e.name));
}

const char* ResultCodeText(int nResult) {
    switch (nResult) {
    case RL_OK: return "success";
    case RL_ERR_STATUS: return "the receiver refused the command (or it was stopped)";
    case RL_ERR_NOT_FOUND: return "no receiver found on USB";
    case RL_ERR_NO_HANDLE: return "not connected, or the receiver could not be opened";
    case RL_ERR_SET_CONFIG: return "setting the USB configuration failed";
    case RL_ERR_CLAIM: return "claiming the USB interface failed";
    case RL_ERR_ALT_SETTING: return "setting the USB alternate setting failed";
    case RL_ERR_CBW_WRITE: return "sending the command failed";
    case RL_ERR_DATA_IN: return "receiving data failed";
    case RL_ERR_DATA_OUT: return "sending data failed";
    case RL_ERR_CSW_READ: return "reading the command status failed";
    case RL_ERR_NO_MEMORY: return "not enough memory for the listing";
    case RL_ERR_BAD_MODE: return "invalid transfer mode";
    case RL_ERR_LOCAL_OPEN: return "the local file could not be opened or already exists";
    case RL_ERR_LOCAL_SIZE: return "the local file's size could not be read";
    case RL_ERR_LOCAL_WRITE: return "writing the local file failed";
    case RL_ERR_CONTROL: return "a USB control request failed";
    case RL_ERR_PATH_TOO_LONG: return "the path is too long for the receiver";
    case RL_ERR_LOCAL_READ: return "reading the local file failed";
    case RL_ERR_NOT_LISTED: return "the file is not in the receiver's listing";
    default: return "unknown error";
    }
}

CReceiverLink::CReceiverLink() = default;

CReceiverLink::~CReceiverLink() {
    // The owner closes the link first; only our own resources are released here.
    CloseLocal();
}

// ---------------------------------------------------------------- connection

int CReceiverLink::InitVeltraSTB(int nConfiguration, int nInterface, int nAltSetting) {
    CIdleGuard idle(m_bIdle);
    const UsbApi& usb = Usb();
    usb.init();
    usb.find_busses();
    usb.find_devices();

    m_nConfiguration = nConfiguration;
    m_nInterface = nInterface;
    m_nAltSetting = nAltSetting;

    bool bFound = false;
    for (m_pBus = usb.get_busses(); m_pBus && !bFound; m_pBus = bFound ? m_pBus : m_pBus->next) {
        for (m_pDevice = m_pBus->devices; m_pDevice; m_pDevice = m_pDevice->next) {
            if (m_pDevice->descriptor.idVendor == RECEIVER_VID &&
                m_pDevice->descriptor.idProduct == RECEIVER_PID) {
                bFound = true;
                break;
            }
        }
    }
    if (!bFound) {
        m_pDevice = nullptr;
        return RL_ERR_NOT_FOUND;
    }

    if (m_pDevice->descriptor.bcdUSB == 0x0200) {
        m_nSendChunk = 32768;
        m_nRecvChunk = 32768;
    } else {
        m_nSendChunk = 4096;
        m_nRecvChunk = 512;
    }
    m_nSendTimeout = kTimeout;
    m_nRecvTimeout = kTimeout;

    m_hDevice = usb.open(m_pDevice);
    if (!m_hDevice) return RL_ERR_NO_HANDLE;
    // On these failures the device stays open; the caller disconnects.
    if (usb.set_configuration(m_hDevice, m_nConfiguration) < 0) return RL_ERR_SET_CONFIG;
    if (usb.claim_interface(m_hDevice, m_nInterface) < 0) return RL_ERR_CLAIM;
    if (usb.set_altinterface(m_hDevice, m_nAltSetting) < 0) return RL_ERR_ALT_SETTING;

    std::srand(unsigned(std::time(nullptr)));
    m_nTag = std::rand() % 9999;
    return RL_OK;
}

void CReceiverLink::Close() {
    CIdleGuard idle(m_bIdle);
    CloseLocal();
    DropList();
    m_nListCount = 0;
    if (m_hDevice) {
        const UsbApi& usb = Usb();
        usb.release_interface(m_hDevice, m_nInterface);
        usb.close(m_hDevice);
        m_hDevice = nullptr;
    }
}

int CReceiverLink::Handshake(int nRequest) {
    CIdleGuard idle(m_bIdle);
    if (!m_hDevice) return RL_ERR_NO_HANDLE;
    const UsbApi& usb = Usb();
    if (usb.control_msg(m_hDevice, 0x40, nRequest, 0, m_nInterface, nullptr, 0, kTimeout) < 0)
        return RL_ERR_CONTROL;
    char reply[2] = {0, 0};  // the receiver's reply is not examined
    if (usb.control_msg(m_hDevice, 0xC0, nRequest, 0, m_nInterface, reply, 2, kTimeout) < 0)
        return RL_ERR_CONTROL;
    return RL_OK;
}

int CReceiverLink::StartComm() { return Handshake(kReqStart); }
int CReceiverLink::EndComm() { return Handshake(kReqEnd); }
int CReceiverLink::Reset() { return Handshake(kReqReset); }

// ----------------------------------------------------------------- transport

void CReceiverLink::BuildCBW(uint8_t* pCBW, bool bReuseTag) {
    if (!pCBW) return;
    std::memset(pCBW, 0, 24);
    std::memcpy(pCBW, "USBC", 4);
    if (!bReuseTag) ++m_nTag;
    PutLE32(pCBW + 4, uint32_t(m_nTag));
    pCBW[13] = 1;  // logical unit
    pCBW[14] = 8;  // command block length
}

void CReceiverLink::DrainCSW() {
    char scratch[16] = {};
    Usb().bulk_read(m_hDevice, kEpIn, scratch, kCswSize, kTimeout);
}

int CReceiverLink::Exchange(uint8_t* pCBW, uint8_t* pData, uint32_t nDataLen, bool bIn,
                            unsigned nTimeout) {
    if (!m_hDevice) return RL_ERR_NO_HANDLE;
    const UsbApi& usb = Usb();
    PutLE32(pCBW + kOffLength, nDataLen);
    pCBW[kOffFlags] = bIn ? kFlagIn : 0x00;
    if (usb.bulk_write(m_hDevice, kEpOut, reinterpret_cast<const char*>(pCBW), kCbwSize,
                       kTimeout) < 0)
        return RL_ERR_CBW_WRITE;
    if (nDataLen) {
        if (bIn) {
            std::memset(pData, 0, nDataLen);
            if (usb.bulk_read(m_hDevice, kEpIn, reinterpret_cast<char*>(pData), int(nDataLen),
                              int(nTimeout)) < 0) {
                DrainCSW();
                return RL_ERR_DATA_IN;
            }
        } else if (usb.bulk_write(m_hDevice, kEpOut, reinterpret_cast<const char*>(pData),
                                  int(nDataLen), int(nTimeout)) < 0) {
            DrainCSW();
            return RL_ERR_DATA_OUT;
        }
    }
    uint8_t csw[16] = {};
    // A short status block leaves byte 12 at zero: counted as success.
    if (usb.bulk_read(m_hDevice, kEpIn, reinterpret_cast<char*>(csw), kCswSize, kTimeout) < 0)
        return RL_ERR_CSW_READ;
    return csw[12] == 0 ? RL_OK : RL_ERR_STATUS;
}

// --------------------------------------------------------- directory and disk

int CReceiverLink::GetDiskInfo(DiskInfo* pInfo) {
    CIdleGuard idle(m_bIdle);
    DiskInfo scratch{};
    if (!pInfo) pInfo = &scratch;
    uint8_t cbw[24];
    BuildCBW(cbw, false);
    cbw[kOffCB] = 'L';
    return Exchange(cbw, reinterpret_cast<uint8_t*>(pInfo), sizeof(DiskInfo), true, kTimeout);
}

int CReceiverLink::GetListCnt() {
    uint8_t cbw[24];
    BuildCBW(cbw, false);
    cbw[kOffCB] = 'J';
    uint8_t count[4] = {};
    int nResult = Exchange(cbw, count, sizeof count, true, kTimeout);
    // The count is big-endian and replaces the old one even when refused.
    if (nResult == RL_OK || nResult == RL_ERR_STATUS)
        m_nListCount = uint32_t(count[0]) << 24 | uint32_t(count[1]) << 16 |
                       uint32_t(count[2]) << 8 | uint32_t(count[3]);
    return nResult;
}

int CReceiverLink::GetList() {
    if (!m_hDevice) return RL_ERR_NO_HANDLE;
    // A receiver reporting an absurd count must not make us allocate or read
    // past a buffer: refuse before anything is sent.
    if (m_nListCount > kMaxListCount) {
        DropList();
        return RL_ERR_NO_MEMORY;
    }
    const uint64_t nBytes = uint64_t(m_nListCount) * sizeof(DirEntry);
    const UsbApi& usb = Usb();
    uint8_t cbw[24];
    BuildCBW(cbw, false);
    cbw[kOffCB] = 'K';
    PutLE32(cbw + kOffLength, uint32_t(nBytes));
    cbw[kOffFlags] = kFlagIn;
    if (usb.bulk_write(m_hDevice, kEpOut, reinterpret_cast<const char*>(cbw), kCbwSize,
                       kTimeout) < 0)
        return RL_ERR_CBW_WRITE;

    DropList();
    try {
        m_vecList.assign(size_t(nBytes), 0);
    } catch (const std::bad_alloc&) {
        return RL_ERR_NO_MEMORY;
    }
    m_pList = m_vecList.data();

    if (usb.bulk_read(m_hDevice, kEpIn, reinterpret_cast<char*>(m_pList), int(nBytes),
                      kTimeout) < 0) {
        DropList();
        DrainCSW();
        return RL_ERR_DATA_IN;
    }
    uint8_t csw[16] = {};
    if (usb.bulk_read(m_hDevice, kEpIn, reinterpret_cast<char*>(csw), kCswSize, kTimeout) < 0) {
        DropList();
        return RL_ERR_CSW_READ;
    }
    return csw[12] == 0 ? RL_OK : RL_ERR_STATUS;
}

int CReceiverLink::GetDirList() {
    CIdleGuard idle(m_bIdle);
    int nResult = GetListCnt();
    if (nResult == RL_OK && m_nListCount > 0) nResult = GetList();
    return nResult;
}

int CReceiverLink::PathCommand(uint8_t nOpcode, const std::string& strPath) {
    CIdleGuard idle(m_bIdle);
    if (!m_hDevice) return RL_ERR_NO_HANDLE;
    if (!PathFits(strPath)) return RL_ERR_PATH_TOO_LONG;
    uint8_t payload[kPathBufferSize] = {};
    std::memcpy(payload, strPath.data(), strPath.size());
    uint8_t cbw[24];
    BuildCBW(cbw, false);
    cbw[kOffCB] = nOpcode;
    return Exchange(cbw, payload, uint32_t(strPath.size() + 1), false, kTimeout);
}

int CReceiverLink::ChangeDir(const std::string& strPath) { return PathCommand('V', strPath); }

// ------------------------------------------------------------ management

int CReceiverLink::MakeDir(const std::string& strPath) { return PathCommand('S', strPath); }

int CReceiverLink::Delete(const std::string& strPath) { return PathCommand('T', strPath); }

int CReceiverLink::Rename(const std::string& strOld, const std::string& strNew) {
    CIdleGuard idle(m_bIdle);
    if (!m_hDevice) return RL_ERR_NO_HANDLE;
    const size_t nOld = strOld.size() + 1;
    const size_t nNew = strNew.size() + 1;
    if (nOld + nNew > kPathBufferSize) return RL_ERR_PATH_TOO_LONG;
    uint8_t payload[kPathBufferSize] = {};
    std::memcpy(payload, strOld.data(), strOld.size());
    std::memcpy(payload + nOld, strNew.data(), strNew.size());
    uint8_t cbw[24];
    BuildCBW(cbw, false);
    cbw[kOffCB] = 'R';
    PutLE16(cbw + kOffCB + 2, uint32_t(nOld));
    PutLE16(cbw + kOffCB + 4, uint32_t(nNew));
    return Exchange(cbw, payload, uint32_t(nOld + nNew), false, kTimeout);
}

int CReceiverLink::Format() {
    CIdleGuard idle(m_bIdle);
    uint8_t cbw[24];
    BuildCBW(cbw, false);
    cbw[kOffCB] = 'U';
    return Exchange(cbw, nullptr, 0, false, kTimeout);
}

// ------------------------------------------------------------- transfers

void CReceiverLink::CloseLocal() {
    if (m_hLocalFile >= 0) {
        ::close(m_hLocalFile);
        m_hLocalFile = -1;
    }
}

void CReceiverLink::DropList() {
    m_vecList = std::vector<uint8_t>();
    m_pList = nullptr;
}

int CReceiverLink::OpenTransfer(const std::string& strLocal, const std::string& strRemote,
                                int nMode) {
    m_fLocalSize = 0;
    m_fRemoteSize = 0;
    m_fDone = 0;
    m_nDoneBytes = 0;
    m_strLocalPath = strLocal;
    m_strRemoteName = strRemote;

    int nFlags;
    switch (nMode) {
    case TRANSFER_READ: nFlags = O_RDONLY; break;
    case TRANSFER_WRITE: nFlags = O_WRONLY | O_CREAT | O_EXCL; break;
    case TRANSFER_READWRITE: nFlags = O_RDWR | O_CREAT; break;
    default: return RL_ERR_BAD_MODE;
    }
    CloseLocal();
    m_hLocalFile = ::open(strLocal.c_str(), nFlags | O_CLOEXEC, 0644);
    if (m_hLocalFile < 0) return RL_ERR_LOCAL_OPEN;

    struct stat st {};
    if (::fstat(m_hLocalFile, &st) != 0) return RL_ERR_LOCAL_SIZE;
    const uint64_t nSize = uint64_t(st.st_size);
    m_fLocalSize = float(nSize);
    return OpenFile(uint32_t(nSize >> 32), uint32_t(nSize), nMode);
}

int CReceiverLink::OpenFile(uint32_t nSizeHigh, uint32_t nSizeLow, int nMode) {
    if (!m_hDevice) return RL_ERR_NO_HANDLE;
    uint8_t nReceiverMode;
    switch (nMode) {
    case TRANSFER_READ: nReceiverMode = 2; break;   // the receiver writes the file
    case TRANSFER_WRITE: nReceiverMode = 1; break;  // the receiver reads the file
    case TRANSFER_READWRITE: nReceiverMode = 3; break;
    default: return RL_ERR_BAD_MODE;
    }
    if (!PathFits(m_strRemoteName)) return RL_ERR_PATH_TOO_LONG;
    uint8_t payload[kPathBufferSize] = {};
    std::memcpy(payload, m_strRemoteName.data(), m_strRemoteName.size());

    const uint64_t nSize = (uint64_t(nSizeHigh) << 32 | nSizeLow) & 0xFFFFFFFFFFFFULL;
    uint8_t cbw[24];
    BuildCBW(cbw, false);
    cbw[kOffCB] = 'M';
    cbw[kOffCB + 1] = nReceiverMode;
    PutLE16(cbw + kOffCB + 2, uint32_t(nSize >> 32));
    PutLE16(cbw + kOffCB + 4, uint32_t(nSize >> 16));
    PutLE16(cbw + kOffCB + 6, uint32_t(nSize));
    return Exchange(cbw, payload, uint32_t(m_strRemoteName.size() + 1), false, kTimeout);
}

int CReceiverLink::CloseFile() {
    CloseLocal();
    if (!m_hDevice) return RL_ERR_NO_HANDLE;
    if (!PathFits(m_strRemoteName)) return RL_ERR_PATH_TOO_LONG;
    uint8_t payload[kPathBufferSize] = {};
    std::memcpy(payload, m_strRemoteName.data(), m_strRemoteName.size());
    uint8_t cbw[24];
    BuildCBW(cbw, true);
    cbw[kOffCB] = 'N';
    int nResult = Exchange(cbw, payload, uint32_t(m_strRemoteName.size() + 1), false, kTimeout);
    if (nResult != RL_OK) return nResult;
    m_fLocalSize = 0;
    m_fRemoteSize = 0;
    m_fDone = 0;
    m_nDoneBytes = 0;
    return RL_OK;
}

int CReceiverLink::AbortFile() { return CloseFile(); }

void CReceiverLink::AddDone(uint64_t nBytes) {
    // Counted in 64 bits: a float alone stops growing by a chunk past 8 GB.
    m_nDoneBytes += nBytes;
    m_fDone = float(m_nDoneBytes);
}

int CReceiverLink::SendFile(const std::string& strLocal, const std::string& strRemote) {
    CIdleGuard idle(m_bIdle);
    int nResult = OpenTransfer(strLocal, strRemote, TRANSFER_READ);
    if (nResult < 0) return nResult;  // the caller's AbortFile closes the local file

    std::vector<uint8_t> vecChunk(m_nSendChunk);
    m_bStop = 0;
    bool bReadFailed = false;
    ssize_t nRead = ReadFull(m_hLocalFile, vecChunk.data(), vecChunk.size());
    if (nRead < 0) bReadFailed = true;

    while (nRead > 0 && !m_bStop) {
        uint8_t cbw[24];
        BuildCBW(cbw, true);
        cbw[kOffCB] = 'P';
        AddDone(uint64_t(nRead));
        nResult = Exchange(cbw, vecChunk.data(), uint32_t(nRead), false, m_nSendTimeout);
        if (nResult != RL_OK) {
            CloseLocal();  // the caller's AbortFile closes the receiver file
            return nResult;
        }
        nRead = ReadFull(m_hLocalFile, vecChunk.data(), vecChunk.size());
        if (nRead < 0) bReadFailed = true;
    }
    CloseFile();
    // A local read error is not the end of the file: the receiver's copy is
    // incomplete, and the caller must remove it.
    if (bReadFailed) return RL_ERR_LOCAL_READ;
    return m_bStop ? RL_ERR_STATUS : RL_OK;
}

int CReceiverLink::RecvFile(const std::string& strLocal, const std::string& strRemote) {
    CIdleGuard idle(m_bIdle);
    // The size comes from the listing: find the entry before touching anything.
    const size_t nSlash = strLocal.find_last_of('/');
    const std::string strName = nSlash == std::string::npos ? strLocal : strLocal.substr(nSlash + 1);
    int nIndex = -1;
    for (uint32_t i = 0; m_pList && i < m_nListCount; ++i) {
        if (EntryName(Entries()[i]) == strName) {
            nIndex = int(i);
            break;
        }
    }
    if (nIndex < 0) return RL_ERR_NOT_LISTED;

    int nResult = OpenTransfer(strLocal, strRemote, TRANSFER_WRITE);
    if (nResult < 0) return nResult;
    m_nEntryIndex = nIndex;
    const uint64_t nSize = EntrySize(Entries()[nIndex]);
    m_fRemoteSize = float(nSize);

    const UsbApi& usb = Usb();
    const uint64_t nChunk = m_nRecvChunk;
    std::vector<uint8_t> vecChunk(nChunk);
    const uint64_t nChunks = (nSize + nChunk - 1) / nChunk;
    m_bStop = 0;
    for (uint64_t i = 0; i < nChunks && !m_bStop; ++i) {
        const uint64_t nRest = nSize % nChunk;
        const uint32_t nLen = uint32_t(i == nChunks - 1 && nRest ? nRest : nChunk);
        uint8_t cbw[24];
        BuildCBW(cbw, true);
        cbw[kOffCB] = 'O';
        PutLE32(cbw + kOffLength, nLen);
        cbw[kOffFlags] = kFlagIn;
        AddDone(nLen);
        if (usb.bulk_write(m_hDevice, kEpOut, reinterpret_cast<const char*>(cbw), kCbwSize,
                           kTimeout) < 0) {
            CloseLocal();
            return RL_ERR_CBW_WRITE;
        }
        std::memset(vecChunk.data(), 0, vecChunk.size());
        // Fewer bytes than asked is a failed data phase, never zero padding.
        int nGot = usb.bulk_read(m_hDevice, kEpIn, reinterpret_cast<char*>(vecChunk.data()),
                                 int(nLen), int(m_nRecvTimeout));
        if (nGot < 0 || uint32_t(nGot) < nLen) {
            DrainCSW();
            CloseLocal();
            return RL_ERR_DATA_IN;
        }
        if (!WriteFull(m_hLocalFile, vecChunk.data(), nLen)) {
            DrainCSW();  // the chunk's status is still due; leave the bus in step
            CloseLocal();
            return RL_ERR_LOCAL_WRITE;
        }
        uint8_t csw[16] = {};
        if (usb.bulk_read(m_hDevice, kEpIn, reinterpret_cast<char*>(csw), kCswSize, kTimeout) < 0) {
            CloseLocal();
            return RL_ERR_CSW_READ;
        }
        if (csw[12] != 0) {
            CloseLocal();
            return RL_ERR_STATUS;
        }
    }
    CloseFile();
    return m_bStop ? RL_ERR_STATUS : RL_OK;
}
