#include "conversion/route_writer.h"

#include <limits.h>

#include "conversion/record_format.h"
#include "conversion/status_log.h"

WaypointListener OnWaypointWritten = 0;
FILE *OutputFile = 0;
int WaypointsWritten = 0;

static char RecordText[RecordTextSize];
static unsigned char CopyBuffer[CopyBlockRecords * RouteRecordSize];
static char WriteBuffer[RouteWriteBufferSize];

// Record k starts at RouteRecordSize * (k + RouteHeaderRecords - 1); the seek position
// must fit the stream's long, which on hosts with a 32-bit long caps the count.
static const long MaxCopyRecords = LONG_MAX / RouteRecordSize - RouteHeaderRecords;

static const char HeaderLine1[] = "H1,OziExplorer CE Route2 File Version 1.0\r\n";
static const char HeaderLine2[] = "H2,WGS 84\r\n";
static const char ForwardHeaderLine3[] = "H3,ForwardRoute,,0\r\n";
static const char BackwardHeaderLine3[] = "H3,BackwardRoute,,0\r\n";

int WriteRouteHeader(int route)
{
    const char *line3 = route == BackwardRoute ? BackwardHeaderLine3 : ForwardHeaderLine3;
    // The header is the first write to the new file: the stream takes its buffer now.
    if (setvbuf(OutputFile, WriteBuffer, _IOFBF, sizeof WriteBuffer) != 0) return 1;
    return fputs(HeaderLine1, OutputFile) < 0 || fputs(HeaderLine2, OutputFile) < 0 ||
           fputs(line3, OutputFile) < 0;
}

void CloseInputAndOutput()
{
    if (InputFile) fclose(InputFile);
    InputFile = 0;
    if (OutputFile) fclose(OutputFile);
    OutputFile = 0;
}

int CloseOutputFile()
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
        length = FormatWaypointRecord(RecordText, RecordTextSize, WaypointsWritten, point->Lat,
                                      point->Lon);
    }
    if (length < 0 || length >= RecordTextSize ||
        fwrite(RecordText, 1, (size_t)length, OutputFile) != (size_t)length) {
        StatusAppend(L"Forward file write error!\r\n");
        CloseInputAndOutput();
        return WaypointWriteFailed;
    }
    if (OnWaypointWritten) OnWaypointWritten(point);
    return WaypointWritten;
}

// Records are read a block at a time from the end, one seek per block: a seek per record
// costs a system call each. Each record is checked and written in turn, so a failure stops
// the copy at the same record, with the same message, as a record-by-record copy would.
int CopyRecordsBackward()
{
    int left = WaypointsWritten;
    const wchar_t *failure = 0;
    if ((long)left > MaxCopyRecords) {
        failure = L"Forward route file seek error!\r\n";
        left = 0;
    }
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
        CloseInputAndOutput();
        return BackwardCopyFailed;
    }
    return BackwardCopyDone;
}

