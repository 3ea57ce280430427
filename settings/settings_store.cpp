#include "settings/settings_store.h"

#include "common/byte_order.h"
#include "settings/thinning_settings.h"

static const wchar_t SettingsKeyPath[] = L"Software\\Quillon\\Wayfold";

// Windows CE takes no access rights (it wants 0); the desktop's registry refuses reads and
// writes through a handle opened without them.
#if defined(_WIN32) && !defined(_WIN32_WCE)
static const REGSAM SettingsReadAccess = KEY_QUERY_VALUE;
static const REGSAM SettingsWriteAccess = KEY_SET_VALUE;
#else
static const REGSAM SettingsReadAccess = 0;
static const REGSAM SettingsWriteAccess = 0;
#endif

// A REG_DWORD's data: four bytes, little-endian.
static const DWORD DwordSize = 4;

// The setting's 32-bit pattern as a little-endian DWORD.
static void DwordToBytes(int32_t value, BYTE *bytes)
{
    Uint32ToLittleEndian(static_cast<uint32_t>(value), bytes);
}

static int32_t DwordFromBytes(const BYTE *bytes)
{
    return SignedFromBits(Uint32FromLittleEndian(bytes));
}

int32_t QueryDwordSetting(HKEY key, const wchar_t *valueName, int32_t current)
{
    DWORD type = 0;
    BYTE data[DwordSize];
    DWORD size = DwordSize;
    LONG result;
    int32_t value = current;
    DwordToBytes(current, data);
    result = RegQueryValueExW(key, valueName, 0, &type, data, &size);
    // Only a 4-byte REG_DWORD counts; the buffer of a failed or foreign read is not used
    if (result == ERROR_SUCCESS && type == REG_DWORD && size == DwordSize) value = DwordFromBytes(data);
    return value;
}

void LoadSettings()
{
    HKEY key;
    // No key yet: the settings stay as they are
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKeyPath, 0, SettingsReadAccess, &key) ==
        ERROR_SUCCESS) {
        for (int i = 0; i < ThresholdCount; i++) {
            int32_t *field = &(ThinningSettings.*Thresholds[i].Field);
            *field = QueryDwordSetting(key, Thresholds[i].RegistryName, *field);
        }
        RegCloseKey(key);
    }
}

// One value written as a REG_DWORD; a failure is ignored.
static void WriteDwordSetting(HKEY key, const wchar_t *valueName, int32_t value)
{
    BYTE data[DwordSize];
    DwordToBytes(value, data);
    RegSetValueExW(key, valueName, 0, REG_DWORD, data, DwordSize);
}

void SaveSettings()
{
    HKEY key;
    DWORD disposition;
    // Creates every missing level of the path; when that fails nothing is saved
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKeyPath, 0, 0, 0, SettingsWriteAccess, 0, &key,
                        &disposition) == ERROR_SUCCESS) {
        for (int i = 0; i < ThresholdCount; i++)
            WriteDwordSetting(key, Thresholds[i].RegistryName, ThinningSettings.*Thresholds[i].Field);
        RegCloseKey(key);
    }
}
