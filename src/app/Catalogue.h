// Language-dependent texts of Quorvane and the per-language menu bars.
//
// Every text the program shows that depends on the language lives in one of
// the MSG_ string slots below. BuildCatalogue() fills all of them for a
// language; code that shows a text reads its slot at the moment it shows it
// and keeps no copy. All texts are UTF-8.
//
// The menu bar is not part of the slots: it is one of three menu descriptions
// (resource ids 130 English, 182 German, 181 Korean) with the same structure
// and command ids, chosen by the same language index.
//
// This header does not use wx; the main window turns the menu description
// into a wxMenuBar.
#pragma once

#include <string>
#include <vector>

// Language index: 0 English, 1 German, 2 Korean; every other value acts as
// English. Read from the settings at start-up, saved at exit.
extern int g_nLanguage;

// Language indices as they are stored in the settings.
constexpr int LANGUAGE_ENGLISH = 0;
constexpr int LANGUAGE_GERMAN = 1;
constexpr int LANGUAGE_KOREAN = 2;

// The catalogue slots. Empty until the first BuildCatalogue().
extern std::string MSG_LANG_GERMAN;
extern std::string MSG_LANG_ENGLISH;
extern std::string MSG_LANG_KOREAN;
extern std::string MSG_COL_SIZE;
extern std::string MSG_COL_NAME;
extern std::string MSG_DOWNLOADING;
extern std::string MSG_UPLOADING;
extern std::string MSG_TRANSFER_TITLE;
extern std::string MSG_NEW_NAME_LABEL;
extern std::string MSG_CURRENT_NAME_LABEL;
extern std::string MSG_RENAME_TITLE;
extern std::string MSG_SHOW_STATUS_LABEL;
extern std::string MSG_LANGUAGE_LABEL;
extern std::string MSG_PREFERENCE_TITLE;
extern std::string MSG_ALREADY_EXISTS;
extern std::string MSG_CONFIRM_TITLE;
extern std::string MSG_DIR_NAME_LABEL;
extern std::string MSG_MAKE_DIR_TITLE;
extern std::string MSG_APP_TITLE;
extern std::string MSG_FREE_SIZE_LABEL;
extern std::string MSG_TOTAL_SIZE_LABEL;
extern std::string MSG_ABOUT_TEXT;
extern std::string MSG_ABOUT_TITLE;
extern std::string MSG_BTN_YES_TO_ALL;
extern std::string MSG_BTN_NO;
extern std::string MSG_BTN_YES;
extern std::string MSG_BTN_CANCEL;
extern std::string MSG_BTN_OK;
extern std::string MSG_TIP_EXIT;
extern std::string MSG_TIP_ABOUT;
extern std::string MSG_TIP_PREFERENCE;
extern std::string MSG_TIP_DISCONNECT;
extern std::string MSG_TIP_CONNECT;
extern std::string MSG_TIP_REFRESH;
extern std::string MSG_TIP_DELETE;
extern std::string MSG_TIP_RENAME;
extern std::string MSG_TIP_NEW_FOLDER;
extern std::string MSG_TIP_UPLOAD;
extern std::string MSG_TIP_DOWNLOAD;
extern std::string MSG_CONFIRM_DELETE;
extern std::string MSG_ALREADY_RUNNING;
extern std::string MSG_CONFIRM_EXIT;
extern std::string MSG_CONFIRM_FORMAT;
extern std::string MSG_SELECT_ITEM;
extern std::string MSG_NEED_FILE_NAME;
extern std::string MSG_INVALID_NAME_CHAR;
extern std::string MSG_NEED_DIR_NAME;
extern std::string MSG_DISCONNECTED;
extern std::string MSG_CONNECTED_USB20;
extern std::string MSG_CONNECTED_USB11;
extern std::string MSG_UPLOAD_SUCCESS;
extern std::string MSG_DOWNLOAD_SUCCESS;
extern std::string MSG_DELETE_FILE;
extern std::string MSG_DELETE_DIR;
extern std::string MSG_DELETED;
extern std::string MSG_UPLOAD_THREAD_FAILED;
extern std::string MSG_DOWNLOAD_THREAD_FAILED;
extern std::string MSG_INVALID_DRIVE;
extern std::string MSG_UPLOAD_FAILED;
extern std::string MSG_DOWNLOAD_FAILED;
extern std::string MSG_RECEIVER_LOST;
extern std::string MSG_INIT_FAILED;
extern std::string MSG_NAME_TOO_LONG;
extern std::string MSG_TOO_DEEP;
extern std::string MSG_LIST_FAILED;
extern std::string MSG_DISK_INFO_FAILED;
extern std::string MSG_DELETE_FAILED;
extern std::string MSG_FORMAT_FAILED;
extern std::string MSG_RENAME_FAILED;
extern std::string MSG_MAKE_DIR_FAILED;
extern std::string MSG_CHANGE_DIR_FAILED;
extern std::string MSG_END_COMM_FAILED;
extern std::string MSG_START_COMM_FAILED;

