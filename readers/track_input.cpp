#include "readers/track_input.h"

FILE *InputFile = 0;
char LineBuffer[LineBufferSize];

bool LatitudeInRange(double value)
{
    return !(value > 100.0 || value < -100.0);
}

bool LongitudeInRange(double value)
{
    return !(value > 370.0 || value < -370.0);
}

void SetRadians(TrackPoint *point)
{
    point->LatRad = point->Lat * RadiansPerDegree;
    point->LonRad = point->Lon * RadiansPerDegree;
}
