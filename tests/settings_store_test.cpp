// The thresholds' store: which stored values load, what a save leaves behind, and the
// registry behaviour the store relies on. On Windows (and under Wine) these run against
// the real HKEY_CURRENT_USER; elsewhere against the in-memory registry, whose limits are
// tested at the end.
#include <doctest/doctest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "tests/test_support.h"

namespace {

const wchar_t *const CompanyKey = L"Software\\Quillon";
const wchar_t *const StoreKey = L"Software\\Quillon\\Wayfold";
const REGSAM TestAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

using Bytes = std::vector<BYTE>;

Bytes Dword(uint32_t value)
{
    return Bytes{BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

// A REG_SZ's data: UTF-16LE with its terminator.
Bytes WideText(const std::string &ascii)
{
    Bytes bytes;
    for (char c : ascii) bytes.insert(bytes.end(), {BYTE(c), 0});
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

// Every case starts from a registry without the company's key (on the host, from an
// empty store) and from the default thresholds.
void ClearStore()
{
#if defined(_WIN32)
    RegDeleteTreeW(HKEY_CURRENT_USER, CompanyKey);
#else
    HostRegistryReset();
#endif
    ResetSettings();
}

// Stores a raw value of any type and size, creating the key path.
void Plant(const wchar_t *path, const wchar_t *name, DWORD type, const Bytes &data)
{
    HKEY key;
    DWORD disposition;
    REQUIRE(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, TestAccess, nullptr, &key,
                            &disposition) == ERROR_SUCCESS);
    CHECK(RegSetValueExW(key, name, 0, type, data.data(), DWORD(data.size())) == ERROR_SUCCESS);
    RegCloseKey(key);
}

bool KeyExists(const wchar_t *path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, TestAccess, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

struct Stored {
    LONG result = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    Bytes data;
};

// One value as it is stored, read with a buffer large enough for it.
Stored Read(const wchar_t *path, const wchar_t *name)
{
    Stored stored;
    HKEY key;
    stored.result = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, TestAccess, &key);
    if (stored.result != ERROR_SUCCESS) return stored;
    DWORD size = 0;
    stored.result = RegQueryValueExW(key, name, nullptr, &stored.type, nullptr, &size);
    if (stored.result == ERROR_SUCCESS) {
        stored.data.resize(size);
        stored.result = RegQueryValueExW(key, name, nullptr, &stored.type, stored.data.data(), &size);
        stored.data.resize(size);
    }
    RegCloseKey(key);
    return stored;
}

void CheckSettings(int minMeters, int maxMeters, int maxDegrees, int maxOrtError)
{
    CHECK(ThinningSettings.MinMeters == minMeters);
    CHECK(ThinningSettings.MaxMeters == maxMeters);
    CHECK(ThinningSettings.MaxDegrees == maxDegrees);
    CHECK(ThinningSettings.MaxOrtError == maxOrtError);
}

void CheckStoredDword(const wchar_t *name, uint32_t value)
{
    Stored stored = Read(StoreKey, name);
    CHECK(stored.result == ERROR_SUCCESS);
    CHECK(stored.type == REG_DWORD);
    CHECK(stored.data == Dword(value));
}

struct PlantedValue {
    const wchar_t *path;
    const wchar_t *name;
    DWORD type;
    Bytes data;
};

const DWORD RegQword = 11;

} // namespace

TEST_CASE("LoadSettings lays each usable stored value over the thresholds, one by one")
{
    struct Case {
        const char *what;
        std::vector<PlantedValue> planted;
        int start[4];
        int expected[4];
    };
    const Case cases[] = {
        {"no key: the defaults stay", {}, {5, 1000, 5, 50}, {5, 1000, 5, 50}},
        {"no key: other current values stay too, not the defaults", {}, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"an empty key", {{CompanyKey, L"Unrelated", REG_DWORD, Dword(9)}, {StoreKey, L"Other", REG_DWORD, Dword(9)}},
         {5, 1000, 5, 50}, {5, 1000, 5, 50}},
        {"only MaxMeters, REG_DWORD 2000", {{StoreKey, L"MaxMeters", REG_DWORD, Dword(2000)}},
         {5, 1000, 5, 50}, {5, 2000, 5, 50}},
        {"all four",
         {{StoreKey, L"MinMeters", REG_DWORD, Dword(11)}, {StoreKey, L"MaxMeters", REG_DWORD, Dword(12)},
          {StoreKey, L"MaxDegrees", REG_DWORD, Dword(13)}, {StoreKey, L"MaxOrtError", REG_DWORD, Dword(14)}},
         {5, 1000, 5, 50}, {11, 12, 13, 14}},
        {"MinMeters as a 4-byte REG_SZ is kept, the other three load",
         {{StoreKey, L"MinMeters", REG_SZ, WideText("7")}, {StoreKey, L"MaxMeters", REG_DWORD, Dword(12)},
          {StoreKey, L"MaxDegrees", REG_DWORD, Dword(13)}, {StoreKey, L"MaxOrtError", REG_DWORD, Dword(14)}},
         {5, 1000, 5, 50}, {5, 12, 13, 14}},
        {"MinMeters as a longer REG_SZ is kept",
         {{StoreKey, L"MinMeters", REG_SZ, WideText("2000")}, {StoreKey, L"MaxOrtError", REG_DWORD, Dword(14)}},
         {5, 1000, 5, 50}, {5, 1000, 5, 14}},
        {"MinMeters as a 4-byte REG_BINARY is kept, the other three load",
         {{StoreKey, L"MinMeters", REG_BINARY, Dword(7)}, {StoreKey, L"MaxMeters", REG_DWORD, Dword(12)},
          {StoreKey, L"MaxDegrees", REG_DWORD, Dword(13)}, {StoreKey, L"MaxOrtError", REG_DWORD, Dword(14)}},
         {5, 1000, 5, 50}, {5, 12, 13, 14}},
        {"an unusable value keeps the current value, not the default",
         {{StoreKey, L"MinMeters", REG_BINARY, Dword(7)}, {StoreKey, L"MaxDegrees", REG_SZ, WideText("9")}},
         {21, 22, 23, 24}, {21, 22, 23, 24}},
        {"all 32 bits set is -1",
         {{StoreKey, L"MaxDegrees", REG_DWORD, Dword(0xFFFFFFFFu)}}, {5, 1000, 5, 50}, {5, 1000, -1, 50}},
        {"no range check at either end",
         {{StoreKey, L"MinMeters", REG_DWORD, Dword(0x80000000u)}, {StoreKey, L"MaxMeters", REG_DWORD, Dword(0x7FFFFFFFu)},
          {StoreKey, L"MaxDegrees", REG_DWORD, Dword(0)}, {StoreKey, L"MaxOrtError", REG_DWORD, Dword(0xFFFFFFFEu)}},
         {5, 1000, 5, 50}, {INT32_MIN, INT32_MAX, 0, -2}},
        {"a REG_DWORD of 8 bytes is kept",
         {{StoreKey, L"MaxOrtError", REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0}}, {StoreKey, L"MinMeters", REG_DWORD, Dword(3)}},
         {5, 1000, 5, 50}, {3, 1000, 5, 50}},
        {"a REG_QWORD and a long REG_BINARY are kept",
         {{StoreKey, L"MaxMeters", RegQword, {0xD0, 7, 0, 0, 0, 0, 0, 0}},
          {StoreKey, L"MaxDegrees", REG_BINARY, {9, 0, 0, 0, 0}}},
         {5, 1000, 5, 50}, {5, 1000, 5, 50}},
        {"a REG_DWORD shorter than 4 bytes is kept",
         {{StoreKey, L"MaxMeters", REG_DWORD, {0xD0, 7}}, {StoreKey, L"MinMeters", REG_DWORD, {}}},
         {5, 1000, 5, 50}, {5, 1000, 5, 50}},
        {"values under the company key are not the program's",
         {{CompanyKey, L"MinMeters", REG_DWORD, Dword(77)}, {L"Software\\Quillon\\Wayfold\\Sub", L"MaxMeters", REG_DWORD, Dword(77)}},
         {5, 1000, 5, 50}, {5, 1000, 5, 50}},
    };
    for (const Case &c : cases) {
        CAPTURE(c.what);
        ClearStore();
        for (const PlantedValue &value : c.planted) Plant(value.path, value.name, value.type, value.data);
        SetSettings(c.start[0], c.start[1], c.start[2], c.start[3]);
        LoadSettings();
        CheckSettings(c.expected[0], c.expected[1], c.expected[2], c.expected[3]);
    }
    ClearStore();
}

TEST_CASE("LoadSettings creates nothing and leaves the stored values alone")
{
    ClearStore();
    LoadSettings();
    CHECK_FALSE(KeyExists(CompanyKey));

    Plant(StoreKey, L"MinMeters", REG_SZ, WideText("7"));
    LoadSettings();
    Stored stored = Read(StoreKey, L"MinMeters");
    CHECK(stored.type == REG_SZ);
    CHECK(stored.data == WideText("7"));
    CHECK(Read(StoreKey, L"MaxMeters").result == ERROR_FILE_NOT_FOUND);
    ClearStore();
}

TEST_CASE("QueryDwordSetting returns the current value itself when the stored one is unusable")
{
    ClearStore();
    Plant(StoreKey, L"Text", REG_SZ, WideText("7"));
    Plant(StoreKey, L"Long", REG_DWORD, {1, 2, 3, 4, 5, 6});
    Plant(StoreKey, L"Good", REG_DWORD, Dword(0x01020304));
    HKEY key;
    REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, StoreKey, 0, TestAccess, &key) == ERROR_SUCCESS);
    const int32_t currents[] = {0, -1, INT32_MIN, INT32_MAX, 0x11223344};
    for (int32_t current : currents) {
        CAPTURE(current);
        CHECK(QueryDwordSetting(key, L"Missing", current) == current);
        CHECK(QueryDwordSetting(key, L"Text", current) == current);
        CHECK(QueryDwordSetting(key, L"Long", current) == current);
        CHECK(QueryDwordSetting(key, L"Good", current) == 0x01020304);
    }
    RegCloseKey(key);
    ClearStore();
}

