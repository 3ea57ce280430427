#include "readers/xml_tags.h"

#include <string.h>

#include "readers/line_reader.h"
#include "readers/track_input.h"

int ElementTag(const char *tag, int length, const char *name)
{
    const char *end = tag + length;
    bool closing = tag < end && *tag == '/';
    if (closing) ++tag;
    // The qualified name runs to white space, a '/' or the end; its local part follows the
    // last ':'.
    const char *local = tag;
    const char *p = tag;
    for (; p < end && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != '/'; ++p)
        if (*p == ':') local = p + 1;
    size_t nameLength = strlen(name);
    if ((size_t)(p - local) != nameLength || memcmp(local, name, nameLength) != 0) return TagOfOther;
    if (closing) return TagEnd;
    return end[-1] == '/' ? TagEmpty : TagStart;
}

int ReadElementText(char *buffer, int limit)
{
    int count = ReadUpToByte(InputFile, '<', buffer, limit);
    if (count == LineEndOfFile) return LineEndOfFile;
    buffer[count] = 0;
    return count;
}
