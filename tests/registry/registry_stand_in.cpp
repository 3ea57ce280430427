// The one key in memory, with up to eight values of up to 16 bytes each.
#include <windows.h>

#include <string.h>
#include <wchar.h>

struct HostKey {};
static HostKey Root, Key;
const HKEY HKEY_CURRENT_USER = &Root;
static bool KeyExists = false;
static struct {
    wchar_t Name[16];
    DWORD Type, Size;
    BYTE Data[16];
} Values[8];
static int ValueCount = 0;
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
    KeyExists = true;
    return RegOpenKeyExW(root, path, 0, 0, key);
}

static int Find(const wchar_t *name)
{
    int i = 0;
    while (i < ValueCount && wcscmp(Values[i].Name, name) != 0) i++;
    return i;
}

// Too small a buffer gets as much as fits, as a real registry may leave it.
LONG RegQueryValueExW(HKEY, const wchar_t *name, DWORD *, DWORD *type, BYTE *data, DWORD *size)
{
    int i = Find(name);
    if (i == ValueCount) return ERROR_FILE_NOT_FOUND;
    *type = Values[i].Type;
    LONG result = *size < Values[i].Size ? ERROR_MORE_DATA : ERROR_SUCCESS;
    memcpy(data, Values[i].Data, result == ERROR_SUCCESS ? Values[i].Size : *size);
    *size = Values[i].Size;
    return result;
}

LONG RegSetValueExW(HKEY, const wchar_t *name, DWORD, DWORD type, const BYTE *data, DWORD size)
{
    int i = Find(name);
    ValueCount += i == ValueCount;
    wcscpy(Values[i].Name, name);
    Values[i].Type = type;
    Values[i].Size = size;
    if (size > 0) memcpy(Values[i].Data, data, size);
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
