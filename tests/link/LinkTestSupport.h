// Shared fixture for link tests: a temporary folder served by the emulated
// receiver, a link, and helpers that read the emulator's call log.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "EmulatedReceiver.h"
#include "ReceiverLink.h"

namespace linktest {

namespace fs = std::filesystem;

inline uint32_t LE32(const std::vector<uint8_t>& v, size_t off) {
    return uint32_t(v[off]) | uint32_t(v[off + 1]) << 8 | uint32_t(v[off + 2]) << 16 |
           uint32_t(v[off + 3]) << 24;
}
inline uint16_t LE16(const std::vector<uint8_t>& v, size_t off) {
    return uint16_t(v[off] | v[off + 1] << 8);
}

// A command wrapper as seen on the bus.
struct Cbw {
    uint32_t tag;
    uint32_t length;
    uint8_t flags;
    std::vector<uint8_t> cb;  // CB[0..7]
    char Op() const { return char(cb[0]); }
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() /
                 ("qv-link-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        m_pEmu = std::make_unique<CEmulatedReceiver>(m_root.string());
        m_pEmu->Install();
    }
    void TearDown() override {
        m_link.Close();
        m_pEmu.reset();
        fs::remove_all(m_root);
    }

    void Connect() {
        ASSERT_EQ(m_link.InitVeltraSTB(1, 0, 0), RL_OK);
        m_pEmu->ClearCalls();
    }

    void MakeFile(const std::string& rel, const std::string& bytes) {
        fs::create_directories((m_root / rel).parent_path());
        std::ofstream(m_root / rel, std::ios::binary) << bytes;
    }

    // Every wrapper written to endpoint 0x01, in order.
    std::vector<Cbw> Wrappers() const {
        std::vector<Cbw> out;
        for (const EmuCall& c : m_pEmu->Calls()) {
            if (c.kind != EmuCall::BulkWrite || c.ep != 0x01 || c.size != 23 || c.data.size() < 23)
                continue;
            if (std::memcmp(c.data.data(), "USBC", 4) != 0) continue;
            out.push_back({LE32(c.data, 4), LE32(c.data, 8), c.data[12],
                           std::vector<uint8_t>(c.data.begin() + 15, c.data.begin() + 23)});
        }
        return out;
    }

    std::vector<EmuCall> CallsOf(EmuCall::Kind kind, int ep = -1) const {
        std::vector<EmuCall> out;
        for (const EmuCall& c : m_pEmu->Calls())
            if (c.kind == kind && (ep < 0 || c.ep == ep)) out.push_back(c);
        return out;
    }

    size_t BusCalls() const {
        size_t n = 0;
        for (const EmuCall& c : m_pEmu->Calls())
            n += c.kind == EmuCall::BulkWrite || c.kind == EmuCall::BulkRead ||
                 c.kind == EmuCall::ControlMsg;
        return n;
    }

    fs::path m_root;
    std::unique_ptr<CEmulatedReceiver> m_pEmu;
    CReceiverLink m_link;
};

}  // namespace linktest
