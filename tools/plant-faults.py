#!/usr/bin/env python3
"""Plants one small fault at a time in the product code, rebuilds, runs the tests and
reports whether the suite notices. The source file is always restored afterwards.

  tools/plant-faults.py [--build DIR] [--preset NAME] [--only ID,...] [--list]

Exit status 0 only when every fault planted was caught."""
import argparse, pathlib, re, signal, subprocess, sys, time

ROOT = pathlib.Path(__file__).resolve().parent.parent
PRODUCT_DIRS = ["conversion", "readers", "settings", "platform", "common", "tools", "cli", "converter"]

# id, what the fault does, text to find (exactly once in the product code), replacement.
TABLE = [
    ("keep-min", "min-meters rule compares the candidate leg the wrong way",
     "return candidateMeters < minMeters && nextMeters", "return candidateMeters > minMeters && nextMeters"),
    ("keep-max", "max-meters rule flipped",
     "if (candidateMeters > (double)ThinningSettings.MaxMeters)", "if (candidateMeters < (double)ThinningSettings.MaxMeters)"),
    ("keep-deg", "max-degrees rule flipped",
     "referenceBearing) > (double)ThinningSettings.MaxDegrees", "referenceBearing) < (double)ThinningSettings.MaxDegrees"),
    ("keep-ort", "ort-error rule flipped",
     "if (error > limit) return 1;", "if (error < limit) return 1;"),
    ("turn-fold", "turn above 180 folded wrongly", "turn = 360.0 - turn;", "turn = turn - 180.0;"),
    ("bearing-sign", "west of north no longer negative",
     'if (SineIsNegative(deltaLon)) bearing = -bearing;', 'if (!SineIsNegative(deltaLon)) bearing = -bearing;'),
    ("meridian", "due south along a meridian reads as north",
     'return from->LatRad > to->LatRad ? 180.0 : 0.0;', 'return from->LatRad < to->LatRad ? 180.0 : 0.0;'),
    ("earth-radius", "distance from the WGS 84 equatorial radius",
     'return fabs(sigma * EarthRadiusMeters);', 'return fabs(sigma * 6378137.0);'),
    ("msg-short", "too-short message changed", 'L"Too short input file!\\r\\n"', 'L"Too short input file\\r\\n"'),
    ("msg-fwd-ok", "forward OK message changed",
     'L"Forward route file - OK\\r\\n"', 'L"Forward route file OK\\r\\n"'),
    ("msg-bwd-ok", "backward OK message changed",
     'L"Backward route file - OK\\r\\n"', 'L"Backward route file OK\\r\\n"'),
    ("msg-saved", "points-saved message changed", 'L"points are saved.\\r\\n"', 'L"points saved.\\r\\n"'),
    ("msg-open", "input open error message changed", 'L"Input file open error!\\r\\n"', 'L"Input file error!\\r\\n"'),
    ("msg-format", "wrong-format message changed", 'L"Incorrect file format!\\r\\n"', 'L"Incorrect format!\\r\\n"'),
    ("msg-track", "MPS track read error message changed", 'L"Track read error!\\r\\n"', 'L"Track read error\\r\\n"'),
    ("count", "saved-points count one low",
     "StatusAppendCount(WaypointsWritten);", "StatusAppendCount(WaypointsWritten - 1);"),
    ("suffix-f", "forward route suffix changed",
     'CopyWithSuffix(ForwardPath, L"", 0, InputPath, base, L"F.rt2");', 'CopyWithSuffix(ForwardPath, L"", 0, InputPath, base, L"F.rte");'),
    ("suffix-b", "backward route suffix changed",
     'CopyWithSuffix(BackwardPath, L"", 0, InputPath, base, L"B.rt2");', 'CopyWithSuffix(BackwardPath, L"", 0, InputPath, base, L"R.rt2");'),
    ("cut-nmea", "NMEA paths cut like the others (4)",
     "? PathCutNmea : PathCutDefault;", "? PathCutDefault : PathCutDefault;"),
    ("cut-default", "paths cut one character short",
     "? PathCutNmea : PathCutDefault;", "? PathCutNmea : PathCutDefault - 1;"),
    ("same-file", "input protection switched off",
     'SameExistingFile(InputPath, ForwardPath) || SameExistingFile(InputPath, BackwardPath)', '0'),
    ("copy-order", "backward copy keeps each block in forward order",
     "size_t offset = (size_t)(record - first) * RouteRecordSize;", "size_t offset = (size_t)(left - record) * RouteRecordSize;"),
    ("copy-seek", "backward copy seeks with a record size one too large",
     "(long)RouteRecordSize * (first + 1)", "(long)(RouteRecordSize + 1) * (first + 1)"),
    ("record-pad", "waypoint number padded with blanks, not zeros",
     "while (start > digits + sizeof digits - 6) *--start = '0';", "while (start > digits + sizeof digits - 6) *--start = ' ';"),
    ("record-swap", "latitude and longitude swapped in the record",
     'WaypointsWritten, point->Lat,\n                                      point->Lon);', 'WaypointsWritten, point->Lon,\n                                      point->Lat);'),
    ("header-h2", "datum header line changed", '"H2,WGS 84\\r\\n"', '"H2,WGS84\\r\\n"'),
    ("status-empty", "status text emptied one character early",
     "if (Length > StatusEmptyAbove) {", "if (Length >= StatusEmptyAbove) {"),
    ("path-break", "status path also broken after a leading backslash",
     "if (path[i] == L'\\\\' && i > 0)", "if (path[i] == L'\\\\' && i >= 0)"),
    ("nmea-sum", "NMEA checksum not checked",
     'if (ChecksumTest(star, sum) != ChecksumRight) return NmeaSkipChecksum;', 'if (ChecksumTest(star, sum) == ChecksumNoDollar) return NmeaSkipChecksum;'),
    ("nmea-status", "NMEA status 'A' not required",
     "if (comma[1] != 'A' || comma[2] != ',') return", "if (comma[2] != ',') return"),
    ("nmea-south", "southern latitudes keep their sign", "point->Lat = -point->Lat;", "point->Lat = +point->Lat;"),
    ("nmea-west", "western longitudes keep their sign", "point->Lon = -point->Lon;", "point->Lon = +point->Lon;"),
    ("nmea-lon-deg", "longitude degrees read as two digits",
     'ReadShortInt(field, LongitudeDegreeDigits)', 'ReadShortInt(field, LatitudeDegreeDigits)'),
    ("nmea-line", "NMEA lines cut one character early",
     'ReadLineInPlaceSum(InputFile, LineBuffer, LineLimit, &line', 'ReadLineInPlaceSum(InputFile, LineBuffer, LineLimit - 1, &line'),
    ("line-cut", "ReadLine keeps one character more than the limit",
     'if (lineEnd < Block + BlockEnd && length <= limit) {', 'if (lineEnd < Block + BlockEnd && length <= limit + 1) {'),
    ("line-eof", "a last line without its line end is kept",
     '            buffer[count] = 0;\n            return LineEndOfFile;\n        }\n    }\n}', '            buffer[count] = 0;\n            return count ? count : LineEndOfFile;\n        }\n    }\n}'),
    ("plt-sig", "PLT signature not checked",
     "if (LineBuffer[i] != PltSignature[i]) result", "if (0 && LineBuffer[i] != PltSignature[i]) result"),
    ("plt-header", "PLT header one line short", "PltHeaderLinesAfterFirst = 5;", "PltHeaderLinesAfterFirst = 4;"),
    ("gpx-close", "GPX closing </trkpt> taken as a point",
     "if (at != text && at[-1] == '/') return false;", "if (at != text && at[-1] == '\\\\') return false;"),
    ("tag-limit", "GPX tags keep one character fewer",
     'TagBuffer, TagLimit - 2, &tag)', 'TagBuffer, TagLimit - 3, &tag)'),
    ("lat-range", "latitude bound 100 excluded",
     "return !(value > 100.0 || value < -100.0);", "return !(value >= 100.0 || value < -100.0);"),
    ("lon-range", "longitude lower bound -360",
     "return !(value > 370.0 || value < -370.0);", "return !(value > 370.0 || value < -360.0);"),
    ("exp-sign", "decimal exponent sign ignored",
     "if (exponentNegative) exponent = -exponent;", "if (!exponentNegative) exponent = -exponent;"),
    ("exp-round", "small numbers multiplied by a rounded reciprocal",
     "double value = mantissa / PowersOfTen[-power];", "double value = mantissa * (1.0 / PowersOfTen[-power]);"),
    ("mps-endian", "little-endian integers (MPS, kept numbers, DWORDs) read big-endian",
     "return (uint32_t)bytes[0] | ((uint32_t)bytes[1] << 8) | ((uint32_t)bytes[2] << 16) | ((uint32_t)bytes[3] << 24);",
     "return (uint32_t)bytes[3] | ((uint32_t)bytes[2] << 8) | ((uint32_t)bytes[1] << 16) | ((uint32_t)bytes[0] << 24);"),
    ("scan-sum", "the sixteen-byte step sums with or instead of exclusive-or",
     "sums = _mm_xor_si128(sums, chunk);", "sums = _mm_or_si128(sums, chunk);"),
    ("scan-tail", "the byte loop after the wide steps stops a byte short of the end",
     "for (; p < end && *p != a && *p != b", "for (; p + 1 < end && *p != a && *p != b"),
    ("mps-semi", "semicircles scaled by 180 / 2^32",
     "DegreesPerSemicircle = 8.381903171539307e-08;", "DegreesPerSemicircle = 4.190951585769653e-08;"),
    ("mps-skip", "MPS point tail one byte short", "SkipBytes(MpsPointSkip);", "SkipBytes(MpsPointSkip - 1);"),
    ("mps-gap", "MPS track gap one byte short",
     "fread(LineBuffer, 1, MpsTrackGap, InputFile) != (size_t)MpsTrackGap",
     "fread(LineBuffer, 1, MpsTrackGap - 1, InputFile) != (size_t)(MpsTrackGap - 1)"),
    ("mps-name", "MPS track names one character shorter",
     "(c != 0 && count == MpsNameMax)", "(c != 0 && count == MpsNameMax - 1)"),
    ("mps-sig", "MPS signature not checked",
     ") != 0) return HeaderWrongFormat;\n\n    // The records start here.",
     ") != 0) (void)0;\n\n    // The records start here."),
    ("dir-input", "a directory opens as an input file",
     "if (file && fstat(fileno(file), &status) == 0", "if (0 && file && fstat(fileno(file), &status) == 0"),
    ("reg-bytes", "little-endian integers (DWORDs, kept numbers) written with a wrong second byte",
     "bytes[1] = (unsigned char)((value >> 8) & 0xFF);", "bytes[1] = (unsigned char)((value >> 16) & 0xFF);"),
    ("reg-size", "a stored value of another size read as a DWORD",
     "type == REG_DWORD && size == ", "type == REG_DWORD && size > 0 && 4 >= "),
    ("cli-option", "--max-degrees and --max-ort-error set each other's field",
     '"--max-degrees",\n     "a point whose next leg turns more than N degrees is kept", &ThinningSettingsRecord::MaxDegrees},\n    {L"MaxOrtError", DefaultMaxOrtError, IDC_MAX_ORT_ERROR, "--max-ort-error",',
     '"--max-ort-error",\n     "a point whose next leg turns more than N degrees is kept", &ThinningSettingsRecord::MaxDegrees},\n    {L"MaxOrtError", DefaultMaxOrtError, IDC_MAX_ORT_ERROR, "--max-degrees",'),
    ("cli-default", "converter's default ort error taken from max meters",
     "{L\"MaxOrtError\", DefaultMaxOrtError,", "{L\"MaxOrtError\", DefaultMaxMeters,"),
    ("cli-status", "several tracks: the last result is the exit status",
     "if (status == 0) status = result;", "status = result;"),
    ("cli-usage", "usage error exits 1, not 64", "return UsageExit;", "return 1;"),
    ("line-limit", "PLT and NMEA lines kept one character shorter (rebuilds everything)",
     "const int LineLimit = 150;", "const int LineLimit = 149;"),
    ('bounded-passed', 'bounded method: a passed point off the leg no longer ends it',
     '            if (deviation > tolerance) {\n                State.PassedNextCheck = 0.0;', '            if (deviation > 2 * tolerance) {\n                State.PassedNextCheck = 0.0;'),
    ('bounded-length', 'bounded method: legs longer than MaxMeters allowed',
     'if (length > (double)ThinningSettings.MaxMeters) return false;', 'if (length > 2.0 * ThinningSettings.MaxMeters) return false;'),
    ('deviation-foot', 'deviation: a foot beyond one end measured to the great circle',
     'Dot(p, &frame->FromA) >= 0.0 && Dot(p, &frame->ToB) >= 0.0', '(Dot(p, &frame->FromA) >= 0.0 || Dot(p, &frame->ToB) >= 0.0)'),
    ('report-over', 'report: points over the tolerance counted against twice it',
     'if (measured->Deviation > (double)ThinningSettings.MaxOrtError) Report.OverTolerance++;', 'if (measured->Deviation > 2.0 * ThinningSettings.MaxOrtError) Report.OverTolerance++;'),
    ('talkers-any', 'any talker: only talkers ending in N count',
     'IsCapital(line[1]) && IsCapital(line[2]) &&', "IsCapital(line[1]) && line[2] == 'N' &&"),
    ('mode-n', 'mode letter N no longer means no fix',
     "return at[0] == 'N' && (at[1]", "return at[0] == 'X' && (at[1]"),
    ('repeat-time', 'a fix under two talkers counted twice',
     '            return NmeaSkipRepeatedTime;', '            (void)0;'),
    ('record-tie', 'waypoint records round exact halves away from even',
     'if (above || (half && (whole & 1) != 0)) whole++;', 'if (above || half) whole++;'),
    ('outdir-sep', 'output folder joined to the name without a separator',
     'int separatorLength = IsPathSeparator(OutputFolder[folderLength - 1]) ? 0 : 1;', 'int separatorLength = 0;'),
    ('svg-escape', 'picture: & in a file name not escaped',
     'case \'&\': out += "&amp;"; break;', 'case \'&\': out += "&"; break;'),
    ('fit-search', '--fit settles for a tolerance one metre too large',
     'if (TryTolerance(middle) == 0 && WaypointsWritten <= fit) fits = middle;', 'if (TryTolerance(middle) == 0 && WaypointsWritten < fit) fits = middle;'),
    ('keep-ort-bound', "the tangent's bound drops candidates up to twice the orthogonal error",
     '< limit * SafeBelow;', '< limit * 2.0;'),
]


