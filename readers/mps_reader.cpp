#include "readers/mps_reader.h"

#include <stdint.h>
#include <string.h>

#include "common/byte_order.h"
#include "platform/file_io.h"

enum {
    SeekTrack = 0,   // no current track record
    TrackHeader = 1, // a track record was found; the file stands at its data
    TrackPoints = 2  // its header was read; PointsLeft points remain
};

static int MpsReaderState = SeekTrack;
static int32_t RecordOffset = 0;
static int32_t PointsLeft = 0;

// The file's first bytes: "MsRcd" and its zero byte.
static const char MpsSignature[] = "MsRcd";
static const int MpsSignatureSize = sizeof MpsSignature;

// Semicircles to degrees: 180 / 2^31, exact as a double.
static const double DegreesPerSemicircle = 8.381903171539307e-08;

// The largest record offset a signed 32-bit value holds.
static const int32_t RecordOffsetMax = 2147483647;

// Reads a little-endian signed 32-bit integer, byte by byte. false when the file ends first.
static bool ReadInt32(int32_t *value)
{
    unsigned char bytes[4];
    for (int i = 0; i < (int)sizeof bytes; ++i) {
        int c = ReadByte(InputFile);
        if (c == EOF) return false;
        bytes[i] = (unsigned char)c;
    }
    *value = SignedFromBits(Uint32FromLittleEndian(bytes));
    return true;
}

// Reads and drops count bytes; the end of the file is no failure, as for a seek past it.
static void SkipBytes(int count)
{
    for (; count > 0; --count) {
        if (ReadByte(InputFile) == EOF) return;
    }
}

int CheckMpsHeader()
{
    MpsReaderState = SeekTrack;

    // "MsRcd" and a zero byte.
    if (fread(LineBuffer, 1, MpsSignatureSize, InputFile) != (size_t)MpsSignatureSize) return HeaderReadError;
    if (memcmp(LineBuffer, MpsSignature, MpsSignatureSize) != 0) return HeaderWrongFormat;

    // The records start here.
    long position = ftell(InputFile);
    if (position < 0 || position > RecordOffsetMax) return HeaderTellError;
    RecordOffset = (int32_t)position;
    return HeaderAccepted;
}

// Walks the records from RecordOffset to the next track record; false at their end.
static bool FindTrackRecord()
{
    for (;;) {
        if (fseek(InputFile, (long)RecordOffset, SEEK_SET) != 0) return false;

        // The length; a negative one, or one that leads beyond the 32-bit offsets, ends
        // the records as the end of the file does (the seek has refused a negative offset).
        int32_t length;
        if (!ReadInt32(&length)) return false;
        if (length < 0 || length > RecordOffsetMax - MpsRecordHeaderSize - RecordOffset) return false;
        RecordOffset += length + MpsRecordHeaderSize;

        // An empty record is passed over without its type byte.
        if (length == 0) continue;
        int type = ReadByte(InputFile);
        if (type == EOF) return false;
        if (type == 'T') return true;
    }
}

// Reads a track record's name, gap and point count. false when the record is damaged.
static bool ReadTrackHeader()
{
    // The name: at most MpsNameMax characters and a zero byte.
    int count = 0;
    for (;;) {
        int c = ReadByte(InputFile);
        if (c == EOF || (c != 0 && count == MpsNameMax)) return false;
        LineBuffer[count] = (char)c;
        if (c == 0) break;
        ++count;
    }
    if (fread(LineBuffer, 1, MpsTrackGap, InputFile) != (size_t)MpsTrackGap) return false;
    return ReadInt32(&PointsLeft) && PointsLeft >= 0;
}

int ReadMpsPoint(TrackPoint *point)
{
    for (;;) {
        if (MpsReaderState == SeekTrack) {
            if (!FindTrackRecord()) return PointEndOfInput;
            MpsReaderState = TrackHeader;
            TrackBoundary = true;
        }
        if (MpsReaderState == TrackHeader) {
            if (!ReadTrackHeader()) break;
            MpsReaderState = TrackPoints;
            // A track without points: walk on to the next record.
            if (PointsLeft == 0) {
                MpsReaderState = SeekTrack;
                continue;
            }
        }

        // One point: latitude and longitude, then the bytes nobody reads.
        if (PointsLeft > 0) --PointsLeft;
        int32_t latitude;
        int32_t longitude;
        if (!ReadInt32(&latitude) || !ReadInt32(&longitude)) break;
        point->Lat = (double)latitude * DegreesPerSemicircle;
        point->Lon = (double)longitude * DegreesPerSemicircle;
        SetRadians(point);
        SkipBytes(MpsPointSkip);
        if (PointsLeft <= 0) MpsReaderState = SeekTrack;
        return PointDelivered;
    }

    // A damaged track record ends the track; the track source tells whoever reports it.
    return PointDamagedRecord;
}
