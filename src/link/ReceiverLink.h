// CReceiverLink: the one object through which Quorvane talks to the receiver.
//
// Commands travel as a 23-byte command block wrapper on bulk OUT 0x01, an
// optional data phase, and a 13-byte status wrapper on bulk IN 0x81. Every
// operation returns an RL_ result code: 1 for success, negative for failure.
#pragma once

#include <atomic>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "UsbApi.h"

static_assert(std::endian::native == std::endian::little,
              "wire records are read in place and are little-endian");

#ifndef RECEIVER_VID
#define RECEIVER_VID 0x1209
#endif
#ifndef RECEIVER_PID
#define RECEIVER_PID 0x0001
#endif

enum : int {
    RL_OK = 1,
    RL_ERR_STATUS = -1,
    RL_ERR_NOT_FOUND = -2,
    RL_ERR_NO_HANDLE = -3,
    RL_ERR_SET_CONFIG = -4,
    RL_ERR_CLAIM = -5,
    RL_ERR_ALT_SETTING = -6,
    RL_ERR_CBW_WRITE = -7,
    RL_ERR_DATA_IN = -8,
    RL_ERR_DATA_OUT = -9,
    RL_ERR_CSW_READ = -10,
    RL_ERR_NO_MEMORY = -11,
    RL_ERR_BAD_MODE = -12,
    RL_ERR_LOCAL_OPEN = -13,
    RL_ERR_LOCAL_SIZE = -14,
    RL_ERR_LOCAL_WRITE = -15,
    RL_ERR_CONTROL = -16,
    RL_ERR_PATH_TOO_LONG = -17,  // a path that does not fit the 600-byte payload
    RL_ERR_LOCAL_READ = -18,     // reading the local file failed while sending
    RL_ERR_NOT_LISTED = -19,     // RecvFile: no entry of that name in the listing
};

// A short English text for a result code, for logs and the command-line tool.
const char* ResultCodeText(int nResult);

// Transfer open modes.
enum : int {
    TRANSFER_READ = 1,       // local file read, receiver writes (SendFile)
    TRANSFER_WRITE = 2,      // local file created, receiver reads (RecvFile)
    TRANSFER_READWRITE = 3,  // no caller
};

#pragma pack(push, 1)
// 16-byte payload of GetDiskInfo; sizes are split at 10^9, not 2^32.
struct DiskInfo {
    uint32_t freeHigh;
    uint32_t freeLow;
    uint32_t totalHigh;
    uint32_t totalLow;
};

// 72-byte directory entry. The name is not guaranteed to carry its NUL:
// read it with EntryName().
struct DirEntry {
    char name[60];
    uint32_t type;  // 0 file, anything else folder
    uint32_t sizeHigh;
    uint32_t sizeLow;
};
#pragma pack(pop)
static_assert(sizeof(DiskInfo) == 16);
static_assert(sizeof(DirEntry) == 72);

constexpr uint64_t kSizeSplit = 1000000000ULL;
inline uint64_t DiskFreeBytes(const DiskInfo& d) { return d.freeHigh * kSizeSplit + d.freeLow; }
inline uint64_t DiskTotalBytes(const DiskInfo& d) { return d.totalHigh * kSizeSplit + d.totalLow; }
inline uint64_t EntrySize(const DirEntry& e) { return e.sizeHigh * kSizeSplit + e.sizeLow; }
inline bool EntryIsFolder(const DirEntry& e) { return e.type != 0; }
// The entry's name bytes, bounded to the 60-byte field.
std::string EntryName(const DirEntry& e);

// Largest entry count the link accepts from a receiver before allocating.
constexpr uint32_t kMaxListCount = 1000000;
// Payload buffer of path-carrying commands: at most 599 path bytes and a NUL.
constexpr size_t kPathBufferSize = 600;

class CReceiverLink {
public:
    CReceiverLink();
    virtual ~CReceiverLink();
    CReceiverLink(const CReceiverLink&) = delete;
    CReceiverLink& operator=(const CReceiverLink&) = delete;

    // Connection
    int InitVeltraSTB(int nConfiguration, int nInterface, int nAltSetting);
    void Close();
    int StartComm();
    int EndComm();
    int Reset();

    // Transport
    void BuildCBW(uint8_t* pCBW, bool bReuseTag);
    void DrainCSW();

    // Directory and disk queries
    int GetDiskInfo(DiskInfo* pInfo);
    int GetListCnt();
    int GetList();
    int GetDirList();
    int ChangeDir(const std::string& strPath);

    // File transfers
    int OpenTransfer(const std::string& strLocal, const std::string& strRemote, int nMode);
    int OpenFile(uint32_t nSizeHigh, uint32_t nSizeLow, int nMode);
    int CloseFile();
    int AbortFile();
    int SendFile(const std::string& strLocal, const std::string& strRemote);
    int RecvFile(const std::string& strLocal, const std::string& strRemote);

    // Management commands
    int MakeDir(const std::string& strPath);
    int Delete(const std::string& strPath);
    int Rename(const std::string& strOld, const std::string& strNew);
    int Format();

    // The entries of the last listing (m_nListCount of them).
    const DirEntry* Entries() const { return reinterpret_cast<const DirEntry*>(m_pList); }

    // Fields, in their documented order; other parts of the program read them.
    struct usb_bus* m_pBus = nullptr;
    struct usb_device* m_pDevice = nullptr;
    usb_dev_handle* m_hDevice = nullptr;
    std::atomic<int32_t> m_bStop{1};
    std::atomic<int32_t> m_bIdle{1};
    int32_t m_nConfiguration = 1;
    int32_t m_nInterface = 0;
    int32_t m_nAltSetting = 0;
    std::atomic<float> m_fLocalSize{0.0f};
    std::atomic<float> m_fRemoteSize{0.0f};
    std::atomic<float> m_fDone{0.0f};
    uint32_t m_nSendChunk = 4096;
    uint32_t m_nSendTimeout = 1000;
    uint32_t m_nRecvChunk = 512;
    uint32_t m_nRecvTimeout = 1000;
    int m_hLocalFile = -1;  // POSIX descriptor of the local transfer file, -1 when none
    std::string m_strLocalPath;
    std::string m_strRemoteName;
    int32_t m_nTag = 0;
    int32_t m_nEntryIndex = 0;
    uint32_t m_nListCount = 0;
    uint8_t* m_pList = nullptr;  // view of m_vecList's bytes, null when there is no listing

private:
    // One exchange: wrapper, optional data phase, status. pCBW already holds
    // the wrapper; for IN the destination is zeroed before the read.
    int Exchange(uint8_t* pCBW, uint8_t* pData, uint32_t nDataLen, bool bIn, unsigned nTimeout);
    int Handshake(int nRequest);
    int PathCommand(uint8_t nOpcode, const std::string& strPath);
    void CloseLocal();
    void DropList();
    void AddDone(uint64_t nBytes);

    std::vector<uint8_t> m_vecList;  // owns the listing bytes
    uint64_t m_nDoneBytes = 0;       // exact count behind m_fDone
};

// The one link of the program; created and deleted by the application.
extern CReceiverLink* g_pReceiver;
