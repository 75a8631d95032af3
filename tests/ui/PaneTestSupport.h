// Fixture of the pane listing and navigation tests: a main window, a host
// folder and a receiver disk in temporary folders, and on demand the link
// connected to the emulated receiver serving that disk.
#pragma once

#include "UiTestSupport.h"

#include <wx/listbox.h>
#include <wx/textctrl.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "AppSettings.h"
#include "Catalogue.h"
#include "EmulatedReceiver.h"
#include "ReceiverLink.h"
#include "main/StbDlg.h"

class PaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nLanguage = LANGUAGE_ENGLISH;
        BuildCatalogue();
        g_bShowStatus = 1;
        g_bHostSortAscending = 0;
        g_bDeviceSortAscending = 0;
        g_bDeviceItemEditable = 0;
        const std::string strTag = std::to_string(getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_host = std::filesystem::temp_directory_path() / ("quorvane-host-" + strTag);
        m_disk = std::filesystem::temp_directory_path() / ("quorvane-disk-" + strTag);
        std::filesystem::remove_all(m_host);
        std::filesystem::remove_all(m_disk);
        std::filesystem::create_directories(m_host);
        std::filesystem::create_directories(m_disk);
        m_pDlg = new CStbDlg();
        m_pDlg->Show();
        ServeEvents();
    }

    void TearDown() override
    {
        // Closing the window ends the connection through the link.
        m_pDlg->Close(true);
        wxTheApp->ProcessIdle();
        g_pReceiver = nullptr;
        m_pLink.reset();
        m_pEmulator.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_host, ec);
        std::filesystem::remove_all(m_disk, ec);
    }

    // Connects the link to the emulated receiver serving m_disk, at "/".
    void Connect()
    {
        m_pEmulator = std::make_unique<CEmulatedReceiver>(m_disk.string());
        m_pEmulator->Install();
        m_pLink = std::make_unique<CReceiverLink>();
        g_pReceiver = m_pLink.get();
        ASSERT_EQ(m_pLink->InitVeltraSTB(1, 0, 0), RL_OK);
        ASSERT_EQ(m_pLink->StartComm(), RL_OK);
        ASSERT_EQ(m_pLink->ChangeDir("/"), RL_OK);
    }

    // A file of nSize bytes (sparse, so gigabytes cost nothing).
    static void MakeFile(const std::filesystem::path& path, uint64_t nSize)
    {
        std::ofstream(path).close();
        std::filesystem::resize_file(path, nSize);
    }

    static std::vector<std::string> Names(const CPaneList* pList)
    {
        std::vector<std::string> vecNames;
        for (const PaneRow& row : pList->Rows())
            vecNames.push_back(row.strName);
        return vecNames;
    }

    // The texts the control shows in a column.
    static std::vector<std::string> Texts(CPaneList* pList, int nColumn)
    {
        std::vector<std::string> vecTexts;
        for (long i = 0; i < pList->GetItemCount(); ++i)
            vecTexts.push_back(pList->GetItemText(i, nColumn).utf8_string());
        return vecTexts;
    }

    // Selects only the first row named strName; returns its index.
    static long SelectOnly(CPaneList* pList, const std::string& strName)
    {
        pList->ClearSelection();
        for (long i = 0; i < pList->RowCount(); ++i)
        {
            if (pList->RowName(i) == strName)
            {
                pList->SelectRow(i);
                return i;
            }
        }
        ADD_FAILURE() << "no row " << strName;
        return -1;
    }

    std::vector<std::string> StatusLines() const
    {
        std::vector<std::string> vecLines;
        for (unsigned i = 0; i < m_pDlg->m_listStatus->GetCount(); ++i)
            vecLines.push_back(m_pDlg->m_listStatus->GetString(i).utf8_string());
        return vecLines;
    }

    std::string Field(const wxTextCtrl* pField) const { return pField->GetValue().utf8_string(); }

    CStbDlg* m_pDlg = nullptr;
    std::filesystem::path m_host;
    std::filesystem::path m_disk;
    std::unique_ptr<CEmulatedReceiver> m_pEmulator;
    std::unique_ptr<CReceiverLink> m_pLink;
};
