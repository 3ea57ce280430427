// wayfold-convert: the command-line twin of the handheld program's "Open file" command.
#ifndef WAYFOLD_CONVERT_CLI_H
#define WAYFOLD_CONVERT_CLI_H

#include <cstdio>

// Exit status of a usage error (BSD's EX_USAGE).
constexpr int UsageExit = 64;

// Runs the converter on wide arguments (argv[0] is the program name). Progress or the
// status text go to out as UTF-8, usage errors to err. Returns the exit status.
int RunConvertCli(int argc, const wchar_t *const *argv, std::FILE *out, std::FILE *err);

#endif
