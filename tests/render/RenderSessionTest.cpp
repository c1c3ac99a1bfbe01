#include "ParameterMapping.h"
#include "RenderSession.h"
#include "TestSound.h"
#include "VstRenderTarget.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace
{
constexpr double sampleRate = 44100.0;
constexpr int blockSize = 512;
constexpr int hallProgram = 11;

std::unique_ptr<VstRenderTarget> loadTarget()
{
    std::string error;
    auto effect = VstHostedEffect::load (HALVORN_VST_PLUGIN, error);
    EXPECT_NE (effect, nullptr) << error;
    return effect == nullptr ? nullptr : std::make_unique<VstRenderTarget> (std::move (effect));
}

juce::AudioBuffer<float> renderHall (const juce::AudioBuffer<float>& sound, int length)
{
    const auto target = loadTarget();
    if (target == nullptr)
        return {};
    startProgram (*target, sampleRate, blockSize, hallProgram, { { mixParameter, 0.7f }, { decayParameter, 0.8f } });
    return playThrough (*target, sound, length, blockSize);
}
} // namespace

// A host that opens a project selects the program before it plays: the first sample already sounds as
// the program does, as if the plug-in had been playing silence with it for a while.
TEST (RenderSession, AProgramSoundsFromTheFirstSampleAsAfterASecondOfSilence)
{
    const auto sound = makeTestSound (sampleRate);
    const auto length = sound.getNumSamples() + static_cast<int> (sampleRate);
    const auto silence = static_cast<int> (sampleRate);

    juce::AudioBuffer<float> afterSilence (2, silence + sound.getNumSamples());
    afterSilence.clear();
    for (int channel = 0; channel < 2; ++channel)
        afterSilence.copyFrom (channel, silence, sound, channel, 0, sound.getNumSamples());

    const auto direct = renderHall (sound, length);
    const auto late = renderHall (afterSilence, silence + length);
    ASSERT_EQ (direct.getNumSamples(), length);
    ASSERT_EQ (late.getNumSamples(), silence + length);

    // The anti-denormal offset that the second of silence leaves in the memories is far below this.
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < length; ++i)
            ASSERT_NEAR (direct.getSample (channel, i), late.getSample (channel, silence + i), 1.0e-15) << channel << " at " << i;
}

TEST (RenderSession, TheTestSoundsChordFadesInAndOut)
{
    const auto sound = makeTestSound (sampleRate);
    const auto first = static_cast<int> (std::ceil (testSoundChordStart * sampleRate));
    const auto last = static_cast<int> (std::ceil (testSoundChordEnd * sampleRate)) - 1;

    for (int channel = 0; channel < 2; ++channel)
    {
        EXPECT_LT (std::abs (sound.getSample (channel, first)), 1.0e-3f);
        EXPECT_LT (std::abs (sound.getSample (channel, last)), 1.0e-3f);
        EXPECT_GT (sound.getMagnitude (channel, first, last - first), 0.1f);
    }
}
