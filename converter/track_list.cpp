#include "converter/track_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/file_io.h"

namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
const wchar_t Separator = L'\\';

fs::path NativePath(const std::wstring &path) { return fs::path(path); }
std::wstring WideName(const fs::path &name) { return name.wstring(); }
std::string NameBytes(const fs::path &name) { return name.u8string(); }  // a std::string in C++17
#else
const wchar_t Separator = L'/';

// Paths are bytes here: the wide text is the bytes decoded, and encodes back to them.
fs::path NativePath(const std::wstring &path)
{
    std::vector<char> bytes(path.size() * 4 + 1);
    int length = EncodeUtf8(path.c_str(), static_cast<int>(path.size()), bytes.data(), static_cast<int>(bytes.size()));
    return fs::path(std::string(bytes.data(), length < 0 ? 0 : length));
}
std::wstring WideName(const fs::path &name)
{
    std::string bytes = name.native();
    std::vector<wchar_t> text(bytes.size() + 1);
    DecodeUtf8(bytes.c_str(), text.data(), static_cast<int>(text.size()));
    return text.data();
}
std::string NameBytes(const fs::path &name) { return name.native(); }
#endif

}  // namespace

bool IsFolder(const std::wstring &path)
{
    std::error_code error;
    return fs::is_directory(NativePath(path), error);
}

std::vector<TrackJob> FolderTracks(const std::wstring &folder, int (*formatOf)(const std::wstring &name))
{
    std::vector<std::pair<std::string, TrackJob>> found;  // keyed by the name's bytes
    std::wstring prefix = folder;
    if (prefix.empty() || (prefix.back() != Separator && prefix.back() != L'/')) prefix += Separator;
    std::error_code error;
    for (fs::directory_iterator entry(NativePath(folder), error), end; !error && entry != end; entry.increment(error)) {
        std::error_code typeError;
        if (!entry->is_regular_file(typeError)) continue;
        fs::path name = entry->path().filename();
        TrackJob job;
        job.path = prefix + WideName(name);
        job.format = formatOf(WideName(name));
        if (job.format != 0) found.emplace_back(NameBytes(name), job);
    }
    std::vector<TrackJob> jobs;
    if (error || found.empty()) {
        std::vector<char> shown(folder.size() * 4 + 1);
        int length = EncodeUtf8(folder.c_str(), static_cast<int>(folder.size()), shown.data(), static_cast<int>(shown.size()));
        TrackJob job;
        job.path = folder;
        job.problem = (error ? "cannot read the folder '" : "no track in the folder '") +
                      std::string(shown.data(), length < 0 ? 0 : length) + "'";
        jobs.push_back(job);
        return jobs;
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (auto &entry : found) jobs.push_back(std::move(entry.second));
    return jobs;
}
