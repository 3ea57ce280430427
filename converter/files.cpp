#include "converter/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/file_io.h"

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
const wchar_t Separator = L'\\';

fs::path NativePath(const std::wstring &path) { return fs::path(path); }
std::wstring WideName(const fs::path &name) { return name.wstring(); }
int ProcessId() { return _getpid(); }
#else
const wchar_t Separator = L'/';

// Paths are bytes here: the wide text is the bytes decoded, and encodes back to them.
fs::path NativePath(const std::wstring &path) { return fs::path(Utf8(path)); }
std::wstring WideName(const fs::path &name)
{
    std::string bytes = name.native();
    std::vector<wchar_t> text(bytes.size() + 1);
    DecodeUtf8(bytes.c_str(), text.data(), static_cast<int>(text.size()));
    return text.data();
}
int ProcessId() { return static_cast<int>(getpid()); }
#endif

}  // namespace

std::string Utf8(const std::wstring &text)
{
    // A character takes at most four bytes; a lone surrogate's stand-in one.
    std::vector<char> bytes(text.size() * 4 + 1);
    int length = EncodeUtf8(text.c_str(), static_cast<int>(text.size()), bytes.data(), static_cast<int>(bytes.size()));
    return std::string(bytes.data(), length < 0 ? 0 : length);
}

PathKind KindOfPath(const std::wstring &path)
{
    std::error_code error;
    fs::file_status status = fs::status(NativePath(path), error);
    if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::none) return PathKind::Missing;
    if (status.type() == fs::file_type::regular) return PathKind::RegularFile;
    if (status.type() == fs::file_type::directory) return PathKind::Folder;
    return PathKind::Other;
}

FolderListing ListFolder(const std::wstring &folder, int (*formatOf)(const std::wstring &name))
{
    FolderListing listing;
    std::vector<std::pair<std::string, std::pair<std::wstring, int>>> found;  // keyed by the name's bytes
    std::wstring prefix = folder;
    if (prefix.empty() || !IsSeparator(prefix.back())) prefix += Separator;
    std::error_code error;
    for (fs::directory_iterator entry(NativePath(folder), error), end; !error && entry != end; entry.increment(error)) {
        std::error_code typeError;
        if (!entry->is_regular_file(typeError)) continue;
        std::wstring name = WideName(entry->path().filename());
        int format = formatOf(name);
        if (format == 0) listing.passedOver++;
        else found.emplace_back(Utf8(name), std::make_pair(prefix + name, format));
    }
    listing.unreadable = static_cast<bool>(error);
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (auto &entry : found) listing.tracks.push_back(std::move(entry.second));
    return listing;
}

bool IsSeparator(wchar_t c)
{
#if defined(_WIN32)
    return c == L'\\' || c == L'/' || c == L':';
#else
    return c == L'/';
#endif
}

std::wstring FolderOf(const std::wstring &path)
{
    size_t end = path.size();
    while (end > 0 && !IsSeparator(path[end - 1])) end--;
    return path.substr(0, end);
}

std::string FileKey(const std::wstring &path)
{
    fs::path native = NativePath(path);
#if !defined(_WIN32)
    struct stat info;
    if (stat(native.c_str(), &info) == 0)
        return "file " + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
#endif
    std::error_code error;
    fs::path full = fs::weakly_canonical(native, error);
    if (error) full = fs::absolute(native, error).lexically_normal();
#if defined(_WIN32)
    std::wstring text = full.wstring();
    for (wchar_t &c : text) c = static_cast<wchar_t>(std::towlower(c));
    return "path " + Utf8(text);
#else
    return "path " + full.native();
#endif
}

std::wstring ScratchBeside(const std::wstring &path, int capacity)
{
    // A hidden name in the same folder, so that the move is a rename on one file system.
    std::wstring folder = FolderOf(path), name = path.substr(folder.size());
    for (int attempt = 0; attempt < 100; attempt++) {
        std::wstring scratch = folder + L"." + name + L"." + std::to_wstring(ProcessId()) +
                               (attempt ? L"-" + std::to_wstring(attempt) : L"") + L".tmp";
        if (scratch.size() + 1 > static_cast<size_t>(capacity)) return L"";
        if (KindOfPath(scratch) == PathKind::Missing) return scratch;
    }
    return L"";
}

std::string MoveOver(const std::wstring &from, const std::wstring &to)
{
#if defined(_WIN32)
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return "";
    return "Windows error " + std::to_string(GetLastError());
#else
    if (std::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0) return "";
    return std::strerror(errno);
#endif
}

void RemoveIfThere(const std::wstring &path)
{
    std::error_code error;
    fs::remove(NativePath(path), error);
}