TEST_CASE("SaveSettings creates the key path and all four values as 4-byte REG_DWORDs")
{
    ClearStore();
    SetSettings(6, 2001, -1, INT32_MIN);
    SaveSettings();
    CHECK(KeyExists(L"Software"));
    CHECK(KeyExists(CompanyKey));
    CHECK(KeyExists(StoreKey));
    CheckStoredDword(L"MinMeters", 6);
    CheckStoredDword(L"MaxMeters", 2001);
    CheckStoredDword(L"MaxDegrees", 0xFFFFFFFFu);
    CheckStoredDword(L"MaxOrtError", 0x80000000u);
    CheckSettings(6, 2001, -1, INT32_MIN);

    // What was saved loads back unchanged
    ResetSettings();
    LoadSettings();
    CheckSettings(6, 2001, -1, INT32_MIN);
    ClearStore();
}

TEST_CASE("SaveSettings writes all four every time and replaces values of another type")
{
    ClearStore();
    Plant(StoreKey, L"MaxMeters", REG_SZ, WideText("2000"));
    Plant(StoreKey, L"MaxDegrees", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8});
    Plant(StoreKey, L"MinMeters", REG_DWORD, Dword(5));
    Plant(StoreKey, L"Foreign", REG_SZ, WideText("x"));
    SaveSettings();
    CheckStoredDword(L"MinMeters", 5);
    CheckStoredDword(L"MaxMeters", 1000);
    CheckStoredDword(L"MaxDegrees", 5);
    CheckStoredDword(L"MaxOrtError", 50);
    CHECK(Read(StoreKey, L"Foreign").data == WideText("x"));
    ClearStore();
}

