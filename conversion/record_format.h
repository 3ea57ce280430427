// The text of one route waypoint record, made here rather than by the C library's
// printf, so that every platform writes the same bytes for the same coordinates.
#ifndef WAYFOLD_RECORD_FORMAT_H
#define WAYFOLD_RECORD_FORMAT_H

// Writes "W,RW%06d,%10.6f,%11.6f,0\r\n" of number, lat and lon into text, as glibc's
// snprintf does: each value correctly rounded from its exact binary value, an exact half
// to the even digit, a negative sign kept on a zero. Returns the record's length; when
// that is capacity or more, text holds only what fitted, as with snprintf.
int FormatWaypointRecord(char *text, int capacity, int number, double lat, double lon);

#endif
