#include "ValueText.h"

#include <cmath>

namespace
{
constexpr int fieldWidth = 8;
const char* const hugeText = "Huge!";

char digitCharacter(double digitValue)
{
    return static_cast<char>('0' + static_cast<int>(digitValue));
}
} // namespace

namespace ValueText
{
void copyText(char* text, const char* source, int maxLength)
{
    if (maxLength < 0)
        return;

    int length = 0;
    for (; length < maxLength && source[length] != '\0'; ++length)
        text[length] = source[length];
    for (; length <= maxLength; ++length)
        text[length] = '\0';
}

void appendText(char* text, const char* suffix, int maxLength)
{
    if (maxLength < 0)
        return;

    int length = 0;
    while (length < maxLength && text[length] != '\0')
        ++length;
    for (; length < maxLength && *suffix != '\0'; ++length, ++suffix)
        text[length] = *suffix;
    text[length] = '\0';
    text[maxLength] = '\0';
}

void formatFloat(float value, char* text, int maxLength)
{
    if (std::isnan(value))
    {
        copyText(text, "NaN", maxLength);
        return;
    }
    // The two limits differ on purpose: a negative value spends one character on its sign.
    if (static_cast<double>(value) > 99999999.0 || value < -9999999.0f)
    {
        copyText(text, hugeText, maxLength);
        return;
    }

    char field[fieldWidth + 4];
    int length = 0;
    if (value < 0.0f)
        field[length++] = '-';

    const double magnitude = std::fabs(static_cast<double>(value));

    char integerDigits[fieldWidth + 1];
    int digitCount = 0;
    const double integerPart = std::floor(magnitude);
    integerDigits[digitCount++] = digitCharacter(std::fmod(integerPart, 10.0));
    for (double quotient = integerPart / 10.0; quotient >= 1.0; quotient /= 10.0)
        integerDigits[digitCount++] = digitCharacter(std::fmod(quotient, 10.0));
    while (digitCount > 0)
        field[length++] = integerDigits[--digitCount];
    field[length++] = '.';
    field[length] = '\0';
    copyText(text, field, maxLength);

    // An eight-digit integer part (or seven with a sign) fills the field with the point
    // already, and no fraction digits follow.
    const int fractionDigitCount = fieldWidth - length;
    if (fractionDigitCount <= 0)
        return;

    double scale = 1.0;
    for (int i = 0; i < fractionDigitCount; ++i)
        scale *= 10.0;
    double scaledFraction = std::fmod(magnitude, 1.0) * scale;

    char fractionDigits[fieldWidth + 1];
    for (int position = fractionDigitCount - 1; position >= 0; --position)
    {
        if (scaledFraction > 0.0)
        {
            fractionDigits[position] = digitCharacter(std::fmod(scaledFraction, 10.0));
            scaledFraction /= 10.0;
        }
        else
        {
            fractionDigits[position] = '0';
        }
    }
    fractionDigits[fractionDigitCount] = '\0';
    appendText(text, fractionDigits, maxLength);
}

void formatInt(int value, char* text, int maxLength)
{
    // Nine digit positions: below -999999999 the magnitude has no room, and the most negative
    // int has no positive counterpart.
    if (value >= 100000000 || value < -999999999)
    {
        copyText(text, hugeText, maxLength);
        return;
    }

    if (value < 0)
    {
        copyText(text, "-", maxLength);
        value = -value;
    }
    else
    {
        copyText(text, "", maxLength);
    }

    bool leadingZeros = true;
    for (int divisor = 100000000; divisor > 0; divisor /= 10)
    {
        const int digit = value / divisor;
        value -= digit * divisor;
        if (digit > 0)
            leadingZeros = false;
        if (!leadingZeros)
        {
            const char digitText[] = { static_cast<char>('0' + digit), '\0' };
            appendText(text, digitText, maxLength);
        }
    }
}
} // namespace ValueText
