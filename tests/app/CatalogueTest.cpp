// Message catalogue texts per language and the three menu descriptions.
#include "Catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace
{

struct SlotCase
{
    int nLanguage;
    const std::string* pSlot;
    const char* pName;
    std::string strExpected;
};

// Spaces, trailing spaces, the two-line text and the exceptions where German
// keeps the English text are where a copy goes wrong.
const std::vector<SlotCase>& SlotCases()
{
    static const std::vector<SlotCase> s_vecCases = {
        {0, &MSG_UPLOADING, "MSG_UPLOADING", "Uploading   :"},
        {0, &MSG_FREE_SIZE_LABEL, "MSG_FREE_SIZE_LABEL", "Free  Size : "},
        {0, &MSG_NAME_TOO_LONG, "MSG_NAME_TOO_LONG", "File name is too long. Max length is "},
        {0, &MSG_ALREADY_EXISTS, "MSG_ALREADY_EXISTS", "is alreay exist, overwrite ?"},
        {0, &MSG_DELETE_DIR, "MSG_DELETE_DIR", "Delete direcotry"},
        {0, &MSG_INVALID_NAME_CHAR, "MSG_INVALID_NAME_CHAR",
         "Invalid File Name Character.\n\\ / : * ? \" < > |"},
        {0, &MSG_ABOUT_TEXT, "MSG_ABOUT_TEXT",
         "Quorvane Version 1.0\n\nCopyright (C) 2026 The Quorvane authors"},
        {1, &MSG_LANG_GERMAN, "MSG_LANG_GERMAN", "German"},
        {1, &MSG_NEW_NAME_LABEL, "MSG_NEW_NAME_LABEL", "New  Name :"},
        {1, &MSG_APP_TITLE, "MSG_APP_TITLE", "Quorvane"},
        {1, &MSG_TRANSFER_TITLE, "MSG_TRANSFER_TITLE", "Neuer Name"},
        {1, &MSG_COL_SIZE, "MSG_COL_SIZE", "Gr\xC3\xB6\xC3\x9F" "e"},
        {1, &MSG_DISK_INFO_FAILED, "MSG_DISK_INFO_FAILED", "Laufwerkerkennung  fehlgeschlagen"},
        {1, &MSG_FREE_SIZE_LABEL, "MSG_FREE_SIZE_LABEL", "Freier Speicher : "},
        {1, &MSG_INVALID_NAME_CHAR, "MSG_INVALID_NAME_CHAR",
         "Ung\xC3\xBCltiges Zeichen.\n\\ / : * ? \" < > |"},
        {1, &MSG_ABOUT_TEXT, "MSG_ABOUT_TEXT",
         "Quorvane Version 1.0\n\nCopyright (C) 2026 The Quorvane authors"},
        {2, &MSG_LANG_ENGLISH, "MSG_LANG_ENGLISH", "\xEC\x98\x81\xEC\x96\xB4"}, // 영어
        {2, &MSG_NEW_NAME_LABEL, "MSG_NEW_NAME_LABEL", "새    이   름 :"},
        {2, &MSG_UPLOADING, "MSG_UPLOADING", "업로드중   :"},
        {2, &MSG_TOTAL_SIZE_LABEL, "MSG_TOTAL_SIZE_LABEL", "총  공 간 : "},
        {2, &MSG_DISCONNECTED, "MSG_DISCONNECTED", "VeltraSTB 끊기"},
        {2, &MSG_RECEIVER_LOST, "MSG_RECEIVER_LOST", "STB 연결 끊어짐"},
        {2, &MSG_NEED_FILE_NAME, "MSG_NEED_FILE_NAME", "새 폴더 이름을 입력해야함"},
        {2, &MSG_INVALID_NAME_CHAR, "MSG_INVALID_NAME_CHAR",
         "파일이름에 다음 문자가 올수 없습니다.\n\\ / : * ? \" < > |"},
        {2, &MSG_ABOUT_TITLE, "MSG_ABOUT_TITLE", "Quorvane 정보"},
    };
    return s_vecCases;
}

std::vector<std::string> Snapshot()
{
    std::vector<std::string> vec;
    for (const std::string* pSlot : CatalogueSlots())
        vec.push_back(*pSlot);
    return vec;
}

std::vector<std::string> SnapshotFor(int nLanguage)
{
    BuildCatalogue(nLanguage);
    return Snapshot();
}

} // namespace

