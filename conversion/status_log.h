// The status text: what the main window shows, and the only place the conversion
// reports to. Every change made by an append or by the path display asks the host for an
// immediate repaint (platform/status_display.h).
#ifndef WAYFOLD_STATUS_LOG_H
#define WAYFOLD_STATUS_LOG_H

#include <wchar.h>

#include "common/wayfold_limits.h"

// Empties the text first when it holds more than StatusEmptyAbove characters, appends
// message, then asks for a repaint.
void StatusAppend(const wchar_t *message);

// Replaces the text with path, broken into lines after every backslash but one in the
// first position, and ends it with CR LF; then asks for a repaint.
void StatusShowPath(const wchar_t *path);

// Writes count as "%d " at the end of the text, without the emptying rule and without a
// repaint (the append that follows repaints).
void StatusAppendCount(int count);

// Replaces the whole text without a repaint request (the caller invalidates the window).
void StatusSetText(const wchar_t *text);

// The current text and its length in characters.
const wchar_t *StatusText();
int StatusLength();

#endif
