// What the converter asks of the file system: the tracks a command line names (files as
// given, and the tracks directly inside folders), what a path names, one key for every
// spelling of a file, and route files written beside their place and moved into it.
#ifndef WAYFOLD_CONVERTER_FILES_H
#define WAYFOLD_CONVERTER_FILES_H

#include <string>
#include <vector>

// Wide text as UTF-8 (on hosts with byte paths, the bytes it was decoded from).
std::string Utf8(const std::wstring &text);

// What a path names.
enum class PathKind { Missing, RegularFile, Folder, Other };
PathKind KindOfPath(const std::wstring &path);

// The regular files directly inside folder whose names formatOf gives a format (from the
// extension), in byte order of the names (UTF-8 on Windows), each with its format.
struct FolderListing {
    std::vector<std::pair<std::wstring, int>> tracks;
    int passedOver = 0;    // other regular files
    bool unreadable = false;
};
FolderListing ListFolder(const std::wstring &folder, int (*formatOf)(const std::wstring &name));

// The folder part of a path, with its separator ("" for a bare name), and whether c
// separates a path's parts here.
bool IsSeparator(wchar_t c);
std::wstring FolderOf(const std::wstring &path);

// One key for every spelling of a file: an existing file by its identity (links and hard
// links included), another by its full path with the links of its folders resolved (on
// Windows without regard to case). Equal keys: the same file.
std::string FileKey(const std::wstring &path);

// A name beside path that no file has yet, for writing what replaces path; "" when none fits
// in capacity characters (terminator included).
std::wstring ScratchBeside(const std::wstring &path, int capacity);

// Moves from over to (replacing it); removes a file. Empty when done, else the reason.
std::string MoveOver(const std::wstring &from, const std::wstring &to);
void RemoveIfThere(const std::wstring &path);

#endif