TEST(Catalogue, SlotsHoldExactTextsPerLanguage)
{
    for (const SlotCase& c : SlotCases())
    {
        BuildCatalogue(c.nLanguage);
        EXPECT_EQ(*c.pSlot, c.strExpected) << c.pName << " in language " << c.nLanguage;
    }
}

TEST(Catalogue, OtherLanguageIndicesActAsEnglish)
{
    const std::vector<std::string> vecEnglish = SnapshotFor(LANGUAGE_ENGLISH);
    EXPECT_EQ(vecEnglish[0], "German"); // first slot, sanity of the snapshot
    for (int nLanguage : {3, -1, 100})
        EXPECT_EQ(SnapshotFor(nLanguage), vecEnglish) << "language " << nLanguage;
}

TEST(Catalogue, EveryBuildAssignsEverySlot)
{
    const std::vector<std::string*> vecSlots = CatalogueSlots();
    ASSERT_EQ(vecSlots.size(), static_cast<std::size_t>(CATALOGUE_SLOT_COUNT));
    ASSERT_EQ(std::set<std::string*>(vecSlots.begin(), vecSlots.end()).size(), vecSlots.size());

    for (int nLanguage : {0, 1, 2})
    {
        for (std::string* pSlot : vecSlots)
            *pSlot = "stale";
        BuildCatalogue(nLanguage);
        for (std::size_t i = 0; i < vecSlots.size(); ++i)
        {
            EXPECT_NE(*vecSlots[i], "stale") << "slot " << i << " language " << nLanguage;
            EXPECT_FALSE(vecSlots[i]->empty()) << "slot " << i << " language " << nLanguage;
        }
    }
}

TEST(Catalogue, SwitchingLanguagesReplacesEverySlot)
{
    const std::vector<std::string> vecKorean = SnapshotFor(LANGUAGE_KOREAN);
    const std::vector<std::string> vecEnglish = SnapshotFor(LANGUAGE_ENGLISH);
    EXPECT_EQ(SnapshotFor(LANGUAGE_KOREAN), vecKorean);
    EXPECT_EQ(SnapshotFor(LANGUAGE_ENGLISH), vecEnglish);

    // Only the program name and the about text read the same in both.
    std::set<std::string> setSame;
    for (std::size_t i = 0; i < vecKorean.size(); ++i)
        if (vecKorean[i] == vecEnglish[i])
            setSame.insert(vecEnglish[i]);
    EXPECT_EQ(setSame, (std::set<std::string>{"Quorvane",
                                              "Quorvane Version 1.0\n\nCopyright (C) 2026 "
                                              "The Quorvane authors"}));
}

TEST(Catalogue, BuildWithoutArgumentUsesGlobalLanguage)
{
    const int nSaved = g_nLanguage;
    g_nLanguage = LANGUAGE_GERMAN;
    BuildCatalogue();
    EXPECT_EQ(MSG_BTN_CANCEL, "Abbrechen");
    EXPECT_EQ(g_nLanguage, LANGUAGE_GERMAN);
    g_nLanguage = 7;
    BuildCatalogue();
    EXPECT_EQ(MSG_BTN_CANCEL, "CANCEL");
    g_nLanguage = nSaved;
}

