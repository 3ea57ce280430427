// The converter's picture of a track and its route: NAME.svg beside the route files.
// The track's points are gathered while MeasureRoute walks them (offsets from the first
// point, in temporary files, so memory does not grow with the track), then drawn in a
// local equirectangular projection, north up.
#ifndef WAYFOLD_ROUTE_PICTURE_H
#define WAYFOLD_ROUTE_PICTURE_H

#include <cstdio>
#include <string>

// Before MeasureRoute: temporary files and the measuring's listener. False when no
// temporary file could be made.
bool BeginRoutePicture();

// What the caption says of the thinning: the method, and with --fit the budget (the
// tolerance chosen is the MaxOrtError in force).
struct PictureCaption {
    bool bounded = false;
    int fitBudget = 0;   // 0: no --fit
};

// After MeasureRoute: writes the picture into path when measured, and closes the temporary
// files. track is the track's path as given (UTF-8); its file name goes into the caption.
// Returns false, with a line on err (unless err is null), when no picture was written.
bool FinishRoutePicture(std::FILE *err, const std::string &track, const wchar_t *path, bool measured,
                        const PictureCaption &caption);

#endif
