// CEmulatedReceiver: a receiver in software.
//
// It serves a host folder as the receiver's disk over the receiver's own
// protocol (command wrappers, data phases, status wrappers, the three vendor
// requests) and installs itself as the UsbApi in force, so the link, the
// program and the tests run unchanged against it. Only one emulator can be
// installed at a time.
//
// Status bytes: 0 done, 1 refused (missing path, name over 59 bytes, a path
// that is relative, holds "." or "..", or leaves the served folder, a bad
// wrapper, an unknown opcode), 2 data phase not completed. Failed calls
// return libusb-style negative values: -19 the receiver is unplugged or its
// record was replaced by SetDevices, -22 a bad handle, endpoint, buffer or
// size, -5 a failure injected by FailCall, -32 a control request the device
// does not know or FailControl, -110 a read with nothing to deliver.
// Calls may come from several threads; the emulator must outlive them.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct usb_device;

// One USB call seen by the emulator, in the order made.
struct EmuCall {
    enum Kind { Init, FindBusses, FindDevices, GetBusses, Open, Close, SetConfiguration,
                ClaimInterface, ReleaseInterface, SetAltInterface, BulkWrite, BulkRead,
                ControlMsg };
    Kind kind = Init;
    int ep = 0;                 // bulk calls
    int requestType = 0;        // control calls
    int request = 0;
    int value = 0;              // also the configuration, interface or alternate setting
    int index = 0;
    int size = 0;               // length asked
    int timeout = 0;
    int result = 0;             // what the call returned
    std::vector<uint8_t> data;  // bytes written (OUT) or delivered (IN)
    std::chrono::steady_clock::time_point when;
};

// A device shown on the emulated buses.
struct EmuDeviceSpec {
    int bus = 0;                // index of the bus, 0 first
    uint16_t idVendor = 0;
    uint16_t idProduct = 0;
    uint16_t bcdUSB = 0x0200;
};

class CEmulatedReceiver {
public:
    // strRoot is the folder served as the receiver's disk; it must exist.
    explicit CEmulatedReceiver(const std::string& strRoot);
    ~CEmulatedReceiver();  // uninstalls itself if installed
    CEmulatedReceiver(const CEmulatedReceiver&) = delete;
    CEmulatedReceiver& operator=(const CEmulatedReceiver&) = delete;

    void Install();    // becomes the UsbApi in force
    void Uninstall();  // restores the real library if this emulator is in force

    // Buses and devices. Default: one bus with one receiver (RECEIVER_VID,
    // RECEIVER_PID, bcdUSB 0x0200). Every device with the receiver's ids
    // serves the same folder.
    void SetDevices(const std::vector<EmuDeviceSpec>& devices);
    void SetUnplugged(bool bUnplugged);  // the receiver leaves the bus list; its calls fail
    struct usb_device* DeviceRecord(size_t nIndex);  // record of the n-th device of SetDevices

    // Disk figures; by default the served folder's real file-system figures.
    void SetDiskSpace(uint64_t nFree, uint64_t nTotal);
    // Listings carry "." and ".." first when set (off by default).
    void SetListDots(bool bDots);

    // Faults. A refused opcode changes nothing on the disk and in the receiver's
    // state; the queries 'J', 'K' and 'L' still deliver their data, 'O'
    // delivers zeros. A call failed by FailCall returns -5 and has no effect;
    // when it is a data phase, the command is dropped and the next 13-byte
    // read on 0x81 still delivers its status wrapper (status 2).
    void RefuseOpcode(char cOpcode, uint8_t nStatus = 1);  // status byte for that opcode; 0 clears
    void FailCall(int nNth);           // the n-th bulk or control call from now (1 = next) fails
    void FailControl(bool bFail);      // every vendor control request fails
    void FailOpen(bool bFail);         // opening the device returns null
    void FailSetup(int nStep);         // 1 configuration, 2 claim, 3 alternate setting refused; 0 none
    void ShortReads(int nMissing);     // every bulk IN delivers nMissing bytes fewer (0 off)
    void SetListCountOverride(std::optional<uint32_t> nCount);  // 'J' reports this count

    // Bus speed, to make transfers watchable in demos: a latency per bulk
    // transaction and a byte rate (0 = unlimited).
    void SetBusSpeed(std::chrono::microseconds latency, uint64_t nBytesPerSecond);

    // Call log. With recording on (the default) every call is kept with its
    // bytes, chunk data included, so a long transfer grows the log by its
    // whole size: turn recording off for large transfers and long sessions.
    // With recording off the entries carry no bytes and only the latest
    // kUnrecordedLogLimit calls are kept; CallCount() still counts them all.
    static constexpr size_t kUnrecordedLogLimit = 4096;
    std::vector<EmuCall> Calls() const;
    void ClearCalls();
    void SetRecordData(bool bRecord);  // keep the bytes of each call (on by default)
    uint64_t CallCount() const;        // calls since construction or ClearCalls

    // Receiver state, for tests.
    std::string CurrentDir() const;  // receiver path, "/" at start
    bool FileOpen() const;           // a file is open for 'M'..'N'

    struct Impl;

private:
    std::unique_ptr<Impl> m_pImpl;
};
