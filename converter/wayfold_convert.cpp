// wayfold-convert: converts GPS tracks into OziExplorer CE route pairs from the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "converter/convert_cli.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t **argv)
{
    // The status text carries its own CR LF: no translation on the way out.
    _setmode(_fileno(stdout), _O_BINARY);
    return RunConvertCli(argc, argv, stdout, stderr);
}
#else
int main(int argc, char **argv)
{
    // Arguments are bytes; bytes that are not UTF-8 survive the round trip to the file system.
    std::vector<std::wstring> wide;
    std::vector<const wchar_t *> pointers;
    for (int i = 0; i < argc; i++) {
        std::string bytes = argv[i];
        std::vector<wchar_t> text(bytes.size() + 1);
        DecodeUtf8(bytes.c_str(), text.data(), static_cast<int>(text.size()));
        wide.push_back(text.data());
    }
    for (const std::wstring &argument : wide) pointers.push_back(argument.c_str());
    return RunConvertCli(argc, pointers.data(), stdout, stderr);
}
#endif
