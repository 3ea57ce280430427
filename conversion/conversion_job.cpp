#include "conversion/conversion_job.h"

#include <limits.h>
#include <string.h>

#include "conversion/status_log.h"
#include "conversion/thinning.h"
#include "platform/file_io.h"

wchar_t InputPath[InputPathCapacity];
wchar_t ForwardPath[OutputPathCapacity];
wchar_t BackwardPath[OutputPathCapacity];
FILE *OutputFile = 0;
int WaypointsWritten = 0;

static char RecordText[RecordTextSize];
static unsigned char CopyBuffer[CopyBlockRecords * RouteRecordSize];

static const char HeaderLine1[] = "H1,OziExplorer CE Route2 File Version 1.0\r\n";
static const char HeaderLine2[] = "H2,WGS 84\r\n";
static const char ForwardHeaderLine3[] = "H3,ForwardRoute,,0\r\n";
static const char BackwardHeaderLine3[] = "H3,BackwardRoute,,0\r\n";

// Characters of text, stopping at capacity (the buffers are not trusted to be terminated).
static int BoundedLength(const wchar_t *text, int capacity)
{
    int length = 0;
    while (length < capacity && text[length]) length++;
    return length;
}

static void CopyWithSuffix(wchar_t *target, int baseLength, const wchar_t *suffix)
{
    int length = baseLength;
    memcpy(target, InputPath, sizeof(wchar_t) * baseLength);
    while (*suffix) target[length++] = *suffix++;
    target[length] = 0;
}

void MakeOutputPaths()
{
    static const int SuffixLength = 5;
    int length = BoundedLength(InputPath, InputPathMax);
    int cut = InputFormat == InputFormatNmea ? PathCutNmea : PathCutDefault;
    // The cut counts characters; a path no longer than the cut leaves an empty base.
    int base = length > cut ? length - cut : 0;
    if (base > OutputPathCapacity - SuffixLength - 1) base = OutputPathCapacity - SuffixLength - 1;
    CopyWithSuffix(ForwardPath, base, L"F.rt2");
    CopyWithSuffix(BackwardPath, base, L"B.rt2");
}

// Writes the three header lines; 0 on success.
static int WriteRouteHeader(const char *line3)
{
    return fputs(HeaderLine1, OutputFile) < 0 || fputs(HeaderLine2, OutputFile) < 0 ||
           fputs(line3, OutputFile) < 0;
}

static void CloseBoth()
{
    if (InputFile) fclose(InputFile);
    InputFile = 0;
    if (OutputFile) fclose(OutputFile);
    OutputFile = 0;
}

// Closes the output file; 0 when everything written reached the file.
static int CloseOutput()
{
    int failed = fclose(OutputFile) != 0;
    OutputFile = 0;
    return failed;
}

int WriteWaypoint(const TrackPoint *point)
{
    int length = -1;
    // A count that cannot grow, or a record that does not fit, is a failed write.
    if (WaypointsWritten < INT_MAX) {
        WaypointsWritten++;
        length = snprintf(RecordText, sizeof RecordText, "W,RW%06d,%10.6f,%11.6f,0\r\n",
                          WaypointsWritten, point->Lat, point->Lon);
    }
    if (length < 0 || length >= RecordTextSize ||
        fwrite(RecordText, 1, (size_t)length, OutputFile) != (size_t)length) {
        StatusAppend(L"Forward file write error!\r\n");
        CloseBoth();
        return 2;
    }
    return 0;
}

// Copies the forward file's records, last first, after the backward header. Records are
// read a block at a time from the end, one seek per block: a seek per record costs a
// system call each. Each record is checked and written in turn, so a failure stops the
// copy at the same record, with the same message, as a record-by-record copy would.
static int CopyRecordsBackward()
{
    int left = WaypointsWritten;
    const wchar_t *failure = 0;
#if LONG_MAX / 37 - 2 < INT_MAX
    // Record k starts at RouteRecordSize * (k + 1); the position must fit the stream's.
    if (left > LONG_MAX / RouteRecordSize - RouteHeaderRecords) {
        failure = L"Forward route file seek error!\r\n";
        left = 0;
    }
#endif
    while (left > 0 && !failure) {
        int count = left < CopyBlockRecords ? left : CopyBlockRecords;
        int first = left - count + 1;
        size_t got = 0;
        if (fseek(InputFile, (long)RouteRecordSize * (first + 1), SEEK_SET) != 0)
            failure = L"Forward route file seek error!\r\n";
        else
            got = fread(CopyBuffer, 1, (size_t)count * RouteRecordSize, InputFile);
        for (int record = left; record >= first && !failure; record--) {
            size_t offset = (size_t)(record - first) * RouteRecordSize;
            const unsigned char *text = CopyBuffer + offset;
            if (offset + RouteRecordSize > got)
                failure = L"Forward route file read error!\r\n";
            else if (text[0] != 'W' || text[RouteRecordSize - 1] != '\n')
                failure = L"Invalid data in forward route file!\r\n";
            else if (fwrite(text, 1, RouteRecordSize, OutputFile) != (size_t)RouteRecordSize)
                failure = L"Backward route file write error!\r\n";
        }
        left = first - 1;
    }
    if (failure) {
        StatusAppend(failure);
        CloseBoth();
        return JobBackwardCopyFailed;
    }
    return JobDone;
}

int RunConversionJob()
{
    int header;
    // The host fills InputPath; it is never read past its buffer.
    InputPath[InputPathCapacity - 1] = 0;
    StatusShowPath(InputPath);
    MakeOutputPaths();
    WaypointsWritten = 0;

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
        CloseBoth();
        return JobInputFailed;
    }
    // An output path that names the input itself would destroy it.
    if (SameExistingFile(InputPath, ForwardPath) || SameExistingFile(InputPath, BackwardPath)) {
        StatusAppend(L"Output file open error!\r\n");
        CloseBoth();
        return JobInputFailed;
    }

    // The forward route, thinned as the track streams in.
    OutputFile = OpenFileByPath(ForwardPath, "wb");
    if (!OutputFile) {
        StatusAppend(L"Output file open error!\r\n");
        CloseBoth();
        return JobInputFailed;
    }
    if (WriteRouteHeader(ForwardHeaderLine3) != 0) {
        StatusAppend(L"Output file write error!\r\n");
        CloseBoth();
        return JobInputFailed;
    }
    if (RunThinningPass() != PassDone) return JobThinningFailed;
    fclose(InputFile);
    InputFile = 0;
    if (CloseOutput() != 0) {
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
        CloseBoth();
        return JobBackwardOpenFailed;
    }
    if (WriteRouteHeader(BackwardHeaderLine3) != 0) {
        StatusAppend(L"Backward route file write error!\r\n");
        CloseBoth();
        return JobBackwardOpenFailed;
    }
    if (CopyRecordsBackward() != JobDone) return JobBackwardCopyFailed;
    fclose(InputFile);
    InputFile = 0;
    if (CloseOutput() != 0) {
        StatusAppend(L"Backward route file write error!\r\n");
        return JobBackwardCopyFailed;
    }
    StatusAppend(L"Backward route file - OK\r\n");
    return JobDone;
}
