// Texts of the message catalogue and the three menu bars, one table each.
#include "Catalogue.h"

#include <array>
#include <cstddef>

int g_nLanguage = LANGUAGE_ENGLISH;

std::string MSG_LANG_GERMAN;
std::string MSG_LANG_ENGLISH;
std::string MSG_LANG_KOREAN;
std::string MSG_COL_SIZE;
std::string MSG_COL_NAME;
std::string MSG_DOWNLOADING;
std::string MSG_UPLOADING;
std::string MSG_TRANSFER_TITLE;
std::string MSG_NEW_NAME_LABEL;
std::string MSG_CURRENT_NAME_LABEL;
std::string MSG_RENAME_TITLE;
std::string MSG_SHOW_STATUS_LABEL;
std::string MSG_LANGUAGE_LABEL;
std::string MSG_PREFERENCE_TITLE;
std::string MSG_ALREADY_EXISTS;
std::string MSG_CONFIRM_TITLE;
std::string MSG_DIR_NAME_LABEL;
std::string MSG_MAKE_DIR_TITLE;
std::string MSG_APP_TITLE;
std::string MSG_FREE_SIZE_LABEL;
std::string MSG_TOTAL_SIZE_LABEL;
std::string MSG_ABOUT_TEXT;
std::string MSG_ABOUT_TITLE;
std::string MSG_BTN_YES_TO_ALL;
std::string MSG_BTN_NO;
std::string MSG_BTN_YES;
std::string MSG_BTN_CANCEL;
std::string MSG_BTN_OK;
std::string MSG_TIP_EXIT;
std::string MSG_TIP_ABOUT;
std::string MSG_TIP_PREFERENCE;
std::string MSG_TIP_DISCONNECT;
std::string MSG_TIP_CONNECT;
std::string MSG_TIP_REFRESH;
std::string MSG_TIP_DELETE;
std::string MSG_TIP_RENAME;
std::string MSG_TIP_NEW_FOLDER;
std::string MSG_TIP_UPLOAD;
std::string MSG_TIP_DOWNLOAD;
std::string MSG_CONFIRM_DELETE;
std::string MSG_ALREADY_RUNNING;
std::string MSG_CONFIRM_EXIT;
std::string MSG_CONFIRM_FORMAT;
std::string MSG_SELECT_ITEM;
std::string MSG_NEED_FILE_NAME;
std::string MSG_INVALID_NAME_CHAR;
std::string MSG_NEED_DIR_NAME;
std::string MSG_DISCONNECTED;
std::string MSG_CONNECTED_USB20;
std::string MSG_CONNECTED_USB11;
std::string MSG_UPLOAD_SUCCESS;
std::string MSG_DOWNLOAD_SUCCESS;
std::string MSG_DELETE_FILE;
std::string MSG_DELETE_DIR;
std::string MSG_DELETED;
std::string MSG_UPLOAD_THREAD_FAILED;
std::string MSG_DOWNLOAD_THREAD_FAILED;
std::string MSG_INVALID_DRIVE;
std::string MSG_UPLOAD_FAILED;
std::string MSG_DOWNLOAD_FAILED;
std::string MSG_RECEIVER_LOST;
std::string MSG_INIT_FAILED;
std::string MSG_NAME_TOO_LONG;
std::string MSG_TOO_DEEP;
std::string MSG_LIST_FAILED;
std::string MSG_DISK_INFO_FAILED;
std::string MSG_DELETE_FAILED;
std::string MSG_FORMAT_FAILED;
std::string MSG_RENAME_FAILED;
std::string MSG_MAKE_DIR_FAILED;
std::string MSG_CHANGE_DIR_FAILED;
std::string MSG_END_COMM_FAILED;
std::string MSG_START_COMM_FAILED;

namespace
{

// The about text is the same in every language.
constexpr const char* ABOUT_TEXT =
    "Quorvane Version 1.0\n"
    "\n"
    "Copyright (C) 2026 The Quorvane authors";

struct CatalogueRow
{
    std::string* pSlot;
    const char* pEnglish;
    const char* pGerman;
    const char* pKorean;

