#include "EditorTestSupport.h"
#include "ParameterMapping.h"

#include <cmath>
#include <limits>

namespace
{
juce::String textFor (int index, float value, double sampleRate = 44100.0)
{
    return getDisplayText (index, value, sampleRate);
}

// The float that the host or a program would hold for a decimal.
float f (double decimal)
{
    return static_cast<float> (decimal);
}
} // namespace

TEST (DisplayText, MixShowsTwoDecimalsRoundingHalvesUp)
{
    EXPECT_EQ (textFor (mixParameter, 0.0f), "0.00");
    EXPECT_EQ (textFor (mixParameter, 0.5f), "0.50");
    EXPECT_EQ (textFor (mixParameter, 1.0f), "1.00");
    EXPECT_EQ (textFor (mixParameter, 0.125f), "0.13"); // an exact tie: up, not to even
    EXPECT_EQ (textFor (mixParameter, 0.375f), "0.38");
    EXPECT_EQ (textFor (mixParameter, f (0.005)), "0.00"); // the float lies just below the tie
    EXPECT_EQ (textFor (mixParameter, 1.5f), "1.50");
    EXPECT_EQ (textFor (mixParameter, -0.001f), "-0.00");
}

TEST (DisplayText, PredelayShowsWholeMilliseconds)
{
    EXPECT_EQ (textFor (predelayParameter, 0.0f), "1");
    EXPECT_EQ (textFor (predelayParameter, 0.5f), "126");
    EXPECT_EQ (textFor (predelayParameter, 1.0f), "250");
    // The factory default's 33 ms, stored as the float nearest 32/249.
    EXPECT_EQ (textFor (predelayParameter, f (32.0 / 249.0)), "33");
}

TEST (DisplayText, NegativeWholeNumbersTruncateTowardZeroAfterAddingAHalf)
{
    EXPECT_EQ (textFor (predelayParameter, -0.01f), "0");
    EXPECT_EQ (textFor (predelayParameter, -0.011f), "-1");
    EXPECT_EQ (textFor (predelayParameter, -1.0f), "-247");
}

TEST (DisplayText, DecayShowsWholeMilliseconds)
{
    EXPECT_EQ (textFor (decayParameter, 0.0f), "300");
    EXPECT_EQ (textFor (decayParameter, 0.5f), "1549");
    EXPECT_EQ (textFor (decayParameter, 1.0f), "8000");
    EXPECT_EQ (textFor (decayParameter, f (std::log (1200.0 / 300.0) / std::log (8000.0 / 300.0))), "1200");
}

TEST (DisplayText, CutoffFollowsTheSampleRatesTopOfRange)
{
    for (const double rate : { 44100.0, 48000.0, 96000.0 })
    {
        SCOPED_TRACE (rate);
        EXPECT_EQ (textFor (fcutParameter, 0.0f, rate), "500");
        EXPECT_EQ (textFor (fcutParameter, 0.5f, rate), "2828");
        EXPECT_EQ (textFor (fcutParameter, 1.0f, rate), "16000");
        EXPECT_EQ (textFor (fcutParameter, f (std::log (10000.0 / 500.0) / std::log (16000.0 / 500.0)), rate), "10000");
    }

    EXPECT_EQ (textFor (fcutParameter, 1.0f, 32000.0), "15000");
    EXPECT_EQ (textFor (fcutParameter, 1.0f, 24000.0), "11000");
    EXPECT_EQ (textFor (fcutParameter, 1.0f, 22050.0), "10000");
    EXPECT_EQ (textFor (fcutParameter, 1.0f, 16000.0), "7000");
    EXPECT_EQ (textFor (fcutParameter, 1.0f, 11025.0), "5000");
    EXPECT_EQ (textFor (fcutParameter, 1.0f, 8000.0), "3000");
    EXPECT_EQ (textFor (fcutParameter, 0.0f, 8000.0), "500");
}

TEST (DisplayText, CutoffWithoutAKnownRateShowsTheFullRange)
{
    EXPECT_EQ (textFor (fcutParameter, 1.0f, 0.0), "16000");
    EXPECT_EQ (textFor (fcutParameter, 0.5f, 0.0), "2828");
    EXPECT_EQ (textFor (fcutParameter, 1.0f, -1.0), "16000");
}

TEST (DisplayText, CutoffBelowThreeKilohertzStaysAtTheLowestCutoff)
{
    for (const double rate : { 2999.0, 1000.0, 1.0 })
    {
        SCOPED_TRACE (rate);
        EXPECT_EQ (textFor (fcutParameter, 0.0f, rate), "500");
        EXPECT_EQ (textFor (fcutParameter, 1.0f, rate), "500");
    }
}

TEST (DisplayText, VolumeShowsDecibelsWithOneDecimalAndNoNegativeZero)
{
    EXPECT_EQ (textFor (volumeParameter, 0.0f), "-15.0");
    EXPECT_EQ (textFor (volumeParameter, 0.5f), "-6.0");
    EXPECT_EQ (textFor (volumeParameter, 1.0f), "3.0");
    EXPECT_EQ (textFor (volumeParameter, f (5.0 / 6.0)), "0.0"); // about -3.6e-7 dB
    EXPECT_EQ (textFor (volumeParameter, f (0.8278)), "0.0");    // -0.0996 dB
    EXPECT_EQ (textFor (volumeParameter, f (0.8277777)), "-0.1"); // -0.1000017 dB
    EXPECT_EQ (textFor (volumeParameter, 0.833f), "0.0");        // the level slider's double-click value
    EXPECT_EQ (textFor (volumeParameter, 2.0f), "21.0");
}

TEST (DisplayText, UnrepresentableResultsShowAsWords)
{
    const auto nan = std::numeric_limits<float>::quiet_NaN();
    const auto infinity = std::numeric_limits<float>::infinity();

    EXPECT_EQ (textFor (mixParameter, nan), "nan");
    EXPECT_EQ (textFor (predelayParameter, nan), "nan");
    EXPECT_EQ (textFor (decayParameter, infinity), "inf");
    EXPECT_EQ (textFor (predelayParameter, -infinity), "-inf");
    EXPECT_EQ (textFor (volumeParameter, infinity), "inf");
    // Beyond 32-bit integers the number is still shown as it is.
    EXPECT_EQ (textFor (predelayParameter, 1.0e8f), "24900000001");
}

TEST (DisplayText, IndicesOutsideTheDisplaysShowTheMixFormat)
{
    EXPECT_EQ (textFor (-1, 0.25f), "0.25");
    EXPECT_EQ (textFor (7, 0.25f), "0.25");
}
