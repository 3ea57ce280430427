#include "readers/geojson_reader.h"

#include <string.h>

#include "readers/decimal_parser.h"
#include "readers/line_reader.h"

// The file is read a block at a time; BlockStart is the file offset of the block's first
// byte, so a place in the file can be kept and gone back to.
static char JsonBlock[GeoJsonBlockSize];
static long BlockStart = 0;
static int BlockNext = 0;
static int BlockEnd = 0;

// What an object is, by its "type" member.
enum { GeoUnknown, GeoLineString, GeoMultiLineString, GeoOther };
// Which member's value an object is at.
enum { KeyOther, KeyType, KeyCoordinates, KeyProperties };

// One open object or array. An object whose "coordinates" came before its "type" keeps
// where they start, to read them again once the type says they are a line's. Within a
// Feature's "properties" nothing is a geometry: they are the user's own data.
struct JsonLevel {
    bool IsObject;
    bool InProperties;
    bool ExpectKey;
    bool Replayed;
    int Type;
    int Key;
    long CoordinatesAt;
};
static JsonLevel Levels[GeoJsonDepthMax];
static int Depth = 0;
// Objects and arrays opened beyond the stack, passed over by their count.
static int Overflow = 0;
static bool Ended = false;

// While a line's coordinates are read: the level of their outer array, the level of its
// positions, the position being read, and where to go on after a second reading.
static bool InCoordinates = false;
static int CoordinatesLevel = 0;
static int PositionLevel = 0;
static int PositionNumbers = 0;
static bool PositionBad = false;
static double Position[2];
static bool Replaying = false;
static long ResumeAt = 0;

// The token read last: its kind, where it started, its text (strings and literals, cut at
// GeoJsonTokenLimit, when TokenCut is set), a number's text (in the block or in TokenText,
// valid up to the next token, followed by a byte that is no part of it) and length.
enum { TokenEnd, TokenBad, TokenOpenObject, TokenCloseObject, TokenOpenArray, TokenCloseArray, TokenColon,
       TokenComma, TokenString, TokenNumber, TokenLiteral };
static char TokenText[GeoJsonTokenLimit + 1];
static bool TokenCut = false;
static long TokenAt = 0;
static const char *NumberText = 0;
static int NumberLength = 0;

// The steps of the reading say "read on" with this result: none of the shared results nor
// a reason.
static const int JsonReadOn = -50;

void ResetGeoJsonReader()
{
    BlockStart = 0;
    BlockNext = BlockEnd = 0;
    Depth = Overflow = 0;
    Ended = InCoordinates = Replaying = false;
}

// The next byte, or -1 at the end of the file; PeekByte leaves it unread.
static int PeekByte()
{
    if (BlockNext == BlockEnd) {
        BlockStart += BlockEnd;
        BlockNext = 0;
        BlockEnd = (int)fread(JsonBlock, 1, sizeof JsonBlock, InputFile);
        if (BlockEnd <= 0) {
            BlockEnd = 0;
            return -1;
        }
    }
    return (unsigned char)JsonBlock[BlockNext];
}

static int NextByte()
{
    int byte = PeekByte();
    if (byte >= 0) BlockNext++;
    return byte;
}

// Goes back or on to offset in the file: within the block held when it lies there.
static bool SeekTo(long offset)
{
    if (offset >= BlockStart && offset <= BlockStart + BlockEnd) {
        BlockNext = (int)(offset - BlockStart);
        return true;
    }
    BlockNext = BlockEnd = 0;
    BlockStart = offset;
    return fseek(InputFile, offset, SEEK_SET) == 0;
}

static void KeepTokenByte(int *length, int byte)
{
    if (*length < GeoJsonTokenLimit) TokenText[(*length)++] = (char)byte;
    else TokenCut = true;
}

