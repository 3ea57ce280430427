// wayfold-convert: the command-line twin of the handheld program's "Open file" command.
#ifndef WAYFOLD_CONVERT_CLI_H
#define WAYFOLD_CONVERT_CLI_H

#include <cstdio>

// Exit status of a usage error (BSD's EX_USAGE).
constexpr int UsageExit = 64;

// Exit status when --fit finds no tolerance that fits: --max-meters forces more waypoints.
constexpr int FitImpossible = 11;
// --fit N takes N from 2 to FitMax (waypoint numbers have six digits) and searches tolerances
// from 0 to FitToleranceLimit metres, beyond half the earth's circumference (25 tries).
constexpr int FitMax = 999999;
constexpr int FitToleranceLimit = 20100000;

// For a report after each conversion: the thinning method's name ("classic" or "bounded"),
// and with --fit the tolerance (metres) chosen for the track just converted, else -1.
const char *ThinningMethodName();
extern int FitToleranceMeters;

// Runs the converter on wide arguments (argv[0] is the program name). Progress or the
// status text go to out as UTF-8, usage errors to err. Returns the exit status.
int RunConvertCli(int argc, const wchar_t *const *argv, std::FILE *out, std::FILE *err);

#endif
