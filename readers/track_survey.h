// A second look at a track file whose reader found too few points, to say why: what kind
// of text it is, which format its first bytes suggest, and what it holds instead of track
// points. Cold code, run only after a failed conversion; the hot readers stay lean.
#ifndef WAYFOLD_TRACK_SURVEY_H
#define WAYFOLD_TRACK_SURVEY_H

#include "readers/track_input.h"

// What the file's first bytes are.
enum {
    SurveyText = 0,      // 8-bit text, or a binary format's signature
    SurveyUtf16 = 1,     // UTF-16 text: a byte order mark, or NULs between ASCII letters
    SurveyNotText = 2    // control bytes and NULs in no text's pattern
};

// Results of SurveyTrackFile.
enum {
    SurveyDone = 0,
    SurveyReadError = 1
};

struct TrackSurvey {
    int Encoding;      // one of the Survey encodings above
    int LooksLike;     // the InputFormat its first bytes suggest, or 0
    int RoutePoints;   // "<rtept" tags, the points of a GPX route (at most INT_MAX)
};

// What a reader passed over (a PassedOver kind of a format), as a report names it: a stable
// name for programs ("not_rmc") and words for people, after the count ("lines that are not
// RMC sentences passed over").
// Damage is set for what a user should hear of even when the conversion succeeds: a damaged
// file whose positions up to the damage were used.
struct PassedOverReason {
    int Format;   // an InputFormat, or 0 for every format
    int Kind;
    const char *Name;
    const char *Text;
    bool Damage;
};
// The reason for kind under format, or 0 when the reader has no such result.
const PassedOverReason *FindPassedOverReason(int format, int kind);

// Reads InputFile from its start (it is left at an unknown place) and fills survey.
int SurveyTrackFile(TrackSurvey *survey);

#endif
