#pragma once

// Texts copied into the host's fixed UTF-16 fields (worksheet names and reference IDs, picture and
// texture names).

#include "GSRoot.hpp"

// The text as a field of `capacity` code units keeps it: at most capacity - 1 units, never ending
// in the first half of a surrogate pair, and with every unpaired half replaced by U+FFFD, so that
// what the host keeps compares equal to what the next lookup asks for.
GS::UniString BoundedText(const GS::UniString& text, UInt32 capacity);

// Writes BoundedText into the field, zero-terminated.
void CopyBoundedText(GS::uchar_t* field, UInt32 capacity, const GS::UniString& text);
