#include "readers/fit_reader.h"

#include <stdint.h>
#include <string.h>

// The file header: its size byte, then at least the protocol and profile versions, the
// data size (4 bytes, little-endian, from byte 4) and ".FIT" (bytes 8 to 11); a header of
// 14 bytes or more has the CRC of the first 12 in bytes 12 and 13 (0: not computed).
static const int FitShortHeader = 12;
static const int FitHeaderWithCrc = 14;
static const int FitDataSizeAt = 4;
static const int FitSignatureAt = 8;

// Record header bits: a compressed timestamp header (its local type in bits 5 and 6), or a
// normal one: a definition message (with developer fields) or a data message, its local
// type in the low four bits.
static const unsigned char FitCompressedTime = 0x80;
static const unsigned char FitDefinition = 0x40;
static const unsigned char FitDeveloperFields = 0x20;
static const int FitLocalTypes = 16;

// The record message, and its position fields: sint32 semicircles, 0x7FFFFFFF invalid.
static const unsigned int FitRecordMessage = 20;
static const int FitLatitudeField = 0;
static const int FitLongitudeField = 1;
static const int FitPositionSize = 4;
static const uint32_t FitInvalidPosition = 0x7FFFFFFFu;
static const double DegreesPerSemicircle = 180.0 / 2147483648.0;

// The steps of a record say "read on" with this result: it is none of the shared results
// nor a reason.
static const int FitReadOn = -50;

// What the reader keeps of a definition: the size of its data messages and, for a record
// message, where its position fields start (-1: not defined as 4-byte fields). The fields
// are taken in one pass as they are defined, so no definition's field list is kept.
struct FitDefinitionSummary {
    bool Defined;
    bool Record;
    bool BigEndian;
    int DataSize;
    int LatitudeAt;
    int LongitudeAt;
};
static FitDefinitionSummary Definitions[FitLocalTypes];

static unsigned char FitBlock[FitBlockSize];
static int FitBlockNext = 0;
static int FitBlockEnd = 0;
// The CRC of the current FIT file's bytes so far, and how many data bytes it has left.
static unsigned int FitCrc = 0;
static uint32_t FitDataLeft = 0;

// Where the reader stands: in the data records, before a file's CRC, before the next header,
// or past the end.
enum { FitInRecords, FitBeforeCrc, FitBeforeHeader, FitEnded };
static int FitStage = FitEnded;

// FitCrcStep a byte at a time: the CRC of each byte value from 0, made on first use.
static unsigned short ByteCrcs[256];
static bool ByteCrcsMade = false;

unsigned int FitCrcStep(unsigned int crc, unsigned char byte)
{
    static const unsigned short Table[16] = {0x0000, 0xCC01, 0xD801, 0x1400, 0xF001, 0x3C00, 0x2800, 0xE401,
                                             0xA001, 0x6C00, 0x7800, 0xB401, 0x5000, 0x9C01, 0x8801, 0x4400};
    // The low four bits of the byte, then the high four.
    unsigned int step = Table[crc & 0xF];
    crc = ((crc >> 4) & 0x0FFF) ^ step ^ Table[byte & 0xF];
    step = Table[crc & 0xF];
    return ((crc >> 4) & 0x0FFF) ^ step ^ Table[(byte >> 4) & 0xF];
}

// Whether a byte is left to read, reading the next block when the last is used up.
static bool BytesLeft()
{
    if (FitBlockNext < FitBlockEnd) return true;
    FitBlockNext = 0;
    FitBlockEnd = (int)fread(FitBlock, 1, sizeof FitBlock, InputFile);
    if (FitBlockEnd > 0) return true;
    FitBlockEnd = 0;
    return false;
}

// The next byte of the file, added to the CRC; false at the end of the file.
static bool NextByte(unsigned char *byte)
{
    if (!BytesLeft()) return false;
    *byte = FitBlock[FitBlockNext++];
    FitCrc = FitCrcStep(FitCrc, *byte);
    return true;
}

// The CRC of the current file after count more bytes from bytes.
static void AddToCrc(const unsigned char *bytes, int count)
{
    if (!ByteCrcsMade) {
        for (int value = 0; value < 256; value++) ByteCrcs[value] = (unsigned short)FitCrcStep(0, (unsigned char)value);
        ByteCrcsMade = true;
    }
    unsigned int crc = FitCrc;
    for (int i = 0; i < count; i++) crc = (crc >> 8) ^ ByteCrcs[(crc ^ bytes[i]) & 0xFF];
    FitCrc = crc;
}

