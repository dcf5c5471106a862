// A bound on the attributes of a document's elements, checked on its bytes before the
// platform's parser sees them: the parser reads one element's attributes in time that grows
// with their square, so a quarter megabyte of them holds up a host's start-up for seconds.
#pragma once

#include <cstddef>
#include <cstdint>

// Files this system reads carry a handful of attributes per element.
constexpr int kMaxAttributesPerElement = 128;
// Attributes that a document type declaration may add to elements, counted over the document.
constexpr int kMaxDeclarationMarks = 1024;

// Whether no element of the document can carry more than kMaxAttributesPerElement attributes,
// in one linear pass without parsing. Every attribute takes a "=" between its element's "<"
// and the next "<", which no attribute value may hold; a reference counts as well, since a
// character reference in an entity value may stand for "=". Declarations ("<!") count their
// "=", references, "#", "%" and quotes together, as one ATTLIST may declare many defaults.
// False too for an encoding in which these characters could hide: EBCDIC, UCS-4, UTF-7 and
// any other that is not ASCII-compatible or UTF-16.
bool AttributesBounded(const uint8_t* bytes, size_t size);
