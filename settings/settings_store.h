// The thresholds' store: the registry key "Software\Quillon\Wayfold" under
// HKEY_CURRENT_USER, one REG_DWORD value per threshold. Windows only: elsewhere the
// program has no store and starts from the defaults.
#ifndef WAYFOLD_SETTINGS_STORE_H
#define WAYFOLD_SETTINGS_STORE_H

#include <stdint.h>
#include <windows.h>

// Lays the stored values over ThinningSettings; a missing key or an unusable value keeps
// what is there. Never reports.
void LoadSettings();

// Writes every threshold; a failed create skips the save. Never reports.
void SaveSettings();

// The value valueName of the open key as a signed 32-bit number when it is a REG_DWORD
// of exactly 4 bytes; otherwise current, unchanged.
int32_t QueryDwordSetting(HKEY key, const wchar_t *valueName, int32_t current);

#endif
