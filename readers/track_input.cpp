#include "readers/track_input.h"

FILE *InputFile = 0;
char LineBuffer[LineBufferSize];
bool TrackBoundary = false;