    const char* Text(int nColumn) const
    {
        switch (nColumn)
        {
        case LANGUAGE_GERMAN:
            return pGerman;
        case LANGUAGE_KOREAN:
            return pKorean;
        default:
            return pEnglish;
        }
    }
};

// One row per slot: English, German, Korean.
const CatalogueRow g_aCatalogue[] = {
    {&MSG_LANG_GERMAN,
     "German",
     "German",
     "독일어"},
    {&MSG_LANG_ENGLISH,
     "English",
     "English",
     "영어"},
    {&MSG_LANG_KOREAN,
     "Korean",
     "Korean",
     "한국어"},
    {&MSG_COL_SIZE,
     "Size",
     "Größe",
     "크기"},
    {&MSG_COL_NAME,
     "Name",
     "Name",
     "이름"},
    {&MSG_DOWNLOADING,
     "Downloading :",
     "Downloaden :",
     "다운로드중 :"},
    {&MSG_UPLOADING,
     "Uploading   :",
     "Uploaden   :",
     "업로드중   :"},
    {&MSG_TRANSFER_TITLE,
     "Transfer",
     "Neuer Name",
     "전  송"},
    {&MSG_NEW_NAME_LABEL,
     "New  Name :",
     "New  Name :",
     "새    이   름 :"},
    {&MSG_CURRENT_NAME_LABEL,
     "Current Name :",
     "Aktueller Name :",
     "현 재   이 름 :"},
    {&MSG_RENAME_TITLE,
     "Rename",
     "Umbennen",
     "이름 바꾸기"},
    {&MSG_SHOW_STATUS_LABEL,
     "Show Status Message",
     "Status anzeigen",
     "상태 표시 메시지 보이기"},
    {&MSG_LANGUAGE_LABEL,
     "Language :",
     "Sprache :",
     "언       어 :"},
    {&MSG_PREFERENCE_TITLE,
     "Preference",
     "Präferenz",
     "환경설정"},
    {&MSG_ALREADY_EXISTS,
     "is alreay exist, overwrite ?",
     "existiert bereits. Überschreiben ?",
     "를 덮어 쓰시겠습니까?"},
    {&MSG_CONFIRM_TITLE,
     "Confirm",
     "Bestätigen",
     "확 인"},
    {&MSG_DIR_NAME_LABEL,
     "Directory Name :",
     "Ordnername :",
     "폴  더   이  름 :"},
    {&MSG_MAKE_DIR_TITLE,
     "Make Directory",
     "Ordner erstellen",
     "폴더 만들기"},
    {&MSG_APP_TITLE,
     "Quorvane",
     "Quorvane",
     "Quorvane"},
    {&MSG_FREE_SIZE_LABEL,
     "Free  Size : ",
     "Freier Speicher : ",
     "여유 공간 : "},
    {&MSG_TOTAL_SIZE_LABEL,
     "Total Size : ",
     "Gesamtspeicher : ",
     "총  공 간 : "},
    {&MSG_ABOUT_TEXT, ABOUT_TEXT, ABOUT_TEXT, ABOUT_TEXT},
    {&MSG_ABOUT_TITLE,
     "Quorvane Info",
     "Quorvane Info",
     "Quorvane 정보"},
    {&MSG_BTN_YES_TO_ALL,
     "YES TO ALL",
     "Ja für alle",
     "모두 예"},
    {&MSG_BTN_NO,
     "NO",
     "NEIN",
     "아니오"},
    {&MSG_BTN_YES,
     "YES",
     "JA",
     "예"},
    {&MSG_BTN_CANCEL,
     "CANCEL",
     "Abbrechen",
     "취 소"},
    {&MSG_BTN_OK,
     "OK",
     "OK",
     "확 인"},
    {&MSG_TIP_EXIT,
     "Program Exit",
     "Programm verlassen",
     "프로그램 종료"},
    {&MSG_TIP_ABOUT,
     "About",
     "Über",
     "프로그램 정보"},
    {&MSG_TIP_PREFERENCE,
     "Preference",
     "Präferenz",
     "환경설정"},
    {&MSG_TIP_DISCONNECT,
     "Disconnect",
     "Verbindung abbrechen",
     "연결끊기"},
    {&MSG_TIP_CONNECT,
     "Connect",
     "Verbinden",
     "연결하기"},
    {&MSG_TIP_REFRESH,
     "Refresh",
     "Aktualisieren",
     "새로 고침"},
    {&MSG_TIP_DELETE,
     "Delete",
     "Löschen",
     "삭제"},
    {&MSG_TIP_RENAME,
     "Rename",
     "Umbennen",
     "이름 바꾸기"},
    {&MSG_TIP_NEW_FOLDER,
     "New Folder",
     "Neuer Ordner",
     "새 폴더"},
    {&MSG_TIP_UPLOAD,
     "Upload",
     "Upload",
     "업로드"},
    {&MSG_TIP_DOWNLOAD,
     "Download",
     "Download",
     "다운로드"},
    {&MSG_CONFIRM_DELETE,
     "Selected file will be deleted. Continue?",
     "Soll die ausgewählte Datei gelöscht werden?",
     "선택된 파일을 삭제합니다. 계속하시겠습니까?"},
    {&MSG_ALREADY_RUNNING,
     "Already running! Shutdown and restart?",
     "Anwendung läuft bereits! Herunterfahren und neustarten?",
     "프로그램이 이미 실행중입니다. 재시작 하시겠습니까?"},
    {&MSG_CONFIRM_EXIT,
     "Application will be shutdown. Are you sure?",
     "Anwendung wird heruntergefahren. Sind Sie sicher?",
     "프로그램을 종료하시겠습니까?"},
    {&MSG_CONFIRM_FORMAT,
     "All data will be lost after execute format. Are you sure?",
     "Format verursacht Datenverlust. Sind Sie sicher?",
     "Format 하면 데이터를 잃게 됩니다. 계속하시겠습니까?"},
    {&MSG_SELECT_ITEM,
     "Select file or directory",
     "Datei oder Verzeichnis auswählen",
     "파일이나 폴더를 선택해야함"},
    {&MSG_NEED_FILE_NAME,
     "New file name must be given",
     "Neuen Dateinamen vergeben",
     "새 폴더 이름을 입력해야함"},
    {&MSG_INVALID_NAME_CHAR,
     "Invalid File Name Character.\n\\ / : * ? \" < > |",
     "Ungültiges Zeichen.\n\\ / : * ? \" < > |",
     "파일이름에 다음 문자가 올수 없습니다.\n\\ / : * ? \" < > |"},
    {&MSG_NEED_DIR_NAME,
     "New directory name must be given",
     "Neuen Ordnernamen geben",
     "새 폴더 이름을 입력해야함"},
    {&MSG_DISCONNECTED,
     "Receiver disconnected",
     "Receiver getrennt",
     "VeltraSTB 끊기"},
    {&MSG_CONNECTED_USB20,
     "Receiver connected[USB2.0]",
     "Receiver verbunden[USB2.0]",
     "VeltraSTB 연결[USB2.0]"},
    {&MSG_CONNECTED_USB11,
     "Receiver connected[USB1.1]",
     "Receiver verbunden[USB1.1]",
     "VeltraSTB 연결[USB1.1]"},
    {&MSG_UPLOAD_SUCCESS,
     "Upload success",
     "Upload erfolgreich",
     "Upload 성공"},
    {&MSG_DOWNLOAD_SUCCESS,
     "Download success",
     "Download erfolgreich",
     "Download 성공"},
    {&MSG_DELETE_FILE,
     "Delete file",
     "Lösche Datei",
     "파일 삭제"},
    {&MSG_DELETE_DIR,
     "Delete direcotry",
     "Lösche Verzeichnis",
     "폴더 삭제"},
    {&MSG_DELETED,
     "Delete",
     "Löschen",
     "삭제"},
    {&MSG_UPLOAD_THREAD_FAILED,
     "Could not create thread for upload",
     "Erstellung von Threads für Uploads nicht möglich",
     "Upload 스레드 생성 오류"},
    {&MSG_DOWNLOAD_THREAD_FAILED,
     "Could not create thread for download",
     "Erstellung von Threads für Downloads nicht möglich",
     "Download 쓰레드 생성 오류"},
    {&MSG_INVALID_DRIVE,
     "Invalid drive",
     "Ungültiges Laufwerk",
     "드라이브선택 오류"},
    {&MSG_UPLOAD_FAILED,
     "Upload failed",
     "Upload fehlgeschlagen",
     "업로드 오류"},
    {&MSG_DOWNLOAD_FAILED,
     "Download failed",
     "Download fehlgeschlagen",
     "다운로드 오류"},
    {&MSG_RECEIVER_LOST,
     "Receiver disconnected",
     "Receiver getrennt",
     "STB 연결 끊어짐"},
    {&MSG_INIT_FAILED,
     "Initialization of receiver failed! Restart receiver",
     "Initialisierung des Receivers misslungen! Bitte starten Sie den Receiver neu.",
     "Veltra STB 초기화 오류. STB 재시동!"},
    {&MSG_NAME_TOO_LONG,
     "File name is too long. Max length is ",
     "Datenname is zu lang. Max Länge beträgt ",
     "파일 이름 길이 오류. 최대 크기는 "},
    {&MSG_TOO_DEEP,
     "Further sub-directory is too deep",
     "Weiteres Unterverzeichnis ist nicht möglich",
     "하위 폴더 만들기 오류"},
    {&MSG_LIST_FAILED,
     "Get directory list failed",
     "Erkennung der Dateiinformationen fehlgeschlagen",
     "폴더 리스트 가져오기 오류"},
    {&MSG_DISK_INFO_FAILED,
     "Get disk information failed",
     "Laufwerkerkennung  fehlgeschlagen",
     "디스크정보 읽기 오류"},
    {&MSG_DELETE_FAILED,
     "Delete failed",
     "Löschen fehlgeschlagen",
     "삭제 오류"},
    {&MSG_FORMAT_FAILED,
     "Format failed",
     "Format fehlgeschlagen",
     "Format 오류"},
    {&MSG_RENAME_FAILED,
     "Rename failed",
     "Umbenennung fehlgeschlagen",
     "이름 바꾸기 오류"},
    {&MSG_MAKE_DIR_FAILED,
     "Make directory failed",
     "Verzeichniserstellung fehlgeschlagen",
     "새폴더 생성 오류"},
    {&MSG_CHANGE_DIR_FAILED,
     "Change directory failed",
     "Verzeichniswechsel fehlgeschlagen",
     "폴더 변경 오류"},
    {&MSG_END_COMM_FAILED,
     "End communication failed",
     "Ende der Übertragung ist fehlgeschlagen",
     "End Communication 오류"},
    {&MSG_START_COMM_FAILED,
     "Start communication failed",
     "Beginn der Übertragung ist fehlgeschlagen",
     "Start Communication 오류"},
};

static_assert(std::size(g_aCatalogue) == CATALOGUE_SLOT_COUNT,
              "every slot has exactly one row");

// The menu bars. Each row is one entry; nDepth 0 starts a pop-up of the bar,
// depth 1 is an entry of that pop-up, depth 2 an entry of the sub-menu above
// it. All three languages share this structure and the command ids.
enum class ERowKind
{
    Popup,
    SubMenu,
    Item,
    Separator
};

struct MenuRow
{
    ERowKind eKind;
    int nDepth;
    int nId;
    const char* pEnglish;
    const char* pGerman;
    const char* pKorean;

