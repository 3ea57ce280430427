#include "conversion/status_log.h"

#include <stdio.h>

#include "platform/status_display.h"

// The text at start-up.
#define INITIAL_STATUS_TEXT L"Select file to open..."
static wchar_t Text[StatusTextCapacity] = INITIAL_STATUS_TEXT;
static int Length = sizeof INITIAL_STATUS_TEXT / sizeof(wchar_t) - 1;
// The first character changed since the last repaint request; Length when nothing has.
static int ChangedFrom = 0;

// Appends as much of source as fits, always leaving the text terminated.
static void AppendText(const wchar_t *source)
{
    if (ChangedFrom > Length) ChangedFrom = Length;
    while (*source && Length < StatusTextCapacity - 1) Text[Length++] = *source++;
    Text[Length] = 0;
}

static void Repaint()
{
    RequestStatusRepaint(Text, Length, ChangedFrom);
    ChangedFrom = Length;
}

void StatusAppend(const wchar_t *message)
{
    // A long text is emptied first, so the window shows the newest messages.
    if (Length > StatusEmptyAbove) {
        Length = 0;
        Text[0] = 0;
        ChangedFrom = 0;
    }
    AppendText(message);
    Repaint();
}

void StatusShowPath(const wchar_t *path)
{
    static const wchar_t LineEnd[] = L"\r\n";
    Length = 0;
    ChangedFrom = 0;
    // Break after every backslash but a leading one, so each folder gets its own line.
    // Room is left for a character, its line break and the terminator.
    for (int i = 0; path[i] && Length < StatusTextCapacity - 3; i++) {
        Text[Length++] = path[i];
        if (path[i] == L'\\' && i > 0) {
            Text[Length++] = LineEnd[0];
            Text[Length++] = LineEnd[1];
        }
    }
    Text[Length] = 0;
    AppendText(LineEnd);
    Repaint();
}

void StatusAppendCount(int count)
{
    // A sign, ten digits of a 32-bit int, the blank and the terminator.
    static const int CountTextSize = 16;
    char digits[CountTextSize];
    wchar_t wide[CountTextSize];
    int i = 0;
    snprintf(digits, sizeof digits, "%d ", count);
    for (; digits[i]; i++) wide[i] = (wchar_t)digits[i];
    wide[i] = 0;
    AppendText(wide);
}

void StatusSetText(const wchar_t *text)
{
    Length = 0;
    Text[0] = 0;
    ChangedFrom = 0;
    AppendText(text);
}

const wchar_t *StatusText()
{
    return Text;
}

int StatusLength()
{
    return Length;
}
