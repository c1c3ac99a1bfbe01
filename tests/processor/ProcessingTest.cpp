#include "ProcessorFixture.h"

#include <cmath>
#include <limits>


namespace
{
std::vector<float> impulse (size_t length)
{
    std::vector<float> signal (length, 0.0f);
    signal[0] = 1.0f;
    return signal;
}

// A few hits and a held tone, so that every part of the network carries signal.
std::vector<float> testSignal (size_t length, double phaseStep)
{
    std::vector<float> signal (length);
    for (size_t i = 0; i < length; ++i)
        signal[i] = static_cast<float> (0.3 * std::sin (phaseStep * static_cast<double> (i)) + (i % 3000 == 0 ? 0.9 : 0.0));
    return signal;
}

size_t firstAbove (const std::vector<float>& signal, size_t from, float threshold)
{
    for (size_t i = from; i < signal.size(); ++i)
        if (std::abs (signal[i]) > threshold)
            return i;
    return signal.size();
}
} // namespace

using ProcessingTest = ProcessorTest;

TEST_F (ProcessingTest, ImpulseReachesTheOutputAfterPredelayAndShortestLine)
{
    processor->setParameter (mixParameter, 1.0f);
    processor->setParameter (predelayParameter, 0.0f);
    processor->setParameter (decayParameter, 0.0f);
    processor->setParameter (fcutParameter, 1.0f);
    processor->setParameter (volumeParameter, 5.0f / 6.0f);
    prepare (44100.0);

    const auto out = render (impulse (600), std::vector<float> (600, 0.0f), 512);
    const auto onset = firstAbove (out[0], 0, 1.0e-9f);
    EXPECT_EQ (onset, 449u);
    EXPECT_EQ (firstAbove (out[1], 0, 1.0e-9f), 449u);

    const auto c = engine().getCoefficients();
    const auto p = c.lowpassGain * c.inputDiffuserGains[0] * c.inputDiffuserGains[1] * c.outputDiffuserGains[0]
                 * c.outputDiffuserGains[1] * c.tapWeights[7] * c.wetGain * c.outputGain;
    EXPECT_NEAR (out[0][449], -p, 1.0e-7);
    EXPECT_NEAR (out[1][449], p, 1.0e-7);
    EXPECT_NEAR (p, 0.0010244, 1.0e-7);
}

TEST_F (ProcessingTest, ASplitBlockGivesTheSameOutputAsTheWhole)
{
    processor->setCurrentProgram (11);
    prepare (48000.0);
    const auto left = testSignal (30000, 0.01), right = testSignal (30000, 0.013);
    const auto whole = render (left, right, 30000);

    for (const auto blockSize : { 1, 7, 64, 511, 4096, 13000 })
    {
        prepare (48000.0);
        EXPECT_EQ (render (left, right, blockSize), whole) << blockSize;
    }
}

TEST_F (ProcessingTest, OtherChannelLayoutsPassUntouched)
{
    for (const auto& [inputs, outputs] : { std::pair { 2, 1 }, { 3, 2 }, { 0, 2 } })
    {
        prepare (44100.0, inputs, outputs);
        const auto position = engine().getWriteIndex();
        juce::AudioBuffer<float> buffer (3, 64);
        for (int ch = 0; ch < 3; ++ch)
            for (int i = 0; i < 64; ++i)
                buffer.setSample (ch, i, 0.01f * static_cast<float> (i + ch));
        const juce::AudioBuffer<float> original (buffer);

        process (buffer);

        for (int ch = 0; ch < 3; ++ch)
            for (int i = 0; i < 64; ++i)
                ASSERT_EQ (buffer.getSample (ch, i), original.getSample (ch, i)) << inputs << " in, " << outputs << " out";
        EXPECT_EQ (engine().getWriteIndex(), position);
    }

    prepare (44100.0);
    juce::AudioBuffer<float> empty (2, 0);
    process (empty);
    EXPECT_EQ (engine().getWriteIndex(), 0);
}

TEST_F (ProcessingTest, MonoInputIsACentredSource)
{
    processor->setParameter (mixParameter, 0.0f);
    prepare (44100.0, 1, 2);
    juce::AudioBuffer<float> buffer (2, 4);
    buffer.clear();
    buffer.setSample (0, 0, 0.5f);
    buffer.setSample (1, 0, 123.0f);

    process (buffer);

    EXPECT_EQ (buffer.getSample (0, 0), buffer.getSample (1, 0));
    EXPECT_NEAR (buffer.getSample (0, 0), 0.5f, 1.0e-6f);
}

TEST_F (ProcessingTest, BypassLeavesTheAudioAsItCame)
{
    prepare (44100.0);
    juce::AudioBuffer<float> buffer (2, 8);
    for (int i = 0; i < 8; ++i)
    {
        buffer.setSample (0, i, 0.1f * static_cast<float> (i));
        buffer.setSample (1, i, -0.1f * static_cast<float> (i));
    }
    const juce::AudioBuffer<float> original (buffer);
    juce::MidiBuffer midi;
    processor->processBlockBypassed (buffer, midi);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (buffer.getSample (1, i), original.getSample (1, i));
    EXPECT_EQ (engine().getWriteIndex(), 0);
}

