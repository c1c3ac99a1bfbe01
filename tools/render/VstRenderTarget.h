#pragma once

#include "RenderTarget.h"
#include "VstHost.h"

#include <memory>

// The built VST plug-in, loaded through its entry and driven through its effect record.
class VstRenderTarget : public RenderTarget
{
public:
    explicit VstRenderTarget (std::unique_ptr<VstHostedEffect> loadedEffect);

    int getNumPrograms() override;
    juce::String getProgramName (int program) override;
    int getCurrentProgram() override;
    void setCurrentProgram (int program) override;

    int getNumParameters() override;
    juce::String getParameterName (int index) override;
    float getParameter (int index) override;
    void setParameter (int index, float value) override;

    void configure (double sampleRate, int maximumBlockSize) override;
    void resume() override;
    void process (float* left, float* right, int numSamples) override;

    VstHostedEffect& getEffect() noexcept { return *effect; }

private:
    std::unique_ptr<VstHostedEffect> effect;
};