TEST_CASE("A save after the key was deleted recreates it and reloads nothing")
{
    ClearStore();
    SetSettings(1, 2, 3, 4);
    SaveSettings();
    REQUIRE(RegDeleteTreeW(HKEY_CURRENT_USER, CompanyKey) == ERROR_SUCCESS);
    REQUIRE_FALSE(KeyExists(StoreKey));
    SetSettings(7, 8, 9, 10);
    SaveSettings();
    CheckSettings(7, 8, 9, 10);
    CheckStoredDword(L"MinMeters", 7);
    CheckStoredDword(L"MaxMeters", 8);
    CheckStoredDword(L"MaxDegrees", 9);
    CheckStoredDword(L"MaxOrtError", 10);
    ClearStore();
}

TEST_CASE("Loading and saving many times leaves no key open")
{
    ClearStore();
    for (int round = 0; round < 50; round++) {
        CAPTURE(round);
        SetSettings(round, round + 1, round + 2, round + 3);
        SaveSettings();
        ResetSettings();
        LoadSettings();
        CheckSettings(round, round + 1, round + 2, round + 3);
    }
    ClearStore();
}

// What the store relies on, and what the in-memory registry must do as Windows does.
TEST_CASE("Registry behaviour the store relies on")
{
    ClearStore();
    HKEY key;
    DWORD disposition = 0;

    SUBCASE("create makes every missing level, open finds only existing keys")
    {
        CHECK(RegOpenKeyExW(HKEY_CURRENT_USER, StoreKey, 0, TestAccess, &key) == ERROR_FILE_NOT_FOUND);
        REQUIRE(RegCreateKeyExW(HKEY_CURRENT_USER, StoreKey, 0, nullptr, 0, TestAccess, nullptr, &key,
                                &disposition) == ERROR_SUCCESS);
        CHECK(disposition == REG_CREATED_NEW_KEY);
        RegCloseKey(key);
        CHECK(KeyExists(CompanyKey));
        REQUIRE(RegCreateKeyExW(HKEY_CURRENT_USER, StoreKey, 0, nullptr, 0, TestAccess, nullptr, &key,
                                &disposition) == ERROR_SUCCESS);
        CHECK(disposition == REG_OPENED_EXISTING_KEY);
        RegCloseKey(key);
        CHECK(KeyExists(L"SOFTWARE\\quillon\\WAYFOLD"));
    }
    SUBCASE("a value too large for the buffer fails for lack of room and gives its size")
    {
        Plant(StoreKey, L"Long", REG_BINARY, {1, 2, 3, 4, 5});
        REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, StoreKey, 0, TestAccess, &key) == ERROR_SUCCESS);
        DWORD type = 0;
        DWORD size = 4;
        BYTE data[4] = {};
        CHECK(RegQueryValueExW(key, L"Long", nullptr, &type, data, &size) == ERROR_MORE_DATA);
        CHECK(size == 5);
        CHECK(type == REG_BINARY);
        RegCloseKey(key);
    }
    SUBCASE("types and sizes are reported as stored")
    {
        Plant(StoreKey, L"Text", REG_SZ, WideText("7"));
        Plant(StoreKey, L"Short", REG_DWORD, {1, 2});
        REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, StoreKey, 0, TestAccess, &key) == ERROR_SUCCESS);
        DWORD type = 0;
        DWORD size = 4;
        BYTE data[4] = {};
        CHECK(RegQueryValueExW(key, L"Text", nullptr, &type, data, &size) == ERROR_SUCCESS);
        CHECK(type == REG_SZ);
        CHECK(size == 4);
        size = 4;
        CHECK(RegQueryValueExW(key, L"Short", nullptr, &type, data, &size) == ERROR_SUCCESS);
        CHECK(type == REG_DWORD);
        CHECK(size == 2);
        size = 4;
        CHECK(RegQueryValueExW(key, L"Missing", nullptr, &type, data, &size) == ERROR_FILE_NOT_FOUND);
        RegCloseKey(key);
    }
    SUBCASE("a handle to a deleted key no longer reads or writes")
    {
        Plant(StoreKey, L"MinMeters", REG_DWORD, Dword(1));
        REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, StoreKey, 0, TestAccess, &key) == ERROR_SUCCESS);
        REQUIRE(RegDeleteTreeW(HKEY_CURRENT_USER, CompanyKey) == ERROR_SUCCESS);
        CHECK(QueryDwordSetting(key, L"MinMeters", 42) == 42);
        BYTE data[4] = {1, 0, 0, 0};
        CHECK(RegSetValueExW(key, L"MinMeters", 0, REG_DWORD, data, 4) == ERROR_KEY_DELETED);
        RegCloseKey(key);
        CHECK_FALSE(KeyExists(StoreKey));
    }
    ClearStore();
}

