#include "TestEffects.h"
#include "ValueText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

namespace
{
// A buffer of 8 + 1 bytes inside a larger one, to see that nothing is written past it.
struct TextBuffer
{
    TextBuffer() { std::memset(bytes, '#', sizeof(bytes)); }

    char* text() { return bytes; }
    std::string str() const { return bytes; }
    bool untouchedFrom(std::size_t position) const
    {
        for (std::size_t i = position; i < sizeof(bytes); ++i)
            if (bytes[i] != '#')
                return false;
        return true;
    }

    char bytes[32];
};

std::string floatText(float value, int maxLength = 8)
{
    TextBuffer buffer;
    ValueText::formatFloat(value, buffer.text(), maxLength);
    EXPECT_EQ('\0', buffer.bytes[maxLength]);
    EXPECT_TRUE(buffer.untouchedFrom(static_cast<std::size_t>(maxLength) + 1));
    return buffer.str();
}

std::string intText(int value, int maxLength = 10)
{
    TextBuffer buffer;
    ValueText::formatInt(value, buffer.text(), maxLength);
    EXPECT_EQ('\0', buffer.bytes[maxLength]);
    EXPECT_TRUE(buffer.untouchedFrom(static_cast<std::size_t>(maxLength) + 1));
    return buffer.str();
}

TEST(ValueText, FloatExamples)
{
    EXPECT_EQ("0.000000", floatText(0.0f));
    EXPECT_EQ("0.000000", floatText(-0.0f));
    EXPECT_EQ("1.500000", floatText(1.5f));
    EXPECT_EQ("-2.50000", floatText(-2.5f));
    EXPECT_EQ("-0.50000", floatText(-0.5f));
    EXPECT_EQ("100.0000", floatText(100.0f));
    EXPECT_EQ("123.4560", floatText(123.456f));
    EXPECT_EQ("12.34567", floatText(12.345678f));
    EXPECT_EQ("0.999999", floatText(0.9999999f));
    EXPECT_EQ("1234567.", floatText(1234567.0f));
    EXPECT_EQ("-123456.", floatText(-123456.0f));
}

TEST(ValueText, FloatLimits)
{
    EXPECT_EQ("Huge!", floatText(100000000.0f));
    EXPECT_EQ("Huge!", floatText(-10000000.0f));
    EXPECT_EQ("Huge!", floatText(std::numeric_limits<float>::infinity()));
    EXPECT_EQ("Huge!", floatText(-std::numeric_limits<float>::infinity()));
    // Integer parts that fill the field leave no room for fraction digits; the point follows
    // them and the length limit cuts as usual.
    EXPECT_EQ("-9999999.", floatText(-9999999.0f, 10)) << "the lower limit itself is inside";
    EXPECT_EQ("99999992.", floatText(99999992.0f, 10)) << "the largest float inside the upper limit";
    EXPECT_EQ("12345678", floatText(12345678.0f));
    EXPECT_EQ("-1234567.", floatText(-1234567.0f, 12));
    EXPECT_EQ("NaN", floatText(std::numeric_limits<float>::quiet_NaN()));
}

TEST(ValueText, FloatIsCutToTheLengthLimit)
{
    EXPECT_EQ("1.50", floatText(1.5f, 4));
    EXPECT_EQ("-2.5", floatText(-2.5f, 4));
    EXPECT_EQ("12", floatText(1234567.0f, 2));
    EXPECT_EQ("", floatText(1.5f, 0));
    EXPECT_EQ("Hu", floatText(1.0e9f, 2));
    EXPECT_EQ("1.500000", floatText(1.5f, 20));
}

TEST(ValueText, IntExamples)
{
    EXPECT_EQ("", intText(0));
    EXPECT_EQ("7", intText(7));
    EXPECT_EQ("100", intText(100));
    EXPECT_EQ("-42", intText(-42));
    EXPECT_EQ("99999999", intText(99999999));
    EXPECT_EQ("Huge!", intText(100000000));
    EXPECT_EQ("-123456789", intText(-123456789));
    EXPECT_EQ("-999999999", intText(-999999999));
    EXPECT_EQ("12", intText(12345, 2));
    EXPECT_EQ("-1", intText(-12345, 2));
}

TEST(ValueText, IntBeyondNineDigitsIsHuge)
{
    EXPECT_EQ("Huge!", intText(-1000000000));
    EXPECT_EQ("Huge!", intText(std::numeric_limits<int>::min()));
    EXPECT_EQ("Huge!", intText(std::numeric_limits<int>::max()));
}

TEST(ValueText, CopyClearsTheRestAndAppendStaysWithinTheLimit)
{
    char text[9];
    std::memset(text, 'z', sizeof(text));
    ValueText::copyText(text, "ab", 8);
    for (int i = 2; i <= 8; ++i)
        EXPECT_EQ('\0', text[i]) << i;

    ValueText::appendText(text, "cdefghijkl", 8);
    EXPECT_STREQ("abcdefgh", text);

    char untouched = 'u';
    ValueText::copyText(&untouched, "x", -1);
    ValueText::appendText(&untouched, "x", -1);
    EXPECT_EQ('u', untouched);
}

// The effect's helpers, reaching float2string and getSampleRate through their slots.
class TextEffect : public MinimalEffect
{
public:
    using MinimalEffect::MinimalEffect;

