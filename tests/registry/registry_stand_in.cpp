// The in-memory registry of hosts without one: keys in a tree, typed values with sizes,
// handles that notice when their key is deleted. Fixed tables, nothing allocated, and
// nothing kept when the process ends.
#include <windows.h>

#include <string.h>

struct HostKey {
    bool Used;
    int Parent;     // index of the parent key; the root has none
    DWORD Serial;   // tells a key from a later one in the same slot
    wchar_t Name[RegistryNameCapacity];
};

struct HostValue {
    bool Used;
    int Key;
    DWORD Type;
    DWORD Size;
    wchar_t Name[RegistryNameCapacity];
    BYTE Data[RegistryDataCapacity];
};

struct HostKeyHandle {
    bool Used;
    int Key;
    DWORD Serial;   // the key's serial when the handle was opened
};

// Slot 0 is HKEY_CURRENT_USER's key, the root of every path.
static const int RootKey = 0;
static HostKey Keys[RegistryKeyCapacity] = { { true, -1, 0, { 0 } } };
static HostValue Values[RegistryValueCapacity];
static HostKeyHandle Handles[RegistryHandleCapacity];
static HostKeyHandle CurrentUserHandle = { true, RootKey, 0 };
static DWORD NextSerial = 1;

const HKEY HKEY_CURRENT_USER = &CurrentUserHandle;