def product_files():
    for d in PRODUCT_DIRS:
        for pattern in ("*.cpp", "*.h"):
            yield from sorted((ROOT / d).rglob(pattern)) if (ROOT / d).is_dir() else []


def locate(old):
    hits = [(f, f.read_text(encoding="utf-8").count(old)) for f in product_files()]
    hits = [(f, n) for f, n in hits if n]
    if len(hits) != 1 or hits[0][1] != 1:
        where = ", ".join(f"{f.relative_to(ROOT)} x{n}" for f, n in hits) or "nowhere"
        return None, f"snippet must occur exactly once, found: {where}"
    return hits[0][0], None


def run(cmd):
    return subprocess.run(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def test_failures(output):
    tests = re.findall(r"^\s*\d+ - (\S+) \(", output, re.M)
    cases = []
    for case in re.findall(r"^TEST CASE:\s+(.*?)\s*$", output, re.M):
        if case not in cases: cases.append(case)
    return tests, cases


def plant(fault, args):
    ident, _, old, new = fault
    path, error = locate(old)
    if error: return "table-error", error, None
    original = path.read_text(encoding="utf-8")
    try:
        path.write_text(original.replace(old, new, 1), encoding="utf-8")
        build = run(["cmake", "--build", args.build, "-j2"])
        if build.returncode != 0:
            errors = [l for l in build.stdout.splitlines() if "error:" in l]
            return "build-broken", (errors or build.stdout.splitlines()[-1:] or [""])[0][:150], path
        ctest = ["ctest", "--preset", args.preset] if args.preset else ["ctest", "--test-dir", args.build]
        result = run(ctest + ["-j2", "--timeout", "120", "--output-on-failure"])
        if result.returncode == 0: return "MISSED", "", path
        tests, cases = test_failures(result.stdout)
        detail = ",".join(tests) + (": " + " | ".join(cases[:3]) if cases else "")
        return "CAUGHT", detail, path
    finally:
        path.write_text(original, encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=str(ROOT / "build" / "native"))
    parser.add_argument("--preset", help="run ctest with this test preset instead of --test-dir")
    parser.add_argument("--only", help="comma-separated fault ids")
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()
    faults = TABLE
    if args.only:
        wanted = args.only.split(",")
        unknown = set(wanted) - {f[0] for f in TABLE}
        if unknown: sys.exit("unknown fault ids: " + ", ".join(sorted(unknown)))
        faults = [f for f in TABLE if f[0] in wanted]
    if args.list:
        for ident, what, old, _ in faults:
            path, error = locate(old)
            print(f"{ident:14} {error or path.relative_to(ROOT)}  -- {what}")
        return 0
    # A termination request unwinds like Ctrl-C, through the restoring finally.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    start, results = time.time(), []
    try:
        for fault in faults:
            result, detail, path = plant(fault, args)
            where = path.relative_to(ROOT) if path else "?"
            results.append(result)
            print(f"{fault[0]:14} {str(where):28} {result:12} {detail}", flush=True)
    finally:
        run(["cmake", "--build", args.build, "-j2"])  # leave the build matching the sources
    counts = {r: results.count(r) for r in sorted(set(results))}
    print(f"{len(results)} faults in {time.time() - start:.0f} s: " +
          ", ".join(f"{n} {r}" for r, n in counts.items()))
    return 0 if results and all(r == "CAUGHT" for r in results) else 1


if __name__ == "__main__":
    sys.exit(main())
