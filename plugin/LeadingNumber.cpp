#include "LeadingNumber.h"

#include <charconv>
#include <limits>

namespace
{
// Deciding the correct rounding of a double never needs more than 768 significant digits; the digits
// beyond are only ever asked whether any of them is not zero, which one more digit answers.
constexpr std::size_t keptSignificantDigits = 780;

// Decimal exponents, for a value written as 0.digits times ten to the exponent, beyond which every
// value is infinite or rounds to zero. The exponent read from the text saturates far beyond them and
// beyond any count of digits a text can hold, so that digits and exponent never cancel wrongly.
constexpr long long largestFiniteExponent = 310;
constexpr long long smallestNonZeroExponent = -330;
constexpr long long exponentSaturation = 1'000'000'000'000'000;

bool isBlank (char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit (char c) noexcept { return c >= '0' && c <= '9'; }

bool startsWithIgnoringCase (std::string_view text, std::string_view lowerCasePrefix) noexcept
{
    if (text.size() < lowerCasePrefix.size())
        return false;

    for (std::size_t i = 0; i < lowerCasePrefix.size(); ++i)
    {
        const auto c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char> (c - 'A' + 'a') : c) != lowerCasePrefix[i])
            return false;
    }

    return true;
}

double signedInfinity (bool negative) noexcept
{
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
}

double signedZero (bool negative) noexcept { return negative ? -0.0 : 0.0; }

// The exponent digits after an e or E, saturating; none at all means the e is not part of the number.
long long readExponent (std::string_view text, std::size_t& position) noexcept
{
    auto i = position + 1;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;

    if (i >= text.size() || ! isDigit (text[i]))
        return 0;

    long long exponent = 0;
    for (; i < text.size() && isDigit (text[i]); ++i)
        if (exponent < exponentSaturation)
            exponent = exponent * 10 + (text[i] - '0');

    position = i;
    return negative ? -exponent : exponent;
}
} // namespace

double readLeadingNumber (std::string_view text) noexcept
{
    std::size_t i = 0;
    while (i < text.size() && isBlank (text[i]))
        ++i;

    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;

    if (startsWithIgnoringCase (text.substr (i), "nan"))
        return std::numeric_limits<double>::quiet_NaN();
    if (startsWithIgnoringCase (text.substr (i), "inf"))
        return signedInfinity (negative);

    // The value is 0.digits times ten to the power of exponent.
    char digits[keptSignificantDigits + 1];
    std::size_t digitCount = 0;
    bool droppedDigitsAreZero = true;
    bool anyDigit = false;
    bool afterPoint = false;
    long long exponent = 0;

    for (; i < text.size(); ++i)
    {
        const auto c = text[i];
        if (c == '.' && ! afterPoint)
        {
            afterPoint = true;
            continue;
        }
        if (! isDigit (c))
            break;

        anyDigit = true;
        if (digitCount == 0 && c == '0')
        {
            exponent -= afterPoint ? 1 : 0;
            continue;
        }

        exponent += afterPoint ? 0 : 1;
        if (digitCount < keptSignificantDigits)
            digits[digitCount++] = c;
        else
            droppedDigitsAreZero = droppedDigitsAreZero && c == '0';
    }

    if (! anyDigit)
        return 0.0;

    if (i < text.size() && (text[i] == 'e' || text[i] == 'E'))
        exponent += readExponent (text, i);

    if (digitCount == 0 || exponent < smallestNonZeroExponent)
        return signedZero (negative);
    if (exponent > largestFiniteExponent)
        return signedInfinity (negative);

    if (! droppedDigitsAreZero)
        digits[digitCount++] = '1';

    char number[keptSignificantDigits + 16];
    std::size_t length = 0;
    if (negative)
        number[length++] = '-';
    number[length++] = '0';
    number[length++] = '.';
    for (std::size_t d = 0; d < digitCount; ++d)
        number[length++] = digits[d];
    number[length++] = 'e';
    const auto exponentText = std::to_chars (number + length, number + sizeof (number), exponent);
    length = static_cast<std::size_t> (exponentText.ptr - number);

    double value = 0.0;
    if (std::from_chars (number, number + length, value).ec == std::errc::result_out_of_range)
        return exponent > 0 ? signedInfinity (negative) : signedZero (negative);

    return value;
}
