// Every fixed size in Wayfold, named once, with the reason it has the value it has.
// The program allocates nothing: each buffer below is a program-wide array of this size.
#ifndef WAYFOLD_LIMITS_H
#define WAYFOLD_LIMITS_H

// The status text: the lines the main window shows. It is emptied before an append
// once it holds more than StatusEmptyAbove characters, so it never grows much beyond
// that; the largest single write is the input path broken after every backslash
// (InputPathMax * 3 + 2 characters), which still fits.
const int StatusTextCapacity = 10000;
const int StatusEmptyAbove = 1000;

// The input path, as the open-file dialog fills it: the dialog is told InputPathMax
// characters, the buffer keeps two more for the terminator and a margin.
const int InputPathCapacity = 2040;
const int InputPathMax = 2038;

// The forward and backward route paths: the input path less its extension, plus
// "F.rt2" or "B.rt2" (RouteSuffixLength characters) and the terminator.
const int OutputPathCapacity = 2048;
const int RouteSuffixLength = 5;

// The folder the host may name for the route files: a path as long as an input path.
// When the folder and the track's name do not fit OutputPathCapacity together, the job
// makes no route file.
const int OutputFolderCapacity = InputPathCapacity;
const int OutputFolderMax = InputPathMax;

// The characters cut from the end of the input path to make the output paths:
// ".gpx", ".mps", ".plt", ".fit", ".tcx", ".kml" and ".igc" have 4, ".nmea" has 5,
// ".geojson" 8.
const int PathCutDefault = 4;
const int PathCutNmea = 5;
const int PathCutGeoJson = 8;

// The kinds of things a reader passes over that are counted apart: a reader's positive
// results are small numbers below this (NMEA's go highest), and 0 counts damaged records.
const int PassedOverKinds = 16;

// Text lines of PLT and NMEA files are read into LineBuffer, at most LineLimit
// characters of each line; longer lines are cut. The MPS reader uses the same buffer
// for the 6-byte file signature and track names of up to MpsNameMax characters.
const int LineBufferSize = 160;
const int LineLimit = 150;
// The line reader reads the file this many bytes at a time, a block for many lines (and
// GPX tags), so line ends are found by scanning memory rather than by a call per byte,
// and a long file takes few read calls; small beside the memory of any handheld.
const int LineBlockSize = 32768;

// The FIT reader reads its binary files this many bytes at a time, like the line reader,
// and takes their records from memory byte by byte, each into the file's CRC.
const int FitBlockSize = 32768;

// The KML reader reads a LineString's coordinates this many characters at a time: room for
// dozens of "lon,lat,alt" tuples, and a tuple longer than this is no position.
const int KmlTextLimit = 4096;

// The GeoJSON reader reads its file this many bytes at a time; it keeps the nesting of
// objects and arrays in a stack of GeoJsonDepthMax levels (a MultiLineString in a Feature
// in a GeometryCollection in a FeatureCollection needs under ten; deeper values are passed
// over whole), and the first GeoJsonTokenLimit characters of a string or number (names of
// keys and types, and numbers, are far shorter).
const int GeoJsonBlockSize = 32768;
const int GeoJsonDepthMax = 32;
const int GeoJsonTokenLimit = 64;

// GPX tags are read into TagBuffer with a limit of TagLimit, so at most TagLimit - 2
// characters of one tag are kept, plus the terminator.
const int TagBufferSize = 1004;
const int TagLimit = 1000;

// One route waypoint record: "W,RW%06d,%10.6f,%11.6f,0\r\n" is RouteRecordSize bytes
// while the number has six digits and both values fit their widths. The readers deliver
// coordinates within +-370 degrees, so a record never comes near RecordTextSize; the
// record is still formatted with a bounded print, and one that does not fit fails.
const int RouteRecordSize = 37;
const int RecordTextSize = 104;

// The backward copy reads the forward file's records CopyBlockRecords at a time, from
// the end: one seek and one read call per block instead of one (a system call) per record.
const int CopyBlockRecords = 1024;

// Route files are written through a buffer of this size, so a long route takes few write
// calls; one route file is open at a time, so one buffer serves both.
const int RouteWriteBufferSize = 32768;

