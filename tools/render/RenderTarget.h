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

    // Sets the rate and the block size and leaves the plug-in suspended, with its programs made for
    // the rate.
    virtual void configure (double sampleRate, int maximumBlockSize) = 0;
    // Starts playing from silent memories, with everything set while suspended in place.
    virtual void resume() = 0;
    // Stereo in place; numSamples never exceeds the block size given to configure.
    virtual void process (float* left, float* right, int numSamples) = 0;
};
