// The thresholds' store: which stored values load and what a save leaves behind. Under
// Wine against the real HKEY_CURRENT_USER; natively against the tests' one-key registry.
#include <doctest/doctest.h>

#include <cstdint>
#include <vector>

#include "settings/settings_store.h"
#include "settings/thinning_settings.h"

namespace {

const wchar_t *const StoreKey = L"Software\\Quillon\\Wayfold";
using Bytes = std::vector<BYTE>;

Bytes Dword(uint32_t v) { return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}; }

struct Raw { const wchar_t *name; DWORD type; Bytes data; };

void Clear() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quillon"); }

void Plant(const Raw &value)
{
    HKEY key;
    REQUIRE(RegCreateKeyExW(HKEY_CURRENT_USER, StoreKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS);
    CHECK(RegSetValueExW(key, value.name, 0, value.type, value.data.data(), DWORD(value.data.size())) ==
          ERROR_SUCCESS);
    RegCloseKey(key);
}

// The value as stored; type 0 and no data when it or the key is missing.
Raw Read(const wchar_t *name)
{
    Raw stored{name, 0, {}};
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, StoreKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return stored;
    BYTE data[16];
    DWORD type = 0, size = sizeof data;
    if (RegQueryValueExW(key, name, nullptr, &type, data, &size) == ERROR_SUCCESS)
        stored = {name, type, {data, data + size}};
    RegCloseKey(key);
    return stored;
}

void CheckSettings(const int32_t (&expected)[4])
{
    CHECK(ThinningSettings.MinMeters == expected[0]);
    CHECK(ThinningSettings.MaxMeters == expected[1]);
    CHECK(ThinningSettings.MaxDegrees == expected[2]);
    CHECK(ThinningSettings.MaxOrtError == expected[3]);
}

#if defined(_WIN32)
int HostOpenKeys = 0; // counted by the tests' registry only
#endif

} // namespace

TEST_CASE("LoadSettings lays each 4-byte REG_DWORD over its threshold and keeps the rest as they are")
{
    // Not the defaults: a missing or unusable value keeps what is there.
    const int32_t start[4] = {21, 22, 23, 24};
    const Bytes sz7 = {'7', 0, 0, 0}; // REG_SZ "7": as long as a DWORD
    struct Case {
        const char *what;
        std::vector<Raw> planted;
        int32_t expected[4];
    };
    const Case cases[] = {
        {"no key", {}, {21, 22, 23, 24}},
        {"all four, little-endian",
         {{L"MinMeters", REG_DWORD, Dword(11)}, {L"MaxMeters", REG_DWORD, Dword(0x01020304)},
          {L"MaxDegrees", REG_DWORD, Dword(13)}, {L"MaxOrtError", REG_DWORD, Dword(14)}},
         {11, 0x01020304, 13, 14}},
        {"all bits set is -1, the top bit alone the lowest",
         {{L"MaxDegrees", REG_DWORD, Dword(0xFFFFFFFFu)}, {L"MinMeters", REG_DWORD, Dword(0x80000000u)}},
         {INT32_MIN, 22, -1, 24}},
        {"4 bytes of REG_SZ or REG_BINARY", {{L"MinMeters", REG_SZ, sz7}, {L"MaxOrtError", REG_BINARY, Dword(7)}},
         {21, 22, 23, 24}},
        {"a REG_DWORD of 2 or 8 bytes",
         {{L"MaxMeters", REG_DWORD, {0xD0, 7}}, {L"MaxDegrees", REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0}}},
         {21, 22, 23, 24}},
    };
    for (const Case &c : cases) {
        CAPTURE(c.what);
        Clear();
        for (const Raw &value : c.planted) Plant(value);
        ThinningSettings = {start[0], start[1], start[2], start[3]};
        LoadSettings();
        CheckSettings(c.expected);
        CHECK(HostOpenKeys == 0);
        // Loading creates nothing and leaves what is stored alone.
        for (const Raw &value : c.planted) CHECK(Read(value.name).data == value.data);
        if (c.planted.empty()) CHECK(Read(L"MinMeters").type == 0);
    }
    Clear();
}

TEST_CASE("SaveSettings writes all four as 4-byte REG_DWORDs over whatever was there, and they load back")
{
    const Raw expected[] = {{L"MinMeters", REG_DWORD, Dword(6)}, {L"MaxMeters", REG_DWORD, Dword(0x01020304)},
                            {L"MaxDegrees", REG_DWORD, Dword(0xFFFFFFFFu)},
                            {L"MaxOrtError", REG_DWORD, Dword(0x80000000u)}};
    Clear();
    Plant({L"MaxMeters", REG_SZ, {'7', 0, 0, 0}});
    ThinningSettings = {6, 0x01020304, -1, INT32_MIN};
    SaveSettings();
    for (const Raw &value : expected) {
        CAPTURE(int(&value - expected));
        Raw stored = Read(value.name);
        CHECK(stored.type == value.type);
        CHECK(stored.data == value.data);
    }
    CHECK(HostOpenKeys == 0);
    ResetThinningSettings();
    LoadSettings();
    CheckSettings({6, 0x01020304, -1, INT32_MIN});
#if !defined(_WIN32)
    // When the key cannot be created nothing is written.
    Clear();
    HostCreateFails = true;
    SaveSettings();
    HostCreateFails = false;
    for (const Raw &value : expected) CHECK(Read(value.name).type == 0);
    CHECK(HostOpenKeys == 0);
#endif
    Clear();
}
