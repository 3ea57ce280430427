// Files by wide path, through C stdio: _wfopen on Windows, the path encoded as UTF-8
// elsewhere. Also the byte reader the track readers use on their hot path.
#ifndef WAYFOLD_FILE_IO_H
#define WAYFOLD_FILE_IO_H

#include <stdio.h>
#include <wchar.h>

// Opens path in mode "rb" or "wb". A directory is never opened (on Windows it already
// fails to open). Returns 0 on failure.
FILE *OpenFileByPath(const wchar_t *path, const char *mode);

// A temporary file for reading and writing, removed when it is closed; 0 on failure.
FILE *OpenScratchFile();

// 1 when both paths name one existing file (the same file identity where the platform
// can tell, as through a link; on Windows also a case-insensitive match of the paths),
// else 0.
int SameExistingFile(const wchar_t *first, const wchar_t *second);

// One byte from the stream, or EOF. A single thread reads, so the stream lock that
// getc takes for every byte is skipped where the C library allows it.
#if defined(_WIN32)
#define ReadByte(file) getc(file)
#else
#define ReadByte(file) getc_unlocked(file)
#endif

// Wide text to UTF-8 and back, for paths and messages on hosts whose file names and
// consoles are byte strings. On 4-byte wchar_t hosts a byte that is not part of valid
// UTF-8 decodes to U+DC80 + byte and encodes back to that byte, so no path is lost.
// Both return the length written (without the terminator), or -1 when capacity (which
// counts the terminator) is too small.
int EncodeUtf8(const wchar_t *text, int length, char *out, int capacity);
int DecodeUtf8(const char *text, wchar_t *out, int capacity);

#endif
