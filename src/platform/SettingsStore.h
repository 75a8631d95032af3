// Persisted settings in a registry-like store.
//
// The settings live in one text file in the registry-export syntax:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Veltra Digital\STBUSB]
//   "Language"=dword:00000000
//   "ShowStatus"=dword:00000001
//
// Values keep their type: dword:, quoted strings, hex: (binary) and
// hex(n): (any other type number). Keys and value names match
// case-insensitively (ASCII), as in the registry.
//
// The file is $QUORVANE_SETTINGS, else $XDG_CONFIG_HOME/quorvane/settings.reg,
// else ~/.config/quorvane/settings.reg. Every change rewrites the whole file
// through a temporary file in the same folder renamed into place, so a crash
// never leaves a torn file; lines of the file that are not understood are
// written back unchanged. No function here throws.
#pragma once

#include <cstdint>
#include <string>

// Predefined root keys. Any other root value is treated as
// HKEY_LOCAL_MACHINE.
constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr std::uint32_t HKEY_USERS = 0x80000003u;

// Access masks.
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001u;
constexpr std::uint32_t KEY_SET_VALUE = 0x0002u;
constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004u;
constexpr std::uint32_t KEY_READ = 0x20019u;
constexpr std::uint32_t KEY_WRITE = 0x20006u;

// Value types as stored (hex(n): carries the number n).
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

// Where the settings key and the two values of the program live.
constexpr const char* SETTINGS_SUBKEY = "SOFTWARE\\Veltra Digital\\STBUSB";
constexpr const char* SETTING_LANGUAGE = "Language";
constexpr const char* SETTING_SHOW_STATUS = "ShowStatus";

// The settings file in force (see above). Empty when no home folder is known.
std::string SettingsFilePath();

// Opens the key (root, sub-key path) with the access mask given. With write
// access (KEY_SET_VALUE or KEY_CREATE_SUB_KEY in the mask) a missing key is
// created in the file, and the file must be writable; with read access only
// the key must already exist. Returns false for a null sub-key path, an
// unreadable settings file or a key that cannot be created.
bool OpenSettingsKey(std::uint32_t nRoot, const char* pSubKey, std::uint32_t nAccess);

// Reads a value as a 32-bit number whatever its stored type: the first four
// bytes of its data (a dword's own bytes, a string's bytes with its
// terminating NUL, binary data), fewer when the data is shorter, the rest
// zero. Returns -1 when the sub-key path is null, the file cannot be read,
// the key or value does not exist, or the data is longer than 100 bytes.
// Callers treat any negative result as a missing value. A null value name
// reads the key's default value ("@").
std::int32_t ReadSettingDword(std::uint32_t nRoot, const char* pSubKey, const char* pValueName);

// Stores a dword value, creating the key and the file when needed and keeping
// every other key and value of the file. Returns 1 on success, 0 when the
// sub-key path is null or the file cannot be read or written.
int WriteSettingDword(std::uint32_t nRoot, const char* pSubKey, const char* pValueName,
                      std::int32_t nValue);
