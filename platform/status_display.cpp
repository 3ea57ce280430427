#include "platform/status_display.h"

static StatusRepaintHandler RepaintHandler = 0;

void SetStatusRepaintHandler(StatusRepaintHandler handler)
{
    RepaintHandler = handler;
}

void RequestStatusRepaint(const wchar_t *text, int length, int changedFrom)
{
    if (RepaintHandler) RepaintHandler(text, length, changedFrom);
}
