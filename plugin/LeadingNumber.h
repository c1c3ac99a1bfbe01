#pragma once

#include <string_view>

// The number at the start of a text, read the way JUCE's String::getDoubleValue reads one: leading
// ASCII blanks, an optional sign, digits with an optional decimal point and an optional exponent,
// stopping at the first character that does not fit. A text starting with nan or inf in any letter
// case (after the sign) reads as not-a-number or infinity, and one without digits reads as 0.
// Unlike JUCE's reader it is exact for any length of digits or exponent: the result is the correctly
// rounded double, -0 keeps its sign, and exponents beyond the double range give infinity or zero.
// It needs no locale and allocates nothing.
double readLeadingNumber (std::string_view text) noexcept;