#if !defined(_WIN32)

// The in-memory registry's fixed tables: when they are full the store still fails
// quietly, as it must for any failing registry.
TEST_CASE("A save that cannot create the key changes nothing")
{
    ClearStore();
    HKEY key;
    DWORD disposition;
    int made = 0;
    wchar_t name[] = L"K00";
    while (made < 100) {
        name[1] = wchar_t(L'0' + made / 10);
        name[2] = wchar_t(L'0' + made % 10);
        if (RegCreateKeyExW(HKEY_CURRENT_USER, name, 0, nullptr, 0, 0, nullptr, &key, &disposition) !=
            ERROR_SUCCESS) break;
        RegCloseKey(key);
        made++;
    }
    CHECK(made == RegistryKeyCapacity - 1);
    SetSettings(1, 2, 3, 4);
    SaveSettings();
    CHECK_FALSE(KeyExists(L"Software"));
    CheckSettings(1, 2, 3, 4);
    ClearStore();
}

TEST_CASE("A failed value write does not stop the ones after it")
{
    ClearStore();
    Plant(StoreKey, L"MaxMeters", REG_SZ, WideText("1"));
    Plant(StoreKey, L"MaxOrtError", REG_SZ, WideText("2"));
    // Fill every free value slot elsewhere, so only replacing a value can succeed
    HKEY key;
    DWORD disposition;
    REQUIRE(RegCreateKeyExW(HKEY_CURRENT_USER, L"Filler", 0, nullptr, 0, 0, nullptr, &key,
                            &disposition) == ERROR_SUCCESS);
    wchar_t name[] = L"V00";
    BYTE data[4] = {};
    for (int i = 0; i < RegistryValueCapacity - 2; i++) {
        name[1] = wchar_t(L'0' + i / 10);
        name[2] = wchar_t(L'0' + i % 10);
        REQUIRE(RegSetValueExW(key, name, 0, REG_DWORD, data, 4) == ERROR_SUCCESS);
    }
    CHECK(RegSetValueExW(key, L"OneMore", 0, REG_DWORD, data, 4) == ERROR_OUTOFMEMORY);
    RegCloseKey(key);

    SetSettings(11, 12, 13, 14);
    SaveSettings();
    CHECK(Read(StoreKey, L"MinMeters").result == ERROR_FILE_NOT_FOUND);
    CheckStoredDword(L"MaxMeters", 12);
    CHECK(Read(StoreKey, L"MaxDegrees").result == ERROR_FILE_NOT_FOUND);
    CheckStoredDword(L"MaxOrtError", 14);
    ClearStore();
}

