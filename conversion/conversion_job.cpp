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

int RunConversionJob()
{
    int header;
    // The host fills InputPath; it is never read past its buffer.
    InputPath[InputPathCapacity - 1] = 0;
    StatusShowPath(InputPath);
    MakeOutputPaths();
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
    // An output path that names the input itself would destroy it.
    if (SameExistingFile(InputPath, ForwardPath) || SameExistingFile(InputPath, BackwardPath)) {
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
