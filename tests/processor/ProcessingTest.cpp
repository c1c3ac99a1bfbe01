#include "ProcessorFixture.h"

#include <cmath>
#include <cstdint>
#include <cstring>
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

// FNV-1a over the bits of every sample: equal digests mean equal renders, to the last bit.
std::uint64_t addToDigest (std::uint64_t digest, const std::vector<std::vector<float>>& channels)
{
    constexpr std::uint64_t prime = 0x100000001b3;
    for (const auto& channel : channels)
        for (const auto sample : channel)
        {
            std::uint32_t bits;
            std::memcpy (&bits, &sample, sizeof bits);
            for (int byte = 0; byte < 4; ++byte)
                digest = (digest ^ ((bits >> (8 * byte)) & 0xff)) * prime;
        }
    return digest;
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


// Three seconds of every program at three rates, each with two change fades: one while the reverb
// rings, one during the fade-in that follows. The fades start at a different point for each program,
// so that the memories are silenced at many write positions. The digests were recorded from renders
// known to be right; any change to the per-sample path changes them.
TEST_F (ProcessingTest, EveryProgramRendersAsRecorded)
{
    struct RateDigests
    {
        double sampleRate;
        std::uint64_t digests[24];
    };
    const RateDigests recorded[] = {
        { 44100.0,
          {
            0x1cf2dfbd95621370, 0x824c8b789bbc1012, 0x28431a6c406d7dd7, 0x13f77bac4b7da159,
            0xc79fba331e4b143a, 0xe0f57c9533b7bae2, 0x5d439a7587639d99, 0x4a631a2c143ac9ee,
            0x14447409eb647bfa, 0x163057b4bfc6c749, 0xef80774dde4dad67, 0x7acd984466892815,
            0x3450cba0cba796c8, 0xd45a7229b4c45a3a, 0x4a670da564f1d773, 0x9b8ca270cd45c1f9,
            0xd7ba26f9fe2f7462, 0x7c91b65a6ff54b19, 0xaf027c144f234a0d, 0xff275eada1859e06,
            0x278c356ba3cc560f, 0x5e21c301628e1d0b, 0x8daee48e1a2e5ca7, 0x8b37ddf07b8660d9
          } },
        { 48000.0,
          {
            0xb08c6fe86314ab5d, 0x5014b53e6e98abc, 0x380cb8aacbca9702, 0x315a30c737be5708,
            0x9b5d9ccc6625532, 0xb294564e498dcb45, 0x60ce0e4d2cbcda69, 0xa96abbad937ec7a9,
            0xcee995e4c5733ee6, 0x4778890b5ea498cb, 0x7a5b506f4bebd784, 0xa2e2ec892223ba4a,
            0xb79f5b249d627b25, 0x17335c4f320b4291, 0x77c80ad6ce4eadc1, 0x68a2790ac6b87594,
            0xadbe5d84ec69270d, 0xd8d77594f9c1bf0b, 0xc037bd406259e631, 0x7d46d9e7b542b680,
            0x23ed06c37898d4fb, 0x359c9d2f06c21994, 0xc0541a58523a58d, 0x2684b3620841d816
          } },
        { 32000.0,
          {
            0x53ecb77ef86726c4, 0xd1eba961239c1d5b, 0x4621582dbfba8f25, 0x3b861461139cbabb,
            0x4e7449ee90e3d39f, 0x1aee21a9b699cc17, 0x37d631ccbbdb7137, 0xad054ba46372e8c9,
            0x79e467e9cb45689e, 0x2b33707fce5dcb54, 0x354da9e866ed5237, 0x38e0a0ca5eb46f30,
            0x2824c700d5dbd5bb, 0xdbfa3ba560d0009c, 0xc48b472e2bfb168a, 0xbb37dd006eb1f0a1,
            0xe6940b2c9d078f1e, 0x858858f7c309222a, 0xcd6162e29560c399, 0x733f7121cf2e456e,
            0x902cc63ff036e808, 0xa5ef84c20bcf3dcb, 0xdc2cf6d0ed0bfe40, 0xab56c50eb0dfdb9d
          } },
    };

    for (const auto& [rate, digests] : recorded)
    {
        const auto length = static_cast<size_t> (3.0 * rate);
        const auto left = testSignal (length, 0.011), right = testSignal (length, 0.017);
        const auto samplesAt = [rate] (double seconds) { return static_cast<size_t> (seconds * rate); };

        for (int program = 0; program < processor->getNumPrograms(); ++program)
        {
            prepare (rate);
            processor->setCurrentProgram (program);
            prepare (rate);

            const size_t firstChange = samplesAt (0.6 + 0.0073 * program);
            const size_t secondChange = firstChange + samplesAt (0.04);
            const auto piece = [&] (size_t from, size_t to) {
                return render ({ left.begin() + static_cast<long> (from), left.begin() + static_cast<long> (to) },
                               { right.begin() + static_cast<long> (from), right.begin() + static_cast<long> (to) }, 512);
            };

            auto digest = addToDigest (0xcbf29ce484222325, piece (0, firstChange));
            processor->setParameter (decayParameter, std::fmod (processor->getParameter (decayParameter) + 0.5f, 1.0f));
            digest = addToDigest (digest, piece (firstChange, secondChange));
            processor->setParameter (predelayParameter, std::fmod (processor->getParameter (predelayParameter) + 0.5f, 1.0f));
            digest = addToDigest (digest, piece (secondChange, length));

            EXPECT_EQ (digest, digests[program]) << "program " << program << " at " << rate << " Hz: 0x" << std::hex << digest;
        }
    }
}