TEST_CASE("The in-memory registry refuses what does not fit its tables")
{
    ClearStore();
    HKEY key;
    DWORD disposition;
    REQUIRE(RegCreateKeyExW(HKEY_CURRENT_USER, StoreKey, 0, nullptr, 0, 0, nullptr, &key,
                            &disposition) == ERROR_SUCCESS);
    std::vector<BYTE> big(RegistryDataCapacity + 1, 7);
    CHECK(RegSetValueExW(key, L"Big", 0, REG_BINARY, big.data(), DWORD(big.size())) == ERROR_OUTOFMEMORY);
    CHECK(RegSetValueExW(key, L"Big", 0, REG_BINARY, big.data(), DWORD(big.size() - 1)) == ERROR_SUCCESS);
    std::wstring longName(RegistryNameCapacity, L'n');
    CHECK(RegSetValueExW(key, longName.c_str(), 0, REG_DWORD, big.data(), 4) == ERROR_INVALID_PARAMETER);
    HKEY other;
    CHECK(RegCreateKeyExW(key, (longName + L"\\x").c_str(), 0, nullptr, 0, 0, nullptr, &other,
                          &disposition) == ERROR_INVALID_PARAMETER);
    CHECK(RegCreateKeyExW(key, L"a\\\\b", 0, nullptr, 0, 0, nullptr, &other, &disposition) ==
          ERROR_BAD_PATHNAME);
    CHECK_FALSE(KeyExists(L"Software\\Quillon\\Wayfold\\a"));
    RegCloseKey(key);
    CHECK(RegCloseKey(key) == ERROR_INVALID_HANDLE);

    // Every handle open: the next open fails, and LoadSettings then keeps its values
    Plant(StoreKey, L"MinMeters", REG_DWORD, Dword(99));
    HKEY handles[RegistryHandleCapacity];
    for (HKEY &handle : handles)
        REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, 0, &handle) == ERROR_SUCCESS);
    CHECK(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, 0, &key) == ERROR_OUTOFMEMORY);
    LoadSettings();
    CheckSettings(5, 1000, 5, 50);
    for (HKEY handle : handles) RegCloseKey(handle);
    LoadSettings();
    CheckSettings(99, 1000, 5, 50);
    ClearStore();
}

#endif
