#include "platform/file_io.h"

#include "common/wayfold_limits.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#if !defined(_WIN32)
// A path as the file system takes it: UTF-8, each byte of an undecodable name restored.
// Paths are never longer than OutputPathCapacity characters, each at most 4 bytes.
static const int BytePathCapacity = OutputPathCapacity * 4 + 1;
static char BytePath[BytePathCapacity];
static char SecondBytePath[BytePathCapacity];

static int ToBytePath(const wchar_t *path, char *out)
{
    return EncodeUtf8(path, (int)wcslen(path), out, BytePathCapacity);
}
#endif

FILE *OpenFileByPath(const wchar_t *path, const char *mode)
{
    FILE *file = 0;
#if defined(_WIN32)
    // "rb" or "wb", and room for one more letter and the terminator.
    static const int ModeLengthMax = 3;
    wchar_t wideMode[ModeLengthMax + 1] = { 0, 0, 0, 0 };
    for (int i = 0; i < ModeLengthMax && mode[i]; i++) wideMode[i] = (wchar_t)mode[i];
    file = _wfopen(path, wideMode);
#else
    struct stat status;
    if (ToBytePath(path, BytePath) >= 0) {
        file = fopen(BytePath, mode);
        // Reading a directory "succeeds" here; it is no input.
        if (file && fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
            fclose(file);
            file = 0;
        }
    }
#endif
    return file;
}

#if defined(_WIN32)
// Volume and file index of an existing file; 0 when it cannot be opened.
static int FileIdentity(const wchar_t *path, BY_HANDLE_FILE_INFORMATION *info)
{
    int found = 0;
    HANDLE handle = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, 0);
    if (handle != INVALID_HANDLE_VALUE) {
        found = GetFileInformationByHandle(handle, info) ? 1 : 0;
        CloseHandle(handle);
    }
    return found;
}
#endif

FILE *OpenScratchFile()
{
#if defined(_WIN32)
    // The C library's tmpfile() makes its file in the root of the drive, where a user may
    // not write: the user's temporary folder instead, removed when the file is closed.
    static wchar_t Folder[MAX_PATH + 1];
    static wchar_t Path[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, Folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(Folder, L"wfd", 0, Path) == 0) return 0;
    return _wfopen(Path, L"w+bD");
#else
    return tmpfile();
#endif
}

int SameExistingFile(const wchar_t *first, const wchar_t *second)
{
    int same = 0;
#if defined(_WIN32)
    BY_HANDLE_FILE_INFORMATION a;
    BY_HANDLE_FILE_INFORMATION b;
    if (FileIdentity(first, &a)) {
        if (_wcsicmp(first, second) == 0) {
            same = 1;
        } else if (FileIdentity(second, &b)) {
            same = a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                   a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
        }
    }
#else
    struct stat a;
    struct stat b;
    if (ToBytePath(first, BytePath) >= 0 && ToBytePath(second, SecondBytePath) >= 0 &&
        stat(BytePath, &a) == 0 && stat(SecondBytePath, &b) == 0) {
        same = a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }
#endif
    return same;
}

// Puts one byte if it fits; returns the new length or -1.
static int PutByte(char *out, int length, int capacity, int byte)
{
    if (length < 0 || length + 1 >= capacity) return -1;
    out[length] = (char)byte;
    return length + 1;
}

int EncodeUtf8(const wchar_t *text, int length, char *out, int capacity)
{
    int written = 0;
    for (int i = 0; i < length && written >= 0; i++) {
        unsigned long code = (unsigned long)text[i];
#if defined(_WIN32)
        // UTF-16: a surrogate pair is one character; a lone surrogate is written as is.
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < length &&
            (unsigned long)text[i + 1] >= 0xDC00 && (unsigned long)text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + ((unsigned long)text[i + 1] - 0xDC00);
            i++;
        }
#else
        // A byte that was not valid UTF-8 when the path came in goes back out unchanged.
        if (code >= 0xDC80 && code <= 0xDCFF) {
            written = PutByte(out, written, capacity, (int)(code - 0xDC00));
            continue;
        }
#endif
        if (code < 0x80) {
            written = PutByte(out, written, capacity, (int)code);
        } else if (code < 0x800) {
            written = PutByte(out, written, capacity, (int)(0xC0 | (code >> 6)));
            written = PutByte(out, written, capacity, (int)(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            written = PutByte(out, written, capacity, (int)(0xE0 | (code >> 12)));
            written = PutByte(out, written, capacity, (int)(0x80 | ((code >> 6) & 0x3F)));
            written = PutByte(out, written, capacity, (int)(0x80 | (code & 0x3F)));
        } else if (code < 0x110000) {
            written = PutByte(out, written, capacity, (int)(0xF0 | (code >> 18)));
            written = PutByte(out, written, capacity, (int)(0x80 | ((code >> 12) & 0x3F)));
            written = PutByte(out, written, capacity, (int)(0x80 | ((code >> 6) & 0x3F)));
            written = PutByte(out, written, capacity, (int)(0x80 | (code & 0x3F)));
        } else {
            written = -1;
        }
    }
    if (written >= 0 && written < capacity) out[written] = 0;
    else written = -1;
    return written;
}

// Length of the valid UTF-8 sequence at text and its code point, or 0 when invalid.
static int DecodeOne(const unsigned char *text, unsigned long *code)
{
    int length = 0;
    unsigned long minimum = 0;
    if (text[0] < 0x80) { *code = text[0]; return 1; }
    if ((text[0] & 0xE0) == 0xC0) { length = 2; *code = text[0] & 0x1F; minimum = 0x80; }
    else if ((text[0] & 0xF0) == 0xE0) { length = 3; *code = text[0] & 0x0F; minimum = 0x800; }
    else if ((text[0] & 0xF8) == 0xF0) { length = 4; *code = text[0] & 0x07; minimum = 0x10000; }
    else return 0;
    for (int i = 1; i < length; i++) {
        if ((text[i] & 0xC0) != 0x80) return 0;
        *code = (*code << 6) | (text[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    if (*code < minimum || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF)) return 0;
    return length;
}

int DecodeUtf8(const char *text, wchar_t *out, int capacity)
{
    const unsigned char *bytes = (const unsigned char *)text;
    int written = 0;
    while (*bytes && written >= 0) {
        unsigned long code = 0;
        int used = DecodeOne(bytes, &code);
        if (used == 0) {
            code = 0xDC00 + *bytes;
            used = 1;
        }
        bytes += used;
#if defined(_WIN32)
        if (code >= 0x10000) {
            if (written + 2 >= capacity) { written = -1; break; }
            out[written++] = (wchar_t)(0xD800 + ((code - 0x10000) >> 10));
            out[written++] = (wchar_t)(0xDC00 + ((code - 0x10000) & 0x3FF));
            continue;
        }
#endif
        if (written + 1 >= capacity) { written = -1; break; }
        out[written++] = (wchar_t)code;
    }
    if (written >= 0) out[written] = 0;
    return written;
}
