// Pi, once for every module that turns angles: the double nearest it.
#ifndef WAYFOLD_ANGLES_H
#define WAYFOLD_ANGLES_H

const double Pi = 3.141592653589793;

#endif
