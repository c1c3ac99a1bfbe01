#pragma once

#include <juce_core/juce_core.h>

// A number as fixed-point text with the given count of decimals (0 to 9), rounding halves away from
// zero: 0.125 gives "0.13" and -0.001 gives "-0.00" (a negative number keeps its sign even when it
// rounds to zero). JUCE 7's String (double, n) rounds ties to even, so the displays use this instead.
// Not-a-number gives "nan", infinities "inf" and "-inf".
juce::String formatDecimal (double value, int numberOfDecimals);