TEST_F (ProcessingTest, DryOnlyKeepsTheChannelsApart)
{
    processor->setParameter (mixParameter, 0.0f);
    processor->setParameter (volumeParameter, 1.0f);
    prepare (44100.0);
    const auto left = testSignal (2000, 0.02);
    const auto out = render (left, std::vector<float> (2000, 0.0f), 256);
    const auto gain = engine().getCoefficients().outputGain;

    for (size_t i = 0; i < left.size(); ++i)
    {
        ASSERT_EQ (out[0][i], static_cast<float> ((static_cast<double> (left[i]) + 1.0e-18) * gain));
        ASSERT_EQ (out[1][i], static_cast<float> (1.0e-18 * gain));
    }
}

TEST_F (ProcessingTest, SilenceStaysNearZeroAndFarFromDenormals)
{
    prepare (44100.0);
    const auto out = render (std::vector<float> (44100, 0.0f), std::vector<float> (44100, 0.0f), 512);
    for (const auto& channel : out)
        for (const auto sample : channel)
            ASSERT_LT (std::abs (sample), 1.0e-17f);
}

TEST_F (ProcessingTest, BadInputSamplesNeverReachTheOutput)
{
    processor->setCurrentProgram (13);
    prepare (44100.0);
    auto left = testSignal (20000, 0.01), right = testSignal (20000, 0.02);
    left[100] = std::numeric_limits<float>::quiet_NaN();
    right[200] = std::numeric_limits<float>::infinity();
    left[300] = -std::numeric_limits<float>::infinity();

    const auto out = render (left, right, 512);
    for (const auto& channel : out)
        for (const auto sample : channel)
            ASSERT_TRUE (std::isfinite (sample));
}

TEST_F (ProcessingTest, LongestDecayStaysBounded)
{
    processor->setParameter (mixParameter, 1.0f);
    processor->setParameter (decayParameter, 1.0f);
    processor->setParameter (fcutParameter, 1.0f);
    processor->setParameter (volumeParameter, 1.0f);
    prepare (44100.0);

    // Ten seconds of full-scale noise: a stable network's output stays within a few times the input.
    juce::Random random (7);
    std::vector<float> left (441000), right (441000);
    for (size_t i = 0; i < left.size(); ++i)
    {
        left[i] = random.nextFloat() * 2.0f - 1.0f;
        right[i] = random.nextFloat() * 2.0f - 1.0f;
    }
    const auto out = render (left, right, 1024);
    float peak = 0.0f;
    for (const auto& channel : out)
        for (const auto sample : channel)
            peak = std::max (peak, std::abs (sample));
    EXPECT_LT (peak, 8.0f);
}

TEST_F (ProcessingTest, ChangeFadeTimings)
{
    processor->setParameter (mixParameter, 1.0f);
    processor->setParameter (predelayParameter, 0.0f);
    prepare (44100.0);
    render (testSignal (10000, 0.05), testSignal (10000, 0.03), 512);
    const auto silence = [this] (size_t length) { render (std::vector<float> (length), std::vector<float> (length), 512); };

    processor->setParameter (predelayParameter, 0.5f);
    silence (440);
    EXPECT_TRUE (engine().getFadeState().fadingOut);
    silence (1);
    EXPECT_FALSE (engine().getFadeState().fadingOut) << "the 441st sample falls below zero";
    EXPECT_TRUE (engine().getFadeState().fadingIn);
    EXPECT_EQ (engine().getFadeState().fadeGain, 0.0);

    silence (3527);
    EXPECT_TRUE (engine().getFadeState().fadingIn);
    silence (1);
    EXPECT_FALSE (engine().getFadeState().fadingIn) << "the fade-in takes 3528 samples";
    EXPECT_EQ (engine().getFadeState().fadeGain, 1.0);
}

TEST_F (ProcessingTest, FadeSilencesTheTailButNotTheDrySignal)
{
    processor->setParameter (mixParameter, 0.5f);
    processor->setParameter (decayParameter, 1.0f);
    prepare (44100.0);
    render (testSignal (44100, 0.05), testSignal (44100, 0.03), 512);

    processor->setParameter (decayParameter, 0.2f);
    const auto out = render (std::vector<float> (441, 0.0f), std::vector<float> (441, 0.0f), 441);
    EXPECT_LT (std::abs (out[0][440]), 1.0e-17f) << "memories are cleared on the silent sample";

    // A dry input during the fade passes at the dry gain.
    processor->setParameter (predelayParameter, 0.9f);
    const auto dry = render (std::vector<float> (10, 0.5f), std::vector<float> (10, 0.5f), 10);
    const auto c = engine().getCoefficients();
    EXPECT_NEAR (dry[0][0], 0.5 * c.dryGain * c.outputGain, 1.0e-6);
}