// The forward route file's three header lines are exactly two records long, so record k
// (from 1) starts at RouteRecordSize * (k + 1).
const int RouteHeaderRecords = 2;

// MPS track records: a name of at most MpsNameMax characters ended by a zero byte,
// 5 unused bytes, a 4-byte point count; each point is 4 + 4 bytes of coordinates and
// MpsPointSkip bytes that are passed over.
// Every record begins with MpsRecordHeaderSize bytes, a 4-byte length and a type byte; the
// length counts the bytes after them.
const int MpsNameMax = 150;
const int MpsRecordHeaderSize = 5;
const int MpsTrackGap = 5;
const int MpsPointSkip = 23;

// The bounded thinning keeps a window of the points read since the last waypoint, each with
// its place on the sphere, and searches the legs from points inside it. A full window ends
// a search, so this bounds a leg's length in points: 4096 lets a 1 Hz walk run a straight
// kilometre, and a check of every point in it costs microseconds.
const int BoundedPassCapacity = 4096;
// A search keeps the last BoundedEndRanks good ends of legs from its start: the waypoint
// chosen next is one of those at ranks 0, 1, 3 and 8 from the farthest, so 9 of them.
const int BoundedEndRanks = 9;
// A search gives up after this many points in a row that end no good leg: it bounds the
// work of a search where legs are too long (MaxMeters) or the tolerance too small for the
// cone to end it, and a waypoint's next leg rarely reaches farther past such a gap.
const int BoundedGiveUp = 256;

// Start-up reads the window title and class name into buffers of this many characters.
const int ShellTextCapacity = 100;

// The desktop stand-in for the Pocket PC soft-key bar keeps at most this many keys from its
// resource; a Pocket PC soft-key bar has two.
const int SoftKeyCapacity = 4;

// The relations between the limits that the code relies on, checked when it compiles: a
// false condition makes an array of negative size (C++03 has no static_assert).
#define WAYFOLD_LIMIT_CHECK(name, condition) typedef char name[(condition) ? 1 : -1]
// The path display replaces the whole text, so the longest broken path must fit in it.
WAYFOLD_LIMIT_CHECK(LongestPathDisplayFits, InputPathMax * 3 + 2 < StatusTextCapacity);
// A text just under the emptying threshold still takes the longest message after it.
WAYFOLD_LIMIT_CHECK(MessagesFitAboveEmptying, StatusEmptyAbove + 100 < StatusTextCapacity);
WAYFOLD_LIMIT_CHECK(InputPathTerminated, InputPathMax < InputPathCapacity);
// The longest base that survives the cut, "F.rt2" and the terminator.
WAYFOLD_LIMIT_CHECK(OutputPathFits, InputPathMax - PathCutDefault + RouteSuffixLength + 1 <= OutputPathCapacity);
WAYFOLD_LIMIT_CHECK(OutputFolderTerminated, OutputFolderMax < OutputFolderCapacity);
WAYFOLD_LIMIT_CHECK(PathCutsOrdered, PathCutDefault <= PathCutNmea && PathCutNmea <= PathCutGeoJson);
// LineBuffer holds a cut line and its terminator, an MPS track name and its zero byte,
// the 6-byte MPS signature and the unused gap of a track record.
WAYFOLD_LIMIT_CHECK(LineFitsBuffer, LineLimit < LineBufferSize);
WAYFOLD_LIMIT_CHECK(MpsNameFitsBuffer, MpsNameMax < LineBufferSize);
WAYFOLD_LIMIT_CHECK(MpsBytesFitBuffer, 6 <= LineBufferSize && MpsTrackGap <= LineBufferSize);
WAYFOLD_LIMIT_CHECK(TagFitsBuffer, TagLimit >= 2 && TagLimit <= TagBufferSize);
WAYFOLD_LIMIT_CHECK(RecordFitsText, RouteRecordSize < RecordTextSize);
// A search's start, a candidate two points on and the ranks kept fit in the window.
WAYFOLD_LIMIT_CHECK(BoundedWindowHoldsRanks, BoundedEndRanks >= 1 && BoundedPassCapacity > BoundedEndRanks + 2);
WAYFOLD_LIMIT_CHECK(CopyMovesRecords, RouteHeaderRecords >= 1 && CopyBlockRecords >= 1);

#endif
