// The status text's repaint request, answered by whoever hosts the conversion: the main
// window repaints at once, the host converter prints what changed.
#ifndef WAYFOLD_STATUS_DISPLAY_H
#define WAYFOLD_STATUS_DISPLAY_H

#include <wchar.h>

// Called after every status change that asks for a repaint. text holds length
// characters; changedFrom is the first character that differs from what the previous
// request showed (0 when the text was replaced or emptied).
typedef void (*StatusRepaintHandler)(const wchar_t *text, int length, int changedFrom);

// Installs the handler; 0 makes the requests go nowhere (the default).
void SetStatusRepaintHandler(StatusRepaintHandler handler);

// Made by the status log after every append and after the path display.
void RequestStatusRepaint(const wchar_t *text, int length, int changedFrom);

#endif