// The next byte of the data records; false when the file or the data ends first.
static bool NextDataByte(unsigned char *byte)
{
    if (FitDataLeft == 0) return false;
    FitDataLeft--;
    return NextByte(byte);
}

// Reads a file header from its size byte on. Returns HeaderAccepted, HeaderReadError when
// the file ends before it, or HeaderWrongFormat.
static int ReadFileHeader()
{
    unsigned char header[FitHeaderWithCrc];
    FitCrc = 0;
    if (!NextByte(&header[0])) return HeaderReadError;
    int size = header[0];
    if (size < FitShortHeader) return HeaderWrongFormat;
    for (int i = 1; i < FitShortHeader; i++)
        if (!NextByte(&header[i])) return HeaderReadError;
    const unsigned char *signature = header + FitSignatureAt;
    if (signature[0] != '.' || signature[1] != 'F' || signature[2] != 'I' || signature[3] != 'T') return HeaderWrongFormat;
    // The CRC of the first 12 bytes, and the rest of the header, of which 2 bytes are read.
    unsigned int headerCrc = FitCrc;
    for (int i = FitShortHeader; i < size; i++) {
        unsigned char byte;
        if (!NextByte(&byte)) return HeaderReadError;
        if (i < FitHeaderWithCrc) header[i] = byte;
    }
    if (size >= FitHeaderWithCrc) {
        unsigned int stated = header[FitShortHeader] | (unsigned int)header[FitShortHeader + 1] << 8;
        if (stated != 0 && stated != headerCrc) return HeaderWrongFormat;
    }
    const unsigned char *dataSize = header + FitDataSizeAt;
    FitDataLeft = dataSize[0] | (uint32_t)dataSize[1] << 8 | (uint32_t)dataSize[2] << 16 | (uint32_t)dataSize[3] << 24;
    FitStage = FitInRecords;
    for (int local = 0; local < FitLocalTypes; local++) Definitions[local].Defined = false;
    return HeaderAccepted;
}

int CheckFitHeader()
{
    FitBlockNext = FitBlockEnd = 0;
    FitStage = FitEnded;
    return ReadFileHeader();
}

// Reads a definition message after its record header into its local type's summary.
// Returns FitReadOn, or the FitSkip reason that ends the reading.
static int ReadDefinition(unsigned char recordHeader)
{
    unsigned char fixed[5];  // reserved, architecture, global message number (2), field count
    for (int i = 0; i < 5; i++)
        if (!NextDataByte(&fixed[i])) return FitSkipCutRecord;
    FitDefinitionSummary *definition = &Definitions[recordHeader & 0x0F];
    definition->Defined = false;
    if (fixed[1] > 1) return FitSkipUndefined;
    definition->BigEndian = fixed[1] == 1;
    unsigned int global = definition->BigEndian ? (unsigned int)fixed[2] << 8 | fixed[3]
                                                : fixed[2] | (unsigned int)fixed[3] << 8;
    bool record = definition->Record = global == FitRecordMessage;
    definition->DataSize = 0;
    definition->LatitudeAt = definition->LongitudeAt = -1;
    // Fields: number, size, base type; at most 255 of each kind, so the size stays small.
    for (int i = 0; i < fixed[4]; i++) {
        unsigned char field[3];
        for (int j = 0; j < 3; j++)
            if (!NextDataByte(&field[j])) return FitSkipCutRecord;
        bool position = record && field[1] == FitPositionSize;
        if (position && field[0] == FitLatitudeField) definition->LatitudeAt = definition->DataSize;
        if (position && field[0] == FitLongitudeField) definition->LongitudeAt = definition->DataSize;
        definition->DataSize += field[1];
    }
    // Developer fields: number, size, developer index; only their sizes matter.
    if (recordHeader & FitDeveloperFields) {
        unsigned char count;
        if (!NextDataByte(&count)) return FitSkipCutRecord;
        for (int i = 0; i < count; i++) {
            unsigned char field[3];
            for (int j = 0; j < 3; j++)
                if (!NextDataByte(&field[j])) return FitSkipCutRecord;
            definition->DataSize += field[1];
        }
    }
    definition->Defined = true;
    return FitReadOn;
}

