// Text helpers: a growable text, and bounded joins into fixed buffers.
#pragma once

#include <cstdint>
#include <initializer_list>

// A growable, NUL-terminated text. All zero is the empty text; TextFree gives the memory back.
struct Text {
  char* Chars;        // null while nothing has been stored
  uint32_t Length;    // characters, not counting the NUL
  uint32_t Capacity;  // bytes allocated
};

void TextAssign(Text* text, const char* value);
void TextAppend(Text* text, const char* value);
void TextAppendChars(Text* text, const char* chars, uint32_t count);
const char* TextChars(const Text* text);  // "" for an empty text
void TextFree(Text* text);

// Copies `pieces` one after the other into `buffer` of `capacity` bytes, NUL included. When the
// whole would not fit, nothing is stored but "" and the result is false.
bool JoinText(char* buffer, uint32_t capacity, std::initializer_list<const char*> pieces);

// The length of a text of at most `limit` characters, or `limit` + 1 when it is longer.
uint32_t BoundedLength(const char* text, uint32_t limit);
