#pragma once

#include <juce_core/juce_core.h>

// What the render tool needs of a plug-in, whichever way it is reached: the processor made directly,
// or the built VST plug-in loaded through its entry.
class RenderTarget
{
public:
    virtual ~RenderTarget() = default;

    virtual int getNumPrograms() = 0;
    virtual juce::String getProgramName (int program) = 0;
    virtual int getCurrentProgram() = 0;
    virtual void setCurrentProgram (int program) = 0;

    virtual int getNumParameters() = 0;
    virtual juce::String getParameterName (int index) = 0;
    virtual float getParameter (int index) = 0;
    virtual void setParameter (int index, float value) = 0;

    virtual void prepare (double sampleRate, int maximumBlockSize) = 0;
    // Stereo in place; numSamples never exceeds the block size given to prepare.
    virtual void process (float* left, float* right, int numSamples) = 0;
};
