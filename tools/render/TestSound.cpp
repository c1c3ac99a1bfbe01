#include "TestSound.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double lengthSeconds = 3.0;
constexpr double hitTimes[] = { 0.0, 0.25, 0.5, 0.875 };
constexpr double hitDecaySeconds = 0.03;
constexpr double chordHz[] = { 220.0, 277.18, 329.63, 440.0 }; // A major
constexpr double chordLevel = 0.12;
// Raised-cosine fades at both ends of the chord: a tone that starts or stops dead clicks across the
// whole spectrum.
constexpr double chordFadeSeconds = 0.005;

double chordEnvelope (double t)
{
    const auto fromEdge = std::min (t - testSoundChordStart, testSoundChordEnd - t) / chordFadeSeconds;
    return fromEdge >= 1.0 ? 1.0 : 0.5 * (1.0 - std::cos (juce::MathConstants<double>::pi * fromEdge));
}
} // namespace

juce::AudioBuffer<float> makeTestSound (double sampleRate)
{
    const auto length = static_cast<int> (lengthSeconds * sampleRate);
    juce::AudioBuffer<float> sound (2, length);
    sound.clear();
    juce::Random noise (2026);

    for (int i = 0; i < length; ++i)
    {
        const auto t = i / sampleRate;
        double left = 0.0, right = 0.0;

        for (size_t h = 0; h < std::size (hitTimes); ++h)
            if (t >= hitTimes[h])
            {
                // A noise burst with a fast decay, alternating sides a little.
                const auto burst = (noise.nextDouble() * 2.0 - 1.0) * std::exp (-(t - hitTimes[h]) / hitDecaySeconds) * 0.7;
                const auto pan = h % 2 == 0 ? 0.35 : 0.65;
                left += burst * (1.0 - pan);
                right += burst * pan;
            }

        if (t >= testSoundChordStart && t < testSoundChordEnd)
        {
            const auto envelope = chordEnvelope (t) * chordLevel;
            for (size_t n = 0; n < std::size (chordHz); ++n)
            {
                const auto tone = envelope * std::sin (juce::MathConstants<double>::twoPi * chordHz[n] * t);
                left += n % 2 == 0 ? tone : 0.6 * tone;
                right += n % 2 == 0 ? 0.6 * tone : tone;
            }
        }

        sound.setSample (0, i, static_cast<float> (left));
        sound.setSample (1, i, static_cast<float> (right));
    }

    return sound;
}
