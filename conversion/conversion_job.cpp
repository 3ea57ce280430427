#include "conversion/conversion_job.h"

#include <string.h>

#include "conversion/bounded_thinning.h"
#include "conversion/route_writer.h"
#include "conversion/status_log.h"
#include "conversion/thinning.h"
#include "platform/file_io.h"

wchar_t InputPath[InputPathCapacity];
wchar_t ForwardPath[OutputPathCapacity];
wchar_t BackwardPath[OutputPathCapacity];
wchar_t OutputFolder[OutputFolderCapacity];
// Characters of text, stopping at capacity (the buffers are not trusted to be terminated).
static int BoundedLength(const wchar_t *text, int capacity)
{
    int length = 0;
    while (length < capacity && text[length]) length++;
    return length;
}

// prefix (prefixLength characters), then base (baseLength), then suffix.
static void CopyWithSuffix(wchar_t *target, const wchar_t *prefix, int prefixLength, const wchar_t *base,
                           int baseLength, const wchar_t *suffix)
{
    int length = prefixLength + baseLength;
    memcpy(target, prefix, sizeof(wchar_t) * prefixLength);
    memcpy(target + prefixLength, base, sizeof(wchar_t) * baseLength);
    while (*suffix) target[length++] = *suffix++;
    target[length] = 0;
}

static bool IsPathSeparator(wchar_t c)
{
#if defined(_WIN32)
    return c == L'\\' || c == L'/' || c == L':';
#else
    return c == L'/';
#endif
}

void MakeOutputPaths()
{
    static const wchar_t Separator[] = {L'/', 0};
    int length = BoundedLength(InputPath, InputPathMax);
    const TrackFormatEntry *format = FindTrackFormat(InputFormat);
    int cut = format ? format->PathCut : PathCutDefault;
    // The cut counts characters; a path no longer than the cut leaves an empty base.
    int base = length > cut ? length - cut : 0;
    int folderLength = BoundedLength(OutputFolder, OutputFolderMax);
    if (folderLength == 0) {
        if (base > OutputPathCapacity - RouteSuffixLength - 1) base = OutputPathCapacity - RouteSuffixLength - 1;
        CopyWithSuffix(ForwardPath, L"", 0, InputPath, base, L"F.rt2");
        CopyWithSuffix(BackwardPath, L"", 0, InputPath, base, L"B.rt2");
        return;
    }
    // The track's name: what follows its last separator.
    int nameStart = base;
    while (nameStart > 0 && !IsPathSeparator(InputPath[nameStart - 1])) nameStart--;
    int separatorLength = IsPathSeparator(OutputFolder[folderLength - 1]) ? 0 : 1;
    // Both lengths are at most InputPathMax: the sum cannot overflow.
    if (folderLength + separatorLength + (base - nameStart) + RouteSuffixLength + 1 > OutputPathCapacity) {
        ForwardPath[0] = 0;
        BackwardPath[0] = 0;
        return;
    }
    // The folder and its separator, then the name.
    CopyWithSuffix(ForwardPath, OutputFolder, folderLength, Separator, separatorLength, L"");
    CopyWithSuffix(BackwardPath, OutputFolder, folderLength, Separator, separatorLength, L"");
    CopyWithSuffix(ForwardPath + folderLength + separatorLength, L"", 0, InputPath + nameStart, base - nameStart,
                   L"F.rt2");
    CopyWithSuffix(BackwardPath + folderLength + separatorLength, L"", 0, InputPath + nameStart, base - nameStart,
                   L"B.rt2");
}

// A damaged track record, reported as the reader meets it.
static void ReportTrackDamage()
{
    StatusAppend(L"Track read error!\r\n");
}

static int ConvertTrack();

int RunConversionJob()
{
    // The host fills InputPath; it is never read past its buffer.
    InputPath[InputPathCapacity - 1] = 0;
    MakeOutputPaths();
    return RunConversionJobToPaths();
}

int RunConversionJobToPaths()
{
    InputPath[InputPathCapacity - 1] = 0;
    ForwardPath[OutputPathCapacity - 1] = 0;
    BackwardPath[OutputPathCapacity - 1] = 0;
    StatusShowPath(InputPath);
    OnTrackDamaged = ReportTrackDamage;
    int result = ConvertTrack();
    OnTrackDamaged = 0;
    return result;
}

// The job's steps, from opening the track to the backward file's last record.
static int ConvertTrack()
{
    int header;
    WaypointsWritten = 0;
    PointsDelivered = 0;

    // The track, past its header.
    InputFile = OpenFileByPath(InputPath, "rb");
    if (!InputFile) {
        StatusAppend(L"Input file open error!\r\n");
        return JobInputFailed;
    }
    header = CheckTrackHeader();
    if (header != HeaderAccepted) {
        if (header == HeaderReadError) StatusAppend(L"Input file read error!\r\n");
        else if (header == HeaderWrongFormat) StatusAppend(L"Incorrect file format!\r\n");
        else StatusAppend(L"Input file tell error!\r\n");
        CloseInputAndOutput();
        return JobInputFailed;
    }
    // An output path that names the input itself would destroy it; an empty one did not fit.
    if (ForwardPath[0] == 0 || SameExistingFile(InputPath, ForwardPath) || SameExistingFile(InputPath, BackwardPath)) {
        StatusAppend(L"Output file open error!\r\n");
        CloseInputAndOutput();
        return JobInputFailed;
    }

    // The forward route, thinned as the track streams in.
    OutputFile = OpenFileByPath(ForwardPath, "wb");
    if (!OutputFile) {
        StatusAppend(L"Output file open error!\r\n");
        CloseInputAndOutput();
        return JobInputFailed;
    }
    if (WriteRouteHeader(ForwardRoute) != 0) {
        StatusAppend(L"Output file write error!\r\n");
        CloseInputAndOutput();
        return JobInputFailed;
    }
    if ((ThinningMethod == ThinningBounded ? RunBoundedThinningPass() : RunThinningPass()) != PassDone) return JobThinningFailed;
    fclose(InputFile);
    InputFile = 0;
    if (CloseOutputFile() != 0) {
        StatusAppend(L"Forward file write error!\r\n");
        return JobThinningFailed;
    }
    StatusAppend(L"Forward route file - OK\r\n");
    StatusAppendCount(WaypointsWritten);
    StatusAppend(L"points are saved.\r\n");

    // The backward route: the forward file's records, last first.
    InputFile = OpenFileByPath(ForwardPath, "rb");
    if (!InputFile) {
        StatusAppend(L"Forward route file open error!\r\n");
        return JobBackwardOpenFailed;
    }
    OutputFile = OpenFileByPath(BackwardPath, "wb");
    if (!OutputFile) {
        StatusAppend(L"Backward route file open error!\r\n");
        CloseInputAndOutput();
        return JobBackwardOpenFailed;
    }
    if (WriteRouteHeader(BackwardRoute) != 0) {
        StatusAppend(L"Backward route file write error!\r\n");
        CloseInputAndOutput();
        return JobBackwardOpenFailed;
    }
    if (CopyRecordsBackward() != BackwardCopyDone) return JobBackwardCopyFailed;
    fclose(InputFile);
    InputFile = 0;
    if (CloseOutputFile() != 0) {
        StatusAppend(L"Backward route file write error!\r\n");
        return JobBackwardCopyFailed;
    }
    StatusAppend(L"Backward route file - OK\r\n");
    return JobDone;
}
