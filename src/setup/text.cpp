// Text helpers (text.h).

#include "setup/text.h"

#include <cstdlib>
#include <cstring>

#include "setup/setup.h"

namespace {

void Reserve(Text* text, uint32_t length) {
  if (length < text->Capacity) return;
  if (length >= 0x7FFFFFFFu) FailAndExit("Out of memory.", "Fatal error");
  uint32_t capacity = text->Capacity < 32 ? 32 : text->Capacity;
  while (capacity <= length) capacity *= 2;
  char* grown = static_cast<char*>(std::realloc(text->Chars, capacity));
  if (grown == nullptr) FailAndExit("Out of memory.", "Fatal error");
  text->Chars = grown;
  text->Capacity = capacity;
}

}  // namespace

void TextAssign(Text* text, const char* value) {
  text->Length = 0;
  TextAppend(text, value);
}

void TextAppend(Text* text, const char* value) {
  TextAppendChars(text, value, static_cast<uint32_t>(std::strlen(value)));
}

void TextAppendChars(Text* text, const char* chars, uint32_t count) {
  Reserve(text, text->Length + count);
  std::memmove(text->Chars + text->Length, chars, count);
  text->Length += count;
  text->Chars[text->Length] = 0;
}

const char* TextChars(const Text* text) { return text->Chars == nullptr ? "" : text->Chars; }

void TextFree(Text* text) {
  std::free(text->Chars);
  *text = Text{};
}

bool JoinText(char* buffer, uint32_t capacity, std::initializer_list<const char*> pieces) {
  if (capacity == 0) return false;
  uint32_t length = 0;
  for (const char* piece : pieces) {
    const uint32_t room = capacity - 1 - length;
    const uint32_t size = BoundedLength(piece, room);
    if (size > room) {
      buffer[0] = 0;
      return false;
    }
    std::memmove(buffer + length, piece, size);
    length += size;
  }
  buffer[length] = 0;
  return true;
}

uint32_t BoundedLength(const char* text, uint32_t limit) {
  uint32_t length = 0;
  while (length <= limit && text[length] != 0) ++length;
  return length;
}