    const char* Text(int nColumn) const
    {
        switch (nColumn)
        {
        case LANGUAGE_GERMAN:
            return pGerman;
        case LANGUAGE_KOREAN:
            return pKorean;
        default:
            return pEnglish;
        }
    }
};

constexpr MenuRow SEPARATOR(int nDepth)
{
    return {ERowKind::Separator, nDepth, 0, "", "", ""};
}

const MenuRow g_aMenuRows[] = {
    {ERowKind::Popup, 0, 0, "&File(&F)", "&Datei(&F)", "파일(&F)"},
    {ERowKind::Item, 1, IDM_CONNECT, "Connect(&C)", "Verbinden(&C)", "연결(&C)"},
    {ERowKind::Item, 1, IDM_DISCONNECT, "Disconnect(&D)", "Verbindung abbrechen(&D)", "끊기(&D)"},
    SEPARATOR(1),
    {ERowKind::Item, 1, IDM_FORMAT, "Format(&F)", "Format(&F)", "포맷(&F)"},
    {ERowKind::Item, 1, IDM_PREFERENCE, "Preference(&P)", "Präferenz(&P)", "환경설정(&P)"},
    {ERowKind::Item, 1, IDM_EXIT, "Exit(&X)", "Exit(&X)", "종료(&X)"},

    {ERowKind::Popup, 0, 0, "Tool(&T)", "Tool(&T)", "도구(&T)"},
    {ERowKind::SubMenu, 1, 0, "Host(&H)", "Host(&H)", "호스트(&H)"},
    {ERowKind::Item, 2, IDM_HOST_NEW_FOLDER, "New Folder(&N)", "Neuer Ordner(&N)", "새 폴더(&N)"},
    {ERowKind::Item, 2, IDM_HOST_RENAME, "Rename(&R)", "Umbennen(&R)", "이름 바꾸기(&R)"},
    {ERowKind::Item, 2, IDM_HOST_DELETE, "Delete(&D)", "Löschen(&D)", "삭제(&D)"},
    {ERowKind::Item, 2, IDM_HOST_REFRESH, "Refresh(&F)", "Aktualisieren(&F)", "새로 고침(&F)"},
    {ERowKind::SubMenu, 1, 0, "Device(&D)", "Device(&D)", "디바이스(&D)"},
    {ERowKind::Item, 2, IDM_DEVICE_NEW_FOLDER, "New Folder(&N)", "Neuer Ordner(&N)", "새 폴더(&N)"},
    {ERowKind::Item, 2, IDM_DEVICE_RENAME, "Rename(&R)", "Umbennen(&R)", "이름 바꾸기(&R)"},
    {ERowKind::Item, 2, IDM_DEVICE_DELETE, "Delete(&D)", "Löschen(&D)", "삭제(&D)"},
    {ERowKind::Item, 2, IDM_DEVICE_REFRESH, "Refresh(&F)", "Aktualisieren(&F)", "새로 고침(&F)"},
    SEPARATOR(1),
    {ERowKind::Item, 1, IDM_UPLOAD, "Upload(&U)", "Upload(&U)", "업로드(&U)"},
    {ERowKind::Item, 1, IDM_DOWNLOAD, "Download(&D)", "Download(&D)", "다운로드(&D)"},
    SEPARATOR(1),
    {ERowKind::Item, 1, IDM_CLEAR_STATUS, "Clear Status Message(&C)", "Statusanzeige schließen(&C)", "상태 메시지 지우기(&C)"},

    {ERowKind::Popup, 0, 0, "Help(&H)", "Hilfe(&H)", "도움말(&H)"},
    {ERowKind::Item, 1, IDM_ABOUT, "About(&A)", "Über(&A)", "프로그램정보(&A)"},
};

std::vector<MenuPopup> BuildMenu(int nColumn)
{
    std::vector<MenuPopup> vecMenu;
    for (const MenuRow& row : g_aMenuRows)
    {
        if (row.eKind == ERowKind::Popup)
        {
            vecMenu.push_back(MenuPopup{row.Text(nColumn), {}});
            continue;
        }
        if (vecMenu.empty())
            continue;  // not reached with the table above

        MenuEntry entry;
        entry.strText = row.Text(nColumn);
        entry.nId = row.nId;
        switch (row.eKind)
        {
        case ERowKind::SubMenu:
            entry.eKind = EMenuKind::SubMenu;
            break;
        case ERowKind::Separator:
            entry.eKind = EMenuKind::Separator;
            break;
        default:
            entry.eKind = EMenuKind::Item;
            break;
        }

        std::vector<MenuEntry>& vecTop = vecMenu.back().vecEntries;
        if (row.nDepth >= 2 && !vecTop.empty() && vecTop.back().eKind == EMenuKind::SubMenu)
            vecTop.back().vecChildren.push_back(std::move(entry));
        else
            vecTop.push_back(std::move(entry));
    }
    return vecMenu;
}

}  // namespace