    std::string text(void (AudioEffect::*helper)(float, char*, int), float value, int maxLength = 8)
    {
        TextBuffer buffer;
        (this->*helper)(value, buffer.text(), maxLength);
        EXPECT_EQ('\0', buffer.bytes[maxLength]);
        EXPECT_TRUE(buffer.untouchedFrom(static_cast<std::size_t>(maxLength) + 1));
        return buffer.str();
    }
};

TEST(ValueText, DecibelExamples)
{
    TextEffect effect;
    EXPECT_EQ("0.000000", effect.text(&AudioEffect::dB2string, 1.0f));
    EXPECT_EQ("-6.02059", effect.text(&AudioEffect::dB2string, 0.5f));
    EXPECT_EQ("20.00000", effect.text(&AudioEffect::dB2string, 10.0f));
    EXPECT_EQ("-oo", effect.text(&AudioEffect::dB2string, 0.0f));
    EXPECT_EQ("-oo", effect.text(&AudioEffect::dB2string, -1.0f));
    EXPECT_EQ("-o", effect.text(&AudioEffect::dB2string, 0.0f, 2));
}

TEST(ValueText, FrequencyAndTimeFromSamples)
{
    TextEffect effect;
    effect.setSampleRate(44100.0f);
    EXPECT_EQ("441.0000", effect.text(&AudioEffect::Hz2string, 100.0f));
    EXPECT_EQ("0.000000", effect.text(&AudioEffect::Hz2string, 0.0f));
    EXPECT_EQ("10.00000", effect.text(&AudioEffect::ms2string, 441.0f));
    EXPECT_EQ("1000.000", effect.text(&AudioEffect::ms2string, 44100.0f));

    effect.setSampleRate(0.0f);
    EXPECT_EQ("Huge!", effect.text(&AudioEffect::ms2string, 441.0f));
    EXPECT_EQ("0.000000", effect.text(&AudioEffect::Hz2string, 441.0f));
}

TEST(ValueText, IntHelperOfTheEffect)
{
    MinimalEffect effect;
    char text[9];
    effect.int2string(-42, text, 8);
    EXPECT_STREQ("-42", text);
}

// Overriding float2string or getSampleRate changes what the other helpers write.
class SignOnlyEffect : public TextEffect
{
public:
    void float2string(float value, char* text, int maxLength) override
    {
        ValueText::copyText(text, value > 0.0f ? "pos" : "nonpos", maxLength);
    }
};

class FixedRateEffect : public TextEffect
{
public:
    float getSampleRate() override { return 1000.0f; }
};

TEST(ValueText, HelpersGoThroughTheVirtualSlots)
{
    SignOnlyEffect signOnly;
    EXPECT_EQ("pos", signOnly.text(&AudioEffect::dB2string, 2.0f));
    EXPECT_EQ("nonpos", signOnly.text(&AudioEffect::dB2string, 0.5f));
    EXPECT_EQ("-oo", signOnly.text(&AudioEffect::dB2string, 0.0f));
    EXPECT_EQ("pos", signOnly.text(&AudioEffect::Hz2string, 10.0f));
    EXPECT_EQ("nonpos", signOnly.text(&AudioEffect::ms2string, 0.0f));

    FixedRateEffect fixedRate;
    EXPECT_EQ("100.0000", fixedRate.text(&AudioEffect::Hz2string, 10.0f));
    EXPECT_EQ("10.00000", fixedRate.text(&AudioEffect::ms2string, 10.0f));
}
} // namespace
