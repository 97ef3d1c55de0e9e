#pragma once
// The log's wide pass: formatting a line in wide characters and narrowing it
// into the ANSI code page the file is written in, on fixed stack buffers.
#include <cstdarg>
#include <cstddef>

namespace LogText {

// Formats a narrow printf format (in the ANSI code page) with its arguments
// into at most capacity - 1 wide characters. Each argument keeps the type of
// the narrow rules ("%s" narrow, "%S" or "%ls" wide); narrow strings and
// characters are widened from the ANSI code page, as the format is. Returns
// the count written; 0 when the format cannot be read.
int FormatWide(const char* format, va_list args, wchar_t* out, int capacity);

// Narrows `text` (at most 511 characters) into at most capacity - 1 bytes of
// the ANSI code page, ending before the first character that does not fit
// whole. Characters the code page lacks become its default character.
// Returns the byte count.
int NarrowWhole(const wchar_t* text, char* out, int capacity);

// The longest prefix of `text` (len bytes, ANSI code page) of at most
// `limit` bytes that ends between two characters.
size_t WholeCharacters(const char* text, size_t len, size_t limit);

}  // namespace LogText
