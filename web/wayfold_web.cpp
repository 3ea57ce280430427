// Wayfold in the browser: the page's way into the converter. The page writes each track into
// the in-memory file system and calls wayfold_run with the arguments a user would give
// wayfold-convert; the converter itself writes the route files and the picture there, so the
// page offers exactly the bytes the command writes.
#include <cstdio>
#include <string>
#include <vector>

#include <emscripten/emscripten.h>

#include "converter/convert_cli.h"
#include "platform/file_io.h"
#include "readers/track_source.h"
#include "settings/thinning_settings.h"

extern "C" {

// The formats -f takes, one name a line: the page's file chooser offers their endings.
EMSCRIPTEN_KEEPALIVE const char *wayfold_formats()
{
    static std::string names;
    names.clear();
    for (const TrackFormatEntry &entry : TrackFormats) names += std::string(entry.Name) + "\n";
    return names.c_str();
}

// The thresholds' options and defaults, "--min-meters 5" a line, for the page's fields.
EMSCRIPTEN_KEEPALIVE const char *wayfold_thresholds()
{
    static std::string lines;
    lines.clear();
    for (const ThresholdEntry &entry : Thresholds) lines += std::string(entry.Option) + " " + std::to_string(entry.Default) + "\n";
    return lines.c_str();
}

// Runs the converter on UTF-8 arguments, one a line (the program's name not among them), in
// the current folder. What it prints goes to outPath and errPath. Returns its exit status,
// or -1 when those files cannot be made.
EMSCRIPTEN_KEEPALIVE int wayfold_run(const char *arguments, const char *outPath, const char *errPath)
{
    std::vector<std::wstring> wide{L"wayfold-convert"};
    std::string all = arguments;
    for (size_t start = 0; start < all.size();) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        std::string bytes = all.substr(start, end - start);
        std::vector<wchar_t> text(bytes.size() + 1);
        DecodeUtf8(bytes.c_str(), text.data(), static_cast<int>(text.size()));
        wide.push_back(text.data());
        start = end + 1;
    }
    std::vector<const wchar_t *> argv;
    for (const std::wstring &argument : wide) argv.push_back(argument.c_str());
    std::FILE *out = std::fopen(outPath, "wb");
    std::FILE *err = std::fopen(errPath, "wb");
    int status = -1;
    if (out && err) status = RunConvertCli(static_cast<int>(argv.size()), argv.data(), out, err);
    if (out) std::fclose(out);
    if (err) std::fclose(err);
    return status;
}

}
