// The whole conversion job. The first byte picks the format (0 and 5 have no reader), the
// next 16 bytes are the four thresholds (little-endian), the rest is the track file.
// Checks the job's result codes and, after a success, that the backward file holds the
// forward file's records.
#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>

#include "conversion/conversion_job.h"
#include "conversion/route_writer.h"
#include "fuzz/fuzz_input.h"
#include "platform/file_io.h"
#include "settings/thinning_settings.h"

namespace fs = std::filesystem;

static fs::path WorkPath;

static void RemoveWorkDir()
{
    std::error_code error;
    fs::remove_all(WorkPath, error);
}

// A folder of this process's own, removed when the fuzzer exits.
static const fs::path &WorkDir()
{
    if (WorkPath.empty()) {
        std::string pattern = (fs::temp_directory_path() / "wayfold-fuzz-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        WorkPath = pattern;
        std::atexit(RemoveWorkDir);
    }
    return WorkPath;
}

static int32_t Le32(const uint8_t *bytes)
{
    uint32_t bits = bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
    int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

static std::string ReadAll(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 17) return 0;
    static const char *const Names[] = {"track.bin", "track.gpx", "track.mps", "track.plt", "track.nmea", "track.xyz"};
    const int format = data[0] % 6;
    ThinningSettings.MinMeters = Le32(data + 1);
    ThinningSettings.MaxMeters = Le32(data + 5);
    ThinningSettings.MaxDegrees = Le32(data + 9);
    ThinningSettings.MaxOrtError = Le32(data + 13);

    const fs::path input = WorkDir() / Names[format];
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data + 17), static_cast<std::streamsize>(size - 17));
    }
    std::string path = input.string();
    std::mbstowcs(InputPath, path.c_str(), InputPathCapacity - 1);
    InputPath[InputPathCapacity - 1] = 0;
    InputFormat = format;

    int result = RunConversionJob();
    FUZZ_CHECK(result == 0 || result == 2 || result == 3 || result == 4 || result == 10);
    FUZZ_CHECK(InputFile == nullptr && OutputFile == nullptr);
    const fs::path forward = WorkDir() / "trackF.rt2";
    const fs::path backward = WorkDir() / "trackB.rt2";
    if (result == 0) {
        // The same records, last first, under a header one byte longer.
        std::string forwardBytes = ReadAll(forward);
        std::string backwardBytes = ReadAll(backward);
        FUZZ_CHECK(backwardBytes.size() == forwardBytes.size() + 1);
        const size_t records = (forwardBytes.size() - 74) / 37;
        FUZZ_CHECK(records == (size_t)WaypointsWritten && records >= 2);
        for (size_t k = 0; k < records; ++k)
            FUZZ_CHECK(backwardBytes.compare(75 + 37 * k, 37, forwardBytes, 74 + 37 * (records - 1 - k), 37) == 0);
    }
    std::error_code error;
    fs::remove(forward, error);
    fs::remove(backward, error);
    fs::remove(input, error);
    return 0;
}
