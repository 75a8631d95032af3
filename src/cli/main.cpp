// quorvane-cli: the receiver link on the command line.
//
// Connects to the receiver (or to the emulated receiver serving a folder),
// runs one command and disconnects.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "CliSession.h"
#include "EmulatedReceiver.h"
#include "ReceiverLink.h"
#include "TransferWatch.h"

namespace {

const char* const kDescription =
    "quorvane-cli: copy files between this PC and a TV receiver attached by USB, list the "
    "receiver's folders and manage its disk.\n"
    "Receiver paths are absolute, with \"/\" separators (a path without a leading \"/\" starts "
    "at the receiver's root).";

const char* const kFooter =
    "Commands:\n"
    "  ls [PATH]               list a receiver folder (default /): type (d folder, - file),\n"
    "                          size in bytes, name\n"
    "  df                      the receiver disk's free and total space\n"
    "  get [-r] [-f] REMOTE [LOCAL]\n"
    "                          copy a receiver file (or with -r a folder tree) to the PC;\n"
    "                          LOCAL defaults to the current folder. A file appears under its\n"
    "                          name only when complete; an existing file is kept unless -f\n"
    "  put [-r] [-f] LOCAL [REMOTE]\n"
    "                          copy a PC file (or with -r a folder tree) to the receiver;\n"
    "                          REMOTE defaults to /. A failed copy is removed from the receiver\n"
    "  mkdir PATH              make a receiver folder\n"
    "  rm [-r] PATH            delete a receiver file (or with -r a folder and its content)\n"
    "  mv OLD NEW              rename or move a receiver file or folder\n"
    "  format --yes            erase the receiver's whole disk\n"
    "Run 'quorvane-cli COMMAND --help' for a command's options.\n"
    "Exit status: 0 success, 1 failure, 2 usage error, 130 interrupted (Ctrl-C stops a copy\n"
    "cleanly after its current chunk).";

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{kDescription, "quorvane-cli"};
    app.footer(kFooter);
    app.require_subcommand(1, 1);

    std::string strEmulate;
    uint64_t nBusSpeed = 0;
    CLI::Option* pEmulate =
        app.add_option("--emulate", strEmulate,
                       "serve DIR as the receiver's disk through the built-in emulated receiver "
                       "instead of USB")
            ->option_text("DIR")
            ->check(CLI::ExistingDirectory);
    app.add_option("--bus-speed", nBusSpeed,
                   "with --emulate: limit the emulated bus to this many bytes per second, to "
                   "watch progress (0 = unlimited)")
        ->option_text("BYTES_PER_SEC")
        ->needs(pEmulate);

    std::string strPath, strOther;
    cli::CopyOptions copy;
    bool bRecursive = false;
    bool bYes = false;

    CLI::App* pLs = app.add_subcommand("ls", "list a receiver folder (default /): type, size in bytes, name");
    pLs->add_option("PATH", strPath, "receiver folder or file");

    CLI::App* pDf = app.add_subcommand("df", "show the receiver disk's free and total space");

    CLI::App* pGet = app.add_subcommand("get", "copy from the receiver to the PC (upload)");
    pGet->add_option("REMOTE", strPath, "receiver file or folder")->required();
    pGet->add_option("LOCAL", strOther,
                     "destination on the PC: a new name, or an existing folder to copy into "
                     "(default: the current folder)");
    pGet->add_flag("-r,--recursive", copy.bRecursive, "copy a folder and everything below it");
    pGet->add_flag("-f,--force", copy.bForce,
                   "replace existing files on the PC and copy into existing folders");

    CLI::App* pPut = app.add_subcommand("put", "copy from the PC to the receiver (download)");
    pPut->add_option("LOCAL", strPath, "file or folder on the PC")->required();
    pPut->add_option("REMOTE", strOther,
                     "destination on the receiver: a new path, or an existing folder to copy "
                     "into (default: /)");
    pPut->add_flag("-r,--recursive", copy.bRecursive, "copy a folder and everything below it");
    pPut->add_flag("-f,--force", copy.bForce,
                   "replace existing receiver files and copy into existing receiver folders");

    CLI::App* pMkdir = app.add_subcommand("mkdir", "make a receiver folder");
    pMkdir->add_option("PATH", strPath, "the new folder's receiver path")->required();

    CLI::App* pRm = app.add_subcommand("rm", "delete a receiver file or folder");
    pRm->add_option("PATH", strPath, "receiver path")->required();
    pRm->add_flag("-r,--recursive", bRecursive, "delete a folder with everything in it, depth first");

    CLI::App* pMv = app.add_subcommand("mv", "rename or move a receiver file or folder");
    pMv->add_option("OLD", strPath, "current receiver path")->required();
    pMv->add_option("NEW", strOther, "new receiver path (never replaces an existing entry)")->required();

    CLI::App* pFormat = app.add_subcommand("format", "erase the receiver's whole disk");
    pFormat->add_flag("--yes", bYes, "confirm that everything on the receiver may be erased");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? cli::kExitOk : cli::kExitUsage;
    }

    if (pFormat->parsed() && !bYes) {
        std::fprintf(stderr,
                     "quorvane-cli: format: this erases everything on the receiver; add --yes to "
                     "confirm\n");
        return cli::kExitUsage;
    }

    std::unique_ptr<CEmulatedReceiver> pEmu;
    if (!strEmulate.empty()) {
        pEmu = std::make_unique<CEmulatedReceiver>(strEmulate);
        pEmu->SetRecordData(false);  // nobody reads the call log here
        if (nBusSpeed > 0) pEmu->SetBusSpeed(std::chrono::microseconds(0), nBusSpeed);
        pEmu->Install();
    }

    CReceiverLink link;
    cli::InstallInterruptHandler(&link);
    cli::CCliSession session(link, ::isatty(STDERR_FILENO) == 1);
    int nStatus = session.Connect(pEmu != nullptr);
    if (nStatus != cli::kExitOk) return nStatus;

    if (pLs->parsed()) nStatus = session.Ls(strPath);
    else if (pDf->parsed()) nStatus = session.Df();
    else if (pGet->parsed()) nStatus = session.Get(strPath, strOther, copy);
    else if (pPut->parsed()) nStatus = session.Put(strPath, strOther, copy);
    else if (pMkdir->parsed()) nStatus = session.MkDir(strPath);
    else if (pRm->parsed()) nStatus = session.Rm(strPath, bRecursive);
    else if (pMv->parsed()) nStatus = session.Mv(strPath, strOther);
    else if (pFormat->parsed()) nStatus = session.Format();

    nStatus = session.Disconnect(nStatus);
    std::fflush(stdout);
    cli::InstallInterruptHandler(nullptr);
    return nStatus;
}
