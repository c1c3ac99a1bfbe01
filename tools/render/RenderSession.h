#pragma once

#include "RenderTarget.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

struct ParameterValue
{
    int index;
    float value;
};

// Gets the plug-in ready as a host that opens a project does: the rate and the block size first, then
// the program and the given values, and only then does the plug-in resume. The first sample played
// already sounds as the program does, with no change fade from the values it had before.
void startProgram (RenderTarget& target, double sampleRate, int blockSize, int program, const std::vector<ParameterValue>& values);

// Plays the sound and then silence, up to the given length in all, in blocks of the given size.
juce::AudioBuffer<float> playThrough (RenderTarget& target, const juce::AudioBuffer<float>& sound, int length, int blockSize);
