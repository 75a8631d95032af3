#include "AppSettings.h"

#include "Catalogue.h"
#include "SettingsStore.h"

int g_bShowStatus = 1;

namespace
{

int ReadOrDefault(const char* pName, int nDefault)
{
    const int nValue = ReadSettingDword(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, pName);
    if (nValue >= 0)
        return nValue;
    WriteSettingDword(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, pName, nDefault);
    return nDefault;
}

}  // namespace

void LoadAppSettings()
{
    g_nLanguage = ReadOrDefault(SETTING_LANGUAGE, LANGUAGE_ENGLISH);
    g_bShowStatus = ReadOrDefault(SETTING_SHOW_STATUS, 1);
}

void SaveAppSettings()
{
    WriteSettingDword(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, SETTING_LANGUAGE, g_nLanguage);
    WriteSettingDword(HKEY_LOCAL_MACHINE, SETTINGS_SUBKEY, SETTING_SHOW_STATUS, g_bShowStatus);
}
