// The tests' stand-in for the registry part of <windows.h> on hosts without one: the calls
// the settings store makes, over the one key it uses, "Software\Quillon\Wayfold" under
// HKEY_CURRENT_USER. Tests plant raw values of any type and size with the same calls.
#ifndef WAYFOLD_TEST_REGISTRY_H
#define WAYFOLD_TEST_REGISTRY_H

#include <stdint.h>

typedef uint32_t DWORD, REGSAM;
typedef int32_t LONG;
typedef unsigned char BYTE;
typedef struct HostKey *HKEY;

extern const HKEY HKEY_CURRENT_USER;
const DWORD REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4;
const REGSAM KEY_QUERY_VALUE = 1, KEY_SET_VALUE = 2;
const LONG ERROR_SUCCESS = 0, ERROR_FILE_NOT_FOUND = 2, ERROR_ACCESS_DENIED = 5, ERROR_MORE_DATA = 234;

// Handles are not checked: a value written through any handle lands in the key.
LONG RegOpenKeyExW(HKEY root, const wchar_t *path, DWORD options, REGSAM access, HKEY *key);
LONG RegCreateKeyExW(HKEY root, const wchar_t *path, DWORD reserved, wchar_t *keyClass, DWORD options,
                     REGSAM access, void *security, HKEY *key, DWORD *disposition);
LONG RegQueryValueExW(HKEY key, const wchar_t *name, DWORD *reserved, DWORD *type, BYTE *data, DWORD *size);
LONG RegSetValueExW(HKEY key, const wchar_t *name, DWORD reserved, DWORD type, const BYTE *data, DWORD size);
LONG RegCloseKey(HKEY key);
LONG RegDeleteTreeW(HKEY root, const wchar_t *path); // removes the key, whatever the path

// For tests: keys opened and not closed; whether creating the key fails.
extern int HostOpenKeys;
extern bool HostCreateFails;

#endif
