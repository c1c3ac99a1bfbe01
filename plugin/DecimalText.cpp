#include "DecimalText.h"

#include <cmath>

juce::String formatDecimal (double value, int numberOfDecimals)
{
    if (std::isnan (value))
        return "nan";

    const bool negative = value < 0.0;

    if (std::isinf (value))
        return negative ? "-inf" : "inf";

    numberOfDecimals = juce::jlimit (0, 9, numberOfDecimals);
    const auto scale = std::pow (10.0, numberOfDecimals);
    const auto scaled = std::floor (std::abs (value) * scale + 0.5);

    // Beyond 2^53 a double has no fraction left to print; such magnitudes never reach a display.
    constexpr double largestExactInteger = 9007199254740992.0;
    auto digits = juce::String (static_cast<juce::int64> (juce::jmin (scaled, largestExactInteger)));

    if (numberOfDecimals > 0)
    {
        digits = digits.paddedLeft ('0', numberOfDecimals + 1);
        digits = digits.dropLastCharacters (numberOfDecimals) + "." + digits.getLastCharacters (numberOfDecimals);
    }

    return negative ? "-" + digits : digits;
}