namespace
{

// Structure of a menu as a string of kinds, ids and nesting, captions left
// out: "P[" opens a pop-up, "S[" a sub-menu, "-" a separator, a number an
// item, "]" closes.
std::string Shape(const std::vector<MenuEntry>& vecEntries)
{
    std::string str;
    for (const MenuEntry& entry : vecEntries)
    {
        switch (entry.eKind)
        {
        case EMenuKind::Item:
            str += std::to_string(entry.nId) + " ";
            break;
        case EMenuKind::Separator:
            str += "- ";
            break;
        case EMenuKind::SubMenu:
            str += "S[ " + Shape(entry.vecChildren) + "] ";
            break;
        }
    }
    return str;
}

std::string Shape(const std::vector<MenuPopup>& vecMenu)
{
    std::string str;
    for (const MenuPopup& popup : vecMenu)
        str += "P[ " + Shape(popup.vecEntries) + "] ";
    return str;
}

void CollectCaptions(const std::vector<MenuEntry>& vecEntries, std::vector<std::string>& vecOut)
{
    for (const MenuEntry& entry : vecEntries)
    {
        if (entry.eKind != EMenuKind::Separator)
            vecOut.push_back(entry.strText);
        CollectCaptions(entry.vecChildren, vecOut);
    }
}

std::vector<std::string> Captions(const std::vector<MenuPopup>& vecMenu)
{
    std::vector<std::string> vec;
    for (const MenuPopup& popup : vecMenu)
    {
        vec.push_back(popup.strText);
        CollectCaptions(popup.vecEntries, vec);
    }
    return vec;
}

} // namespace

TEST(Menu, ResourceIdFollowsLanguage)
{
    const std::vector<std::pair<int, int>> vecCases = {
        {0, 130}, {1, 182}, {2, 181}, {3, 130}, {-1, 130}};
    for (const auto& [nLanguage, nId] : vecCases)
        EXPECT_EQ(MenuResourceId(nLanguage), nId) << "language " << nLanguage;
    EXPECT_EQ(&MenuForLanguage(3), &MenuForLanguage(0));
    EXPECT_EQ(&MenuForLanguage(-1), &MenuForLanguage(0));
}

TEST(Menu, AllLanguagesShareStructureAndIds)
{
    const std::string strExpected =
        "P[ 32771 32772 - 32777 32773 32776 ] "
        "P[ S[ 32779 32780 32781 32782 ] S[ 32783 32784 32785 32786 ] - 32787 32788 - 32793 ] "
        "P[ 32778 ] ";
    for (int nLanguage : {0, 1, 2})
        EXPECT_EQ(Shape(MenuForLanguage(nLanguage)), strExpected) << "language " << nLanguage;
}

TEST(Menu, CaptionsPerLanguage)
{
    const std::vector<std::string> vecEnglish = {
        "&File(&F)", "Connect(&C)", "Disconnect(&D)", "Format(&F)", "Preference(&P)", "Exit(&X)",
        "Tool(&T)", "Host(&H)", "New Folder(&N)", "Rename(&R)", "Delete(&D)", "Refresh(&F)",
        "Device(&D)", "New Folder(&N)", "Rename(&R)", "Delete(&D)", "Refresh(&F)", "Upload(&U)",
        "Download(&D)", "Clear Status Message(&C)", "Help(&H)", "About(&A)"};
    EXPECT_EQ(Captions(MenuForLanguage(0)), vecEnglish);

    const std::vector<std::string> vecGerman = Captions(MenuForLanguage(1));
    ASSERT_EQ(vecGerman.size(), vecEnglish.size());
    EXPECT_EQ(vecGerman[0], "&Datei(&F)");
    EXPECT_EQ(vecGerman[2], "Verbindung abbrechen(&D)");
    EXPECT_EQ(vecGerman[19], "Statusanzeige schlie\xC3\x9F" "en(&C)");
    EXPECT_EQ(vecGerman[20], "Hilfe(&H)");

    const std::vector<std::string> vecKorean = Captions(MenuForLanguage(2));
    ASSERT_EQ(vecKorean.size(), vecEnglish.size());
    EXPECT_EQ(vecKorean[0], "파일(&F)");
    EXPECT_EQ(vecKorean[12], "디바이스(&D)");
    EXPECT_EQ(vecKorean[21], "프로그램정보(&A)");
}
