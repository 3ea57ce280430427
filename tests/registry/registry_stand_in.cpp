// The one key in memory, with up to eight values of up to 16 bytes each.
#include <windows.h>

#include <string.h>
#include <wchar.h>

struct HostKey {};
struct HostValue {
    wchar_t Name[16];
    DWORD Type, Size;
    BYTE Data[16];
};

static HostKey Root, Key;
static bool KeyExists = false;
static HostValue Values[8];
static int ValueCount = 0;
const HKEY HKEY_CURRENT_USER = &Root;
int HostOpenKeys = 0;
bool HostCreateFails = false;

LONG RegOpenKeyExW(HKEY root, const wchar_t *path, DWORD, REGSAM, HKEY *key)
{
    if (root != HKEY_CURRENT_USER || wcscmp(path, L"Software\\Quillon\\Wayfold") != 0 || !KeyExists)
        return ERROR_FILE_NOT_FOUND;
    ++HostOpenKeys;
    *key = &Key;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY root, const wchar_t *path, DWORD, wchar_t *, DWORD, REGSAM, void *, HKEY *key, DWORD *)
{
    if (HostCreateFails) return ERROR_ACCESS_DENIED;
    KeyExists = KeyExists || root == HKEY_CURRENT_USER;
    return RegOpenKeyExW(root, path, 0, 0, key);
}

static HostValue *Find(const wchar_t *name)
{
    for (int i = 0; i < ValueCount; i++)
        if (wcscmp(Values[i].Name, name) == 0) return &Values[i];
    return 0;
}

// Too small a buffer gets as much as fits, as a real registry may leave it.
LONG RegQueryValueExW(HKEY, const wchar_t *name, DWORD *, DWORD *type, BYTE *data, DWORD *size)
{
    const HostValue *value = Find(name);
    if (value == 0) return ERROR_FILE_NOT_FOUND;
    *type = value->Type;
    LONG result = *size < value->Size ? ERROR_MORE_DATA : ERROR_SUCCESS;
    memcpy(data, value->Data, result == ERROR_SUCCESS ? value->Size : *size);
    *size = value->Size;
    return result;
}

LONG RegSetValueExW(HKEY, const wchar_t *name, DWORD, DWORD type, const BYTE *data, DWORD size)
{
    HostValue *value = Find(name);
    if (value == 0) value = &Values[ValueCount++];
    wcscpy(value->Name, name);
    value->Type = type;
    value->Size = size;
    if (size > 0) memcpy(value->Data, data, size);
    KeyExists = true;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY)
{
    --HostOpenKeys;
    return ERROR_SUCCESS;
}

LONG RegDeleteTreeW(HKEY, const wchar_t *)
{
    KeyExists = false;
    ValueCount = 0;
    return ERROR_SUCCESS;
}