// Number of MSG_ slots.
constexpr int CATALOGUE_SLOT_COUNT = 73;

// Fills every slot from the column of the language index g_nLanguage
// (1 German, 2 Korean, anything else English). No slot keeps a text of the
// previous language.
void BuildCatalogue();

// Same, for the language index given; g_nLanguage is left unchanged.
void BuildCatalogue(int nLanguage);

// Every slot, in catalogue order, for code that walks the whole catalogue.
std::vector<std::string*> CatalogueSlots();

// Language column chosen for an index: 1 -> 1, 2 -> 2, anything else -> 0.
int NormaliseLanguage(int nLanguage);

// ---------------------------------------------------------------------------
// Menus

// Command ids of the main window's menu items.
constexpr int IDM_CONNECT = 32771;
constexpr int IDM_DISCONNECT = 32772;
constexpr int IDM_PREFERENCE = 32773;
constexpr int IDM_EXIT = 32776;
constexpr int IDM_FORMAT = 32777;
constexpr int IDM_ABOUT = 32778;
constexpr int IDM_HOST_NEW_FOLDER = 32779;
constexpr int IDM_HOST_RENAME = 32780;
constexpr int IDM_HOST_DELETE = 32781;
constexpr int IDM_HOST_REFRESH = 32782;
constexpr int IDM_DEVICE_NEW_FOLDER = 32783;
constexpr int IDM_DEVICE_RENAME = 32784;
constexpr int IDM_DEVICE_DELETE = 32785;
constexpr int IDM_DEVICE_REFRESH = 32786;
constexpr int IDM_UPLOAD = 32787;
constexpr int IDM_DOWNLOAD = 32788;
constexpr int IDM_CLEAR_STATUS = 32793;

// Menu resource ids per language.
constexpr int IDR_MENU_ENGLISH = 130;
constexpr int IDR_MENU_GERMAN = 182;
constexpr int IDR_MENU_KOREAN = 181;

enum class EMenuKind
{
    Item,       // a command: nId and strText are set
    Separator,  // a separator line: nId 0, strText empty
    SubMenu     // a nested pop-up: strText set, vecChildren holds its entries
};

// One entry of a pop-up menu. Captions carry their mnemonics as "&X", which
// is the same convention in wx.
struct MenuEntry
{
    EMenuKind eKind = EMenuKind::Item;
    int nId = 0;
    std::string strText;
    std::vector<MenuEntry> vecChildren;
};

// One pop-up of the menu bar, left to right.
struct MenuPopup
{
    std::string strText;
    std::vector<MenuEntry> vecEntries;
};

// The menu bar for a language index (1 German, 2 Korean, anything else
// English). The returned reference stays valid for the life of the process.
const std::vector<MenuPopup>& MenuForLanguage(int nLanguage);

// The menu resource id for a language index: 182 for 1, 181 for 2, 130
// otherwise.
int MenuResourceId(int nLanguage);
