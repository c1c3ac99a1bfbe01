#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// A short stereo phrase that shows a reverb off: four percussive hits, then a sustained chord that
// ends within a few milliseconds, so both the early reflections and the tail are heard.
juce::AudioBuffer<float> makeTestSound (double sampleRate);

// Where the chord sounds, in seconds.
constexpr double testSoundChordStart = 1.25;
constexpr double testSoundChordEnd = 2.5;
