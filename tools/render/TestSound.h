#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// A short stereo phrase that shows a reverb off: four percussive hits, then a sustained chord that
// stops dead, so both the early reflections and the tail are heard.
juce::AudioBuffer<float> makeTestSound (double sampleRate);
