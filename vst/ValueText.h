#pragma once

// Short display texts for parameter values, written into a caller's buffer of maxLength + 1
// bytes. Every write cuts the text to maxLength characters and keeps a NUL at position
// maxLength; a negative maxLength writes nothing.
namespace ValueText
{
// Replaces the buffer's text; the bytes after it, up to position maxLength, become NULs.
void copyText(char* text, const char* source, int maxLength);

// Appends to the buffer's text, keeping the whole within maxLength characters.
void appendText(char* text, const char* suffix, int maxLength);

// Renders value in an eight-character field: sign, integer digits, point and as many
// fraction digits as fill the field, truncated. "Huge!" beyond the field's range.
void formatFloat(float value, char* text, int maxLength);

// Renders value in decimal without leading zeros; 0 gives an empty text, 100000000 or more
// and anything below -999999999 give "Huge!".
void formatInt(int value, char* text, int maxLength);
} // namespace ValueText