int NormaliseLanguage(int nLanguage)
{
    return (nLanguage == LANGUAGE_GERMAN || nLanguage == LANGUAGE_KOREAN) ? nLanguage
                                                                         : LANGUAGE_ENGLISH;
}

void BuildCatalogue(int nLanguage)
{
    const int nColumn = NormaliseLanguage(nLanguage);
    for (const CatalogueRow& row : g_aCatalogue)
        *row.pSlot = row.Text(nColumn);
}

std::vector<std::string*> CatalogueSlots()
{
    std::vector<std::string*> vecSlots;
    vecSlots.reserve(std::size(g_aCatalogue));
    for (const CatalogueRow& row : g_aCatalogue)
        vecSlots.push_back(row.pSlot);
    return vecSlots;
}

void BuildCatalogue()
{
    BuildCatalogue(g_nLanguage);
}

const std::vector<MenuPopup>& MenuForLanguage(int nLanguage)
{
    // Built once per language on first use; function-local statics are
    // initialised thread-safely.
    static const std::array<std::vector<MenuPopup>, 3> s_aMenus = {
        BuildMenu(LANGUAGE_ENGLISH), BuildMenu(LANGUAGE_GERMAN), BuildMenu(LANGUAGE_KOREAN)};
    return s_aMenus[static_cast<std::size_t>(NormaliseLanguage(nLanguage))];
}

int MenuResourceId(int nLanguage)
{
    switch (NormaliseLanguage(nLanguage))
    {
    case LANGUAGE_GERMAN:
        return IDR_MENU_GERMAN;
    case LANGUAGE_KOREAN:
        return IDR_MENU_KOREAN;
    default:
        return IDR_MENU_ENGLISH;
    }
}
