#pragma once

#include "RenderTarget.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

// The processor made through the plug-in's factory and driven as a plug-in wrapper drives it.
class ProcessorRenderTarget : public RenderTarget
{
public:
    ProcessorRenderTarget();

    int getNumPrograms() override;
    juce::String getProgramName (int program) override;
    int getCurrentProgram() override;
    void setCurrentProgram (int program) override;

    int getNumParameters() override;
    juce::String getParameterName (int index) override;
    float getParameter (int index) override;
    void setParameter (int index, float value) override;

    void prepare (double sampleRate, int maximumBlockSize) override;
    void process (float* left, float* right, int numSamples) override;

private:
    std::unique_ptr<juce::AudioProcessor> processor;
    juce::MidiBuffer noMidi;
};
