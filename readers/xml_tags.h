// What the TCX and KML readers share: tags told apart by their element's name, and an
// element's text read up to the next tag, without an XML parser.
#ifndef WAYFOLD_XML_TAGS_H
#define WAYFOLD_XML_TAGS_H

// What a tag's text (between '<' and '>') is to an element.
enum {
    TagOfOther = 0,  // another element's tag, a comment, a declaration
    TagStart = 1,    // <name ...>
    TagEnd = 2,      // </name>
    TagEmpty = 3     // <name .../>
};

// What the tag text (length characters) is to the element of the local name name: the
// part after a namespace prefix ("gx:coord" is "coord") is compared.
int ElementTag(const char *tag, int length, const char *name);

// Reads an element's text after its start tag up to the next '<', which it passes over,
// into buffer (limit + 1 bytes), terminated; a longer text is cut. Returns the count of
// characters kept, or -1 when the file ends first.
int ReadElementText(char *buffer, int limit);

#endif