// Names compare as the Windows registry compares them, ignoring ASCII case.
static wchar_t FoldCase(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// 1 when the stored name equals the length characters at name.
static int NameMatches(const wchar_t *stored, const wchar_t *name, int length)
{
    int i;
    for (i = 0; i < length; i++) {
        if (stored[i] == 0 || FoldCase(stored[i]) != FoldCase(name[i])) return 0;
    }
    return stored[length] == 0;
}

// Copies length characters of name and the terminator; the caller checked the length.
static void StoreName(wchar_t *stored, const wchar_t *name, int length)
{
    memcpy(stored, name, static_cast<size_t>(length) * sizeof(wchar_t));
    stored[length] = 0;
}

// The key an open handle stands for, or -1 with the reason in *result.
static int KeyOfHandle(HKEY key, LONG *result)
{
    int i;
    if (key == HKEY_CURRENT_USER) return RootKey;
    for (i = 0; i < RegistryHandleCapacity; i++) {
        if (key == &Handles[i] && Handles[i].Used) {
            const HostKey *target = &Keys[Handles[i].Key];
            if (target->Used && target->Serial == Handles[i].Serial) return Handles[i].Key;
            *result = ERROR_KEY_DELETED;
            return -1;
        }
    }
    *result = ERROR_INVALID_HANDLE;
    return -1;
}

static int FindChild(int parent, const wchar_t *name, int length)
{
    int i;
    for (i = 0; i < RegistryKeyCapacity; i++) {
        if (Keys[i].Used && i != RootKey && Keys[i].Parent == parent &&
            NameMatches(Keys[i].Name, name, length)) return i;
    }
    return -1;
}

static int FindValue(int key, const wchar_t *name)
{
    int length = static_cast<int>(wcslen(name));
    int i;
    for (i = 0; i < RegistryValueCapacity; i++) {
        if (Values[i].Used && Values[i].Key == key && NameMatches(Values[i].Name, name, length))
            return i;
    }
    return -1;
}

// An empty path names the key itself; otherwise every level must be 1 to
// RegistryNameCapacity - 1 characters long.
static LONG CheckPath(const wchar_t *path)
{
    LONG result = ERROR_SUCCESS;
    int length = 0;
    if (*path == 0) return result;
    for (;; path++) {
        if (*path != L'\\' && *path != 0) {
            length++;
            continue;
        }
        if (length == 0) result = ERROR_BAD_PATHNAME;
        else if (length >= RegistryNameCapacity) result = ERROR_INVALID_PARAMETER;
        if (*path == 0 || result != ERROR_SUCCESS) break;
        length = 0;
    }
    return result;
}

// Walks path down from key; with create, missing levels are made one by one. Returns the
// key reached or -1 with the reason in *result; *created tells whether the last level
// was made.
static int WalkPath(int key, const wchar_t *path, int create, int *created, LONG *result)
{
    *created = 0;
    while (key >= 0 && *path != 0) {
        int length = 0;
        int child;
        while (path[length] != 0 && path[length] != L'\\') length++;
        child = FindChild(key, path, length);
        *created = 0;
        if (child < 0 && create) {
            int i;
            for (i = 0; i < RegistryKeyCapacity && child < 0; i++) {
                if (!Keys[i].Used) child = i;
            }
            if (child >= 0) {
                Keys[child].Used = true;
                Keys[child].Parent = key;
                Keys[child].Serial = NextSerial++;
                StoreName(Keys[child].Name, path, length);
                *created = 1;
            } else {
                *result = ERROR_OUTOFMEMORY;
            }
        } else if (child < 0) {
            *result = ERROR_FILE_NOT_FOUND;
        }
        key = child;
        path += length;
        if (*path == L'\\') path++;
    }
    return key;
}

static int FreeHandle()
{
    int i;
    for (i = 0; i < RegistryHandleCapacity; i++) {
        if (!Handles[i].Used) return i;
    }
    return -1;
}

static void OpenHandle(int slot, int key, PHKEY result)
{
    Handles[slot].Used = true;
    Handles[slot].Key = key;
    Handles[slot].Serial = Keys[key].Serial;
    *result = &Handles[slot];
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    LONG status = ERROR_SUCCESS;
    int from = KeyOfHandle(key, &status);
    int slot = FreeHandle();
    int created;
    int target;
    (void)options;
    (void)access;
    if (from < 0) return status;
    if (result == 0) return ERROR_INVALID_PARAMETER;
    if (subKey == 0) subKey = L"";
    status = CheckPath(subKey);
    if (status != ERROR_SUCCESS) return status;
    if (slot < 0) return ERROR_OUTOFMEMORY;
    target = WalkPath(from, subKey, 0, &created, &status);
    if (target < 0) return status;
    OpenHandle(slot, target, result);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize)
{
    LONG status = ERROR_SUCCESS;
    int owner = KeyOfHandle(key, &status);
    int found;
    const HostValue *value;
    (void)reserved;
    if (owner < 0) return status;
    if (data != 0 && dataSize == 0) return ERROR_INVALID_PARAMETER;
    found = FindValue(owner, valueName ? valueName : L"");
    if (found < 0) return ERROR_FILE_NOT_FOUND;
    value = &Values[found];
    if (type) *type = value->Type;
    if (data != 0 && *dataSize < value->Size) {
        // Too small: as much as fits, as a real registry may leave it, and the size needed
        memcpy(data, value->Data, *dataSize);
        *dataSize = value->Size;
        return ERROR_MORE_DATA;
    }
    if (data != 0) memcpy(data, value->Data, value->Size);
    if (dataSize) *dataSize = value->Size;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass,
                     DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                     PHKEY result, LPDWORD disposition)
{
    LONG status = ERROR_SUCCESS;
    int from = KeyOfHandle(key, &status);
    int slot = FreeHandle();
    int created;
    int target;
    (void)reserved;
    (void)keyClass;
    (void)options;
    (void)access;
    (void)security;
    if (from < 0) return status;
    if (result == 0) return ERROR_INVALID_PARAMETER;
    if (subKey == 0) subKey = L"";
    status = CheckPath(subKey);
    if (status != ERROR_SUCCESS) return status;
    if (slot < 0) return ERROR_OUTOFMEMORY;
    target = WalkPath(from, subKey, 1, &created, &status);
    if (target < 0) return status;
    OpenHandle(slot, target, result);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type,
                    const BYTE *data, DWORD dataSize)
{
    LONG status = ERROR_SUCCESS;
    int owner = KeyOfHandle(key, &status);
    int length;
    int found;
    int i;
    (void)reserved;
    if (owner < 0) return status;
    if (valueName == 0) valueName = L"";
    length = static_cast<int>(wcslen(valueName));
    if (length >= RegistryNameCapacity) return ERROR_INVALID_PARAMETER;
    if (data == 0 && dataSize > 0) return ERROR_INVALID_PARAMETER;
    if (dataSize > static_cast<DWORD>(RegistryDataCapacity)) return ERROR_OUTOFMEMORY;
    found = FindValue(owner, valueName);
    for (i = 0; i < RegistryValueCapacity && found < 0; i++) {
        if (!Values[i].Used) found = i;
    }
    if (found < 0) return ERROR_OUTOFMEMORY;
    // A value of the same name is replaced whatever its type was
    Values[found].Used = true;
    Values[found].Key = owner;
    Values[found].Type = type;
    Values[found].Size = dataSize;
    StoreName(Values[found].Name, valueName, length);
    if (dataSize > 0) memcpy(Values[found].Data, data, dataSize);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    int i;
    if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    for (i = 0; i < RegistryHandleCapacity; i++) {
        if (key == &Handles[i] && Handles[i].Used) {
            Handles[i].Used = false;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_INVALID_HANDLE;
}

// 1 when key lies below top (top itself included).
static int InTree(int key, int top)
{
    while (key >= 0 && key != top) key = Keys[key].Parent;
    return key == top;
}

LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey)
{
    LONG status = ERROR_SUCCESS;
    int from = KeyOfHandle(key, &status);
    bool doomed[RegistryKeyCapacity];
    int created;
    int top;
    int i;
    if (from < 0) return status;
    if (subKey == 0) subKey = L"";
    status = CheckPath(subKey);
    if (status != ERROR_SUCCESS) return status;
    top = WalkPath(from, subKey, 0, &created, &status);
    if (top < 0) return status;
    // Mark first, then remove, so the walk up the parents still finds its way
    for (i = 0; i < RegistryKeyCapacity; i++) {
        doomed[i] = Keys[i].Used && i != RootKey && InTree(i, top) && (i != top || *subKey != 0);
    }
    for (i = 0; i < RegistryValueCapacity; i++) {
        if (Values[i].Used && (doomed[Values[i].Key] || (Values[i].Key == top && *subKey == 0)))
            Values[i].Used = false;
    }
    for (i = 0; i < RegistryKeyCapacity; i++) {
        if (doomed[i]) Keys[i].Used = false;
    }
    return ERROR_SUCCESS;
}

void HostRegistryReset()
{
    int i;
    for (i = 0; i < RegistryKeyCapacity; i++) {
        if (i != RootKey) Keys[i].Used = false;
    }
    for (i = 0; i < RegistryValueCapacity; i++) Values[i].Used = false;
    for (i = 0; i < RegistryHandleCapacity; i++) Handles[i].Used = false;
}
