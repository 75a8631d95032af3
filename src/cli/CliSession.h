// The commands of quorvane-cli, each run over one connected link.
//
// Every failure is reported as one line on stderr,
// "quorvane-cli: <operation> <path>: <what went wrong>", and the command
// returns a non-zero exit status. Files copied to the PC appear under their
// final name only when complete: nothing half-written is ever left there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ReceiverLink.h"

namespace cli {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

struct CopyOptions {
    bool bRecursive = false;
    bool bForce = false;  // replace existing files (never a file by a folder or back)
};

class CCliSession {
public:
    // bProgress: draw progress bars on stderr.
    CCliSession(CReceiverLink& link, bool bProgress);

    // InitVeltraSTB (1, 0, 0) and StartComm. bEmulated only changes the advice
    // given when the device cannot be opened.
    int Connect(bool bEmulated);
    // EndComm and Close; a failed EndComm turns a success into a failure.
    int Disconnect(int nStatus);

    int Ls(const std::string& strPath);
    int Df();
    int Get(const std::string& strRemote, const std::string& strLocal, const CopyOptions& opt);
    int Put(const std::string& strLocal, const std::string& strRemote, const CopyOptions& opt);
    int MkDir(const std::string& strPath);
    int Rm(const std::string& strPath, bool bRecursive);
    int Mv(const std::string& strOld, const std::string& strNew);
    int Format();

private:
    // What a receiver path names.
    enum class Kind { Missing, File, Folder };
    struct Found {
        Kind kind = Kind::Missing;
        uint64_t nSize = 0;
    };

    bool Normalize(const std::string& strOp, const std::string& strIn, std::string& strOut);
    // Lists the parent folder and looks the path up; leaves the parent's listing
    // in the link, as RecvFile needs it. False after reporting a failure.
    bool Lookup(const std::string& strOp, const std::string& strPath, Found& found);
    // ChangeDir + GetDirList; a copy of the entries ("." and ".." dropped).
    bool ListFolder(const std::string& strOp, const std::string& strFolder,
                    std::vector<DirEntry>& vecEntries);

    bool GetFile(const std::string& strRemote, uint64_t nSize, const std::string& strDest,
                 bool bForce);
    bool GetTree(const std::string& strRemote, const std::string& strDest, bool bForce, int nDepth);
    bool PutFile(const std::string& strLocal, const std::string& strRemote, Kind existing,
                 bool bForce);
    bool PutTree(const std::string& strLocal, const std::string& strRemote, Kind existing,
                 bool bForce, int nDepth);
    bool DeleteTree(const std::string& strFolder, int nDepth);

    // Reports a failed link operation and sends Reset, as after every failed
    // receiver command. Always false.
    bool Fail(const std::string& strOp, const std::string& strPath, int nResult);
    // Reports a failure with its own text. Always false.
    bool Refuse(const std::string& strOp, const std::string& strPath, const std::string& strWhat);
    int Status(bool bOk) const;

    CReceiverLink& m_link;
    bool m_bProgress;
};

}  // namespace cli
