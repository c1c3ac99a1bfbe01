#include "ProcessorRenderTarget.h"

#include "PluginProcessor.h"

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

ProcessorRenderTarget::ProcessorRenderTarget()
    : processor (createPluginFilterOfType (juce::AudioProcessor::wrapperType_Undefined))
{
}

int ProcessorRenderTarget::getNumPrograms() { return processor->getNumPrograms(); }
juce::String ProcessorRenderTarget::getProgramName (int program) { return processor->getProgramName (program); }
int ProcessorRenderTarget::getCurrentProgram() { return processor->getCurrentProgram(); }
void ProcessorRenderTarget::setCurrentProgram (int program) { processor->setCurrentProgram (program); }

int ProcessorRenderTarget::getNumParameters() { return processor->getNumParameters(); }
juce::String ProcessorRenderTarget::getParameterName (int index) { return processor->getParameterName (index); }
float ProcessorRenderTarget::getParameter (int index) { return processor->getParameter (index); }
void ProcessorRenderTarget::setParameter (int index, float value) { processor->setParameter (index, value); }

void ProcessorRenderTarget::prepare (double sampleRate, int maximumBlockSize)
{
    const juce::ScopedLock lock (processor->getCallbackLock());
    processor->setPlayConfigDetails (2, 2, sampleRate, maximumBlockSize);
    processor->prepareToPlay (sampleRate, maximumBlockSize);
}

void ProcessorRenderTarget::process (float* left, float* right, int numSamples)
{
    float* channels[] = { left, right };
    juce::AudioBuffer<float> buffer (channels, 2, numSamples);
    const juce::ScopedLock lock (processor->getCallbackLock());
    processor->processBlock (buffer, noMidi);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE
