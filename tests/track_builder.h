// The track builder now lives in the shared test support.
#include "tests/test_support.h"
