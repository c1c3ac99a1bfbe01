#include "RenderSession.h"

void startProgram (RenderTarget& target, double sampleRate, int blockSize, int program, const std::vector<ParameterValue>& values)
{
    target.configure (sampleRate, blockSize);
    target.setCurrentProgram (program);
    for (const auto& [index, value] : values)
        target.setParameter (index, value);
    target.resume();
}

juce::AudioBuffer<float> playThrough (RenderTarget& target, const juce::AudioBuffer<float>& sound, int length, int blockSize)
{
    juce::AudioBuffer<float> audio (2, length);
    audio.clear();
    const auto soundLength = juce::jmin (length, sound.getNumSamples());
    for (int channel = 0; channel < 2; ++channel)
        audio.copyFrom (channel, 0, sound, channel, 0, soundLength);

    for (int start = 0; start < length; start += blockSize)
        target.process (audio.getWritePointer (0, start), audio.getWritePointer (1, start), juce::jmin (blockSize, length - start));

    return audio;
}
