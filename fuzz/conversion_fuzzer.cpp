// The whole conversion job. The first byte picks the format (0 and 5 have no reader), the
// next 16 bytes are the four thresholds (little-endian), the rest is the track file.
// Checks the job's result, that it closes its files, and after a success that the
// backward file holds the forward file's records, last first.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "conversion/conversion_job.h"
#include "conversion/route_writer.h"
#include "fuzz/fuzz_input.h"
#include "settings/thinning_settings.h"

namespace fs = std::filesystem;

// This process's own folder, removed when the fuzzer exits.
static const fs::path WorkDir = fs::temp_directory_path() / ("wayfold-fuzz-" + std::to_string(getpid()));

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 17) return 0;
    if (fs::create_directory(WorkDir)) std::atexit([] { std::error_code error; fs::remove_all(WorkDir, error); });
    static const char *const Names[] = {"track.bin", "track.gpx", "track.mps", "track.plt", "track.nmea", "track.xyz"};
    const int format = data[0] % 6;
    for (int t = 0; t < ThresholdCount; t++) {
        const uint8_t *b = data + 1 + 4 * t;
        ThinningSettings.*Thresholds[t].Field = SignedFromBits(b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24);
    }
    const fs::path input = WorkDir / Names[format], forward = WorkDir / "trackF.rt2", backward = WorkDir / "trackB.rt2";
    std::ofstream(input, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(data + 17), size - 17);
    std::mbstowcs(InputPath, input.string().c_str(), InputPathCapacity - 1);
    InputPath[InputPathCapacity - 1] = 0;
    InputFormat = format;

    int result = RunConversionJob();
    FUZZ_CHECK(result == JobDone || result == JobInputFailed || result == JobBackwardOpenFailed ||
               result == JobBackwardCopyFailed || result == JobThinningFailed);
    FUZZ_CHECK(InputFile == nullptr && OutputFile == nullptr);
    if (result == JobDone) {
        std::ifstream forwardIn(forward, std::ios::binary), backwardIn(backward, std::ios::binary);
        std::string forwardBytes{std::istreambuf_iterator<char>(forwardIn), {}}, backwardBytes{std::istreambuf_iterator<char>(backwardIn), {}};
        FUZZ_CHECK(backwardBytes.size() == forwardBytes.size() + 1);  // "Backward" is one letter longer
        const size_t records = (forwardBytes.size() - 74) / 37;
        FUZZ_CHECK(records == (size_t)WaypointsWritten && records >= 2);
        for (size_t k = 0; k < records; ++k)
            FUZZ_CHECK(backwardBytes.compare(75 + 37 * k, 37, forwardBytes, 74 + 37 * (records - 1 - k), 37) == 0);
    }
    std::error_code error;
    for (const fs::path &file : {forward, backward, input}) fs::remove(file, error);
    return 0;
}