static bool IsNumberByte(int c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// The number token's value; false when it has none or is longer than any number written.
// Parsed only where it is wanted: most numbers are passed over.
static bool TakeNumber(double *value)
{
    const char *end;
    *value = ParseDecimalEnd(NumberText, &end);
    return end != NumberText && NumberLength <= GeoJsonTokenLimit;
}

static int NextToken()
{
    // White space, passed over in the block where it can.
    int c;
    for (;;) {
        while (BlockNext < BlockEnd && (JsonBlock[BlockNext] == ' ' || JsonBlock[BlockNext] == '\n' ||
                                        JsonBlock[BlockNext] == '\r' || JsonBlock[BlockNext] == '\t'))
            BlockNext++;
        c = NextByte();
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
    }
    TokenAt = BlockStart + BlockNext - 1;
    int length = 0;
    TokenCut = false;
    switch (c) {
    case -1: return TokenEnd;
    case '{': return TokenOpenObject;
    case '}': return TokenCloseObject;
    case '[': return TokenOpenArray;
    case ']': return TokenCloseArray;
    case ':': return TokenColon;
    case ',': return TokenComma;
    case '"':
        // Escapes are kept as written: the names compared hold none.
        for (;;) {
            c = NextByte();
            if (c == '"') break;
            if (c < 0) return TokenBad;
            KeepTokenByte(&length, c);
            if (c == '\\') {
                if ((c = NextByte()) < 0) return TokenBad;
                KeepTokenByte(&length, c);
            }
        }
        TokenText[length] = 0;
        return TokenString;
    default:
        if (IsNumberByte(c)) {
            // Read in the block where a byte after the number lies in it too, else copied.
            int start = BlockNext - 1, end = BlockNext;
            while (end < BlockEnd && IsNumberByte((unsigned char)JsonBlock[end])) end++;
            if (end < BlockEnd) {
                BlockNext = end;
                NumberText = JsonBlock + start;
                NumberLength = end - start;
                return TokenNumber;
            }
            KeepTokenByte(&length, c);
            while ((c = PeekByte()) >= 0 && IsNumberByte(c)) KeepTokenByte(&length, NextByte());
            TokenText[length] = 0;
            NumberText = TokenText;
            NumberLength = TokenCut ? GeoJsonTokenLimit + 1 : length;
            return TokenNumber;
        }
        if (c >= 'a' && c <= 'z') {
            KeepTokenByte(&length, c);
            while ((c = PeekByte()) >= 'a' && c <= 'z') KeepTokenByte(&length, NextByte());
            TokenText[length] = 0;
            return TokenLiteral;
        }
        return TokenBad;
    }
}

static bool TokenIs(const char *text)
{
    return !TokenCut && strcmp(TokenText, text) == 0;
}

// Ends the reading at damage.
static int Damaged()
{
    Ended = true;
    return GeoJsonSkipDamaged;
}

// An object's "type" has been read into TokenText. Returns JsonReadOn,
// GeoJsonSkipOtherGeometry or GeoJsonSkipDamaged.
static int TakeType(JsonLevel *object)
{
    if (TokenIs("LineString")) object->Type = GeoLineString;
    else if (TokenIs("MultiLineString")) object->Type = GeoMultiLineString;
    else if (TokenIs("Point") || TokenIs("MultiPoint") || TokenIs("Polygon") || TokenIs("MultiPolygon"))
        object->Type = GeoOther;
    if (object->Type == GeoOther) return GeoJsonSkipOtherGeometry;
    // A line whose coordinates were passed over before: back to them, once, and on from
    // here after them.
    if (object->Type != GeoUnknown && object->CoordinatesAt >= 0 && !object->Replayed && !InCoordinates) {
        object->Replayed = true;
        ResumeAt = BlockStart + BlockNext;
        if (!SeekTo(object->CoordinatesAt)) return Damaged();
        Replaying = true;
        object->Key = KeyCoordinates;
        object->ExpectKey = false;
    }
    return JsonReadOn;
}

// An array or object opens. Returns JsonReadOn, or a GeoJsonSkip reason.
static int Open(bool isObject)
{
    if (Overflow > 0 || Depth == GeoJsonDepthMax) return Overflow++ == 0 ? GeoJsonSkipTooDeep : JsonReadOn;
    JsonLevel *parent = Depth > 0 ? &Levels[Depth - 1] : 0;
    // An object's member starts with its name.
    if (parent && parent->IsObject && parent->ExpectKey) return Damaged();
    if (!isObject && parent && parent->IsObject && parent->Key == KeyCoordinates && !InCoordinates) {
        if (parent->Type == GeoLineString || parent->Type == GeoMultiLineString) {
            InCoordinates = true;
            // Each LineString is a track, and each MultiLineString one track of its lines.
            TrackBoundary = true;
            CoordinatesLevel = Depth;
            PositionLevel = Depth + (parent->Type == GeoLineString ? 1 : 2);
        } else if (parent->Type == GeoUnknown) {
            parent->CoordinatesAt = TokenAt;
        }
    }
    if (InCoordinates && Depth == PositionLevel) {
        PositionNumbers = 0;
        PositionBad = false;
    } else if (InCoordinates && Depth > PositionLevel) {
        PositionBad = true;
    }
    JsonLevel *level = &Levels[Depth++];
    level->InProperties = parent && (parent->InProperties || (parent->IsObject && parent->Key == KeyProperties));
    level->IsObject = isObject;
    level->ExpectKey = isObject;
    level->Replayed = false;
    level->Type = GeoUnknown;
    level->Key = KeyOther;
    level->CoordinatesAt = -1;
    return JsonReadOn;
}

// An array or object closes. Returns PointDelivered with a position in point, JsonReadOn,
// or a GeoJsonSkip reason.
static int Close(bool isObject, TrackPoint *point)
{
    if (Overflow > 0) {
        Overflow--;
        return JsonReadOn;
    }
    if (Depth == 0 || Levels[Depth - 1].IsObject != isObject) return Damaged();
    Depth--;
    if (!InCoordinates) return JsonReadOn;
    if (Depth == CoordinatesLevel) {
        InCoordinates = false;
        if (Replaying && !SeekTo(ResumeAt)) return Damaged();
        Replaying = false;
        Levels[Depth - 1].Key = KeyOther;
        return JsonReadOn;
    }
    if (Depth != PositionLevel) return JsonReadOn;
    if (PositionBad || PositionNumbers < 2) return GeoJsonSkipBadPosition;
    point->Lon = Position[0];
    point->Lat = Position[1];
    if (!LatitudeInRange(point->Lat) || !LongitudeInRange(point->Lon)) return GeoJsonSkipOutOfRange;
    SetRadians(point);
    return PointDelivered;
}

// A string, number or literal as a value or key. Returns JsonReadOn or a GeoJsonSkip reason.
static int TakeScalar(int token)
{
    if (Overflow > 0 || Depth == 0) return JsonReadOn;
    JsonLevel *level = &Levels[Depth - 1];
    if (level->IsObject) {
        if (level->ExpectKey) {
            if (token != TokenString) return Damaged();
            level->ExpectKey = false;
            level->Key = KeyOther;
            if (level->InProperties) return JsonReadOn;
            if (TokenIs("type")) level->Key = KeyType;
            else if (TokenIs("coordinates")) level->Key = KeyCoordinates;
            else if (TokenIs("properties")) level->Key = KeyProperties;
            return JsonReadOn;
        }
        // An object within coordinates is no geometry.
        if (level->Key == KeyType && token == TokenString && !InCoordinates) return TakeType(level);
        return JsonReadOn;
    }
    if (InCoordinates && Depth - 1 == PositionLevel) {
        if (token != TokenNumber || (PositionNumbers < 2 && !TakeNumber(&Position[PositionNumbers]))) PositionBad = true;
        if (PositionNumbers < 2) PositionNumbers++;
    }
    return JsonReadOn;
}

int ReadGeoJsonPoint(TrackPoint *point)
{
    while (!Ended) {
        int token = NextToken();
        int result = JsonReadOn;
        switch (token) {
        case TokenEnd:
            if (Depth > 0 || Overflow > 0) return Damaged();
            Ended = true;
            return PointEndOfInput;
        case TokenBad: return Damaged();
        case TokenOpenObject: result = Open(true); break;
        case TokenOpenArray: result = Open(false); break;
        case TokenCloseObject: result = Close(true, point); break;
        case TokenCloseArray: result = Close(false, point); break;
        case TokenComma:
            if (Overflow == 0 && Depth > 0 && Levels[Depth - 1].IsObject) Levels[Depth - 1].ExpectKey = true;
            break;
        case TokenColon: break;
        default: result = TakeScalar(token); break;
        }
        if (result != JsonReadOn) return result;
    }
    return PointEndOfInput;
}
