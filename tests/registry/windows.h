// The tests' stand-in for the registry part of <windows.h> on hosts without a registry:
// the five operations the settings store uses, with the same names, types and results,
// over a small in-memory store, so the store's rules run and are tested on every host.
#ifndef WAYFOLD_TEST_REGISTRY_H
#define WAYFOLD_TEST_REGISTRY_H

#include <stdint.h>
#include <wchar.h>

// The store's fixed tables. The program keeps one key path of three levels
// ("Software\Quillon\Wayfold") with four values and holds at most one key open at a time;
// the rest is room for tests that plant foreign keys and values beside them. Names are at
// most RegistryNameCapacity - 1 characters (the longest the program uses, "MaxOrtError",
// has 11); a value holds up to RegistryDataCapacity bytes: a DWORD is 4, and a short
// string or binary planted in its place fits too.
const int RegistryKeyCapacity = 16;
const int RegistryValueCapacity = 16;
const int RegistryHandleCapacity = 4;
const int RegistryNameCapacity = 32;
const int RegistryDataCapacity = 64;

typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned char BYTE;
typedef wchar_t WCHAR;
typedef const wchar_t *LPCWSTR;
typedef wchar_t *LPWSTR;
typedef DWORD REGSAM;
typedef DWORD *LPDWORD;
typedef BYTE *LPBYTE;

// A key handle: a slot of the store's handle table.
struct HostKeyHandle;
typedef HostKeyHandle *HKEY;
typedef HKEY *PHKEY;

// Never looked at; present so that calls read as they do on Windows.
struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;

// The root every path starts from. Always open; closing it does nothing.
extern const HKEY HKEY_CURRENT_USER;

// Value types (the store keeps any type number, these are the ones that matter here).
const DWORD REG_NONE = 0;
const DWORD REG_SZ = 1;
const DWORD REG_BINARY = 3;
const DWORD REG_DWORD = 4;

// Access rights are accepted and not enforced, as on Windows CE.
const REGSAM KEY_QUERY_VALUE = 0x0001;
const REGSAM KEY_SET_VALUE = 0x0002;

// RegCreateKeyExW's dispositions.
const DWORD REG_CREATED_NEW_KEY = 1;
const DWORD REG_OPENED_EXISTING_KEY = 2;

// Results, with the Windows numbers.
const LONG ERROR_SUCCESS = 0;
const LONG ERROR_FILE_NOT_FOUND = 2;       // no such key or value
const LONG ERROR_INVALID_HANDLE = 6;       // not an open handle
const LONG ERROR_OUTOFMEMORY = 14;         // a table of the store is full
const LONG ERROR_INVALID_PARAMETER = 87;   // a name or value too long, a missing argument
const LONG ERROR_BAD_PATHNAME = 161;       // an empty level in a key path
const LONG ERROR_MORE_DATA = 234;          // the value does not fit the caller's buffer
const LONG ERROR_KEY_DELETED = 1018;       // the handle's key was deleted meanwhile

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize);
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass,
                     DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                     PHKEY result, LPDWORD disposition);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type,
                    const BYTE *data, DWORD dataSize);
LONG RegCloseKey(HKEY key);

// For tests, as on Windows: removes the key subKey names under key with everything below
// it; with no subKey, everything below key. Returns 0 or ERROR_FILE_NOT_FOUND.
LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey);

// For tests: empties the whole store and closes every handle. A raw value of any type
// and size is planted with RegCreateKeyExW and RegSetValueExW, as on Windows.
void HostRegistryReset();

#endif