// A position field's degrees from its four bytes in the stated order; false when invalid.
static bool Semicircles(const unsigned char *bytes, bool bigEndian, double *degrees)
{
    uint32_t value = bigEndian ? (uint32_t)bytes[0] << 24 | (uint32_t)bytes[1] << 16 | (uint32_t)bytes[2] << 8 | bytes[3]
                               : bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
    if (value == FitInvalidPosition) return false;
    // Two's complement: the values from 2^31 up stand for those 2^32 lower.
    *degrees = (value >= 0x80000000u ? (double)value - 4294967296.0 : (double)value) * DegreesPerSemicircle;
    return true;
}

// Reads a data message of the local type. Returns PointDelivered for a record message with
// a position in point, FitReadOn for any other message, or a FitSkip reason.
static int ReadDataMessage(int local, TrackPoint *point)
{
    const FitDefinitionSummary *definition = &Definitions[local];
    if (!definition->Defined) return FitSkipUndefined;
    unsigned char latitude[FitPositionSize] = {0, 0, 0, 0};
    unsigned char longitude[FitPositionSize] = {0, 0, 0, 0};
    int size = definition->DataSize;
    if ((uint32_t)size <= FitDataLeft && size <= FitBlockEnd - FitBlockNext) {
        // The whole message in the block: taken from there, its CRC in one pass.
        const unsigned char *bytes = FitBlock + FitBlockNext;
        AddToCrc(bytes, size);
        FitBlockNext += size;
        FitDataLeft -= size;
        if (definition->LatitudeAt >= 0) memcpy(latitude, bytes + definition->LatitudeAt, FitPositionSize);
        if (definition->LongitudeAt >= 0) memcpy(longitude, bytes + definition->LongitudeAt, FitPositionSize);
    } else {
        // Byte by byte, each position byte kept as it passes (an offset of -1 matches none).
        for (int i = 0; i < size; i++) {
            unsigned char byte;
            if (!NextDataByte(&byte)) return FitSkipCutRecord;
            unsigned int inLatitude = (unsigned int)(i - definition->LatitudeAt);
            unsigned int inLongitude = (unsigned int)(i - definition->LongitudeAt);
            if (inLatitude < (unsigned int)FitPositionSize) latitude[inLatitude] = byte;
            if (inLongitude < (unsigned int)FitPositionSize) longitude[inLongitude] = byte;
        }
    }
    if (!definition->Record) return FitReadOn;
    if (definition->LatitudeAt < 0 || definition->LongitudeAt < 0) return FitSkipNoPosition;
    if (!Semicircles(latitude, definition->BigEndian, &point->Lat) ||
        !Semicircles(longitude, definition->BigEndian, &point->Lon))
        return FitSkipNoPosition;
    if (!LatitudeInRange(point->Lat)) return FitSkipOutOfRange;
    SetRadians(point);
    return PointDelivered;
}

int ReadFitPoint(TrackPoint *point)
{
    for (;;) {
        if (FitStage == FitEnded) return PointEndOfInput;
        if (FitStage == FitBeforeCrc) {
            // The CRC of the header and data, little-endian; a file cut inside it is cut.
            unsigned int computed = FitCrc;
            unsigned char low, high;
            if (!NextByte(&low) || !NextByte(&high)) {
                FitStage = FitEnded;
                return FitSkipCutRecord;
            }
            FitStage = FitBeforeHeader;
            if ((low | (unsigned int)high << 8) != computed) return FitFileCrcDiffers;
            continue;
        }
        if (FitStage == FitBeforeHeader) {
            // Another FIT file, chained, or the end.
            FitStage = FitEnded;
            if (!BytesLeft()) return PointEndOfInput;
            if (ReadFileHeader() != HeaderAccepted) return FitSkipNotFit;
            TrackBoundary = true;
            continue;
        }
        if (FitDataLeft == 0) {
            FitStage = FitBeforeCrc;
            continue;
        }
        unsigned char recordHeader;
        int result = FitSkipCutRecord;
        if (!NextDataByte(&recordHeader)) result = FitSkipCutRecord;
        else if (recordHeader & FitCompressedTime) result = ReadDataMessage((recordHeader >> 5) & 0x03, point);
        else if (recordHeader & FitDefinition) result = ReadDefinition(recordHeader);
        else result = ReadDataMessage(recordHeader & 0x0F, point);
        if (result == PointDelivered || result == FitSkipNoPosition || result == FitSkipOutOfRange) return result;
        if (result != FitReadOn) {
            FitStage = FitEnded;
            return result;
        }
    }
}
