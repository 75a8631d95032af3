// The two persisted settings of Quorvane and their start-up and exit rules.
//
// "Language" (g_nLanguage, default 0) and "ShowStatus" (g_bShowStatus,
// default 1) live as dwords under SETTINGS_SUBKEY of HKEY_LOCAL_MACHINE in the
// settings store. A value that cannot be read or reads negative counts as
// missing: it takes its default, which is written back at once. Failures of
// the store never stop the program.
#pragma once

// Non-zero: status messages are added to the status list. 1 at start.
extern int g_bShowStatus;

// Reads both settings into g_nLanguage and g_bShowStatus, writing the default
// of every missing one.
void LoadAppSettings();

// Writes both settings from g_nLanguage and g_bShowStatus.
void SaveAppSettings();
