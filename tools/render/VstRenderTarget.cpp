#include "VstRenderTarget.h"

VstRenderTarget::VstRenderTarget (std::unique_ptr<VstHostedEffect> loadedEffect)
    : effect (std::move (loadedEffect))
{
    effect->dispatch (EffectOpcode::open);
}

int VstRenderTarget::getNumPrograms() { return effect->record().numPrograms; }

juce::String VstRenderTarget::getProgramName (int program)
{
    return juce::String::fromUTF8 (effect->getText (EffectOpcode::getProgramNameIndexed, program).c_str());
}

int VstRenderTarget::getCurrentProgram() { return static_cast<int> (effect->dispatch (EffectOpcode::getProgram)); }
void VstRenderTarget::setCurrentProgram (int program) { effect->dispatch (EffectOpcode::setProgram, 0, program); }

int VstRenderTarget::getNumParameters() { return effect->record().numParameters; }

juce::String VstRenderTarget::getParameterName (int index)
{
    return juce::String::fromUTF8 (effect->getText (EffectOpcode::getParameterName, index).c_str());
}

float VstRenderTarget::getParameter (int index) { return effect->getParameter (index); }
void VstRenderTarget::setParameter (int index, float value) { effect->setParameter (index, value); }

// The plug-in makes its programs for the rate when it resumes, so it is resumed once and suspended
// again: the program chosen next then has the values it has at this rate.
void VstRenderTarget::configure (double sampleRate, int maximumBlockSize)
{
    effect->dispatch (EffectOpcode::suspendOrResume, 0, 0);
    effect->dispatch (EffectOpcode::setSampleRate, 0, 0, nullptr, static_cast<float> (sampleRate));
    effect->dispatch (EffectOpcode::setBlockSize, 0, maximumBlockSize);
    effect->dispatch (EffectOpcode::suspendOrResume, 0, 1);
    effect->dispatch (EffectOpcode::suspendOrResume, 0, 0);
}

void VstRenderTarget::resume() { effect->dispatch (EffectOpcode::suspendOrResume, 0, 1); }

void VstRenderTarget::process (float* left, float* right, int numSamples)
{
    float* channels[] = { left, right };
    effect->processReplacing (channels, channels, numSamples);
}
