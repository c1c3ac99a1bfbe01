#pragma once

#include "Engine.h"
#include "ManualClock.h"
#include "MessageQueue.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>


// A processor made and driven the way the plug-in's wrapper drives it.
class ProcessorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ManualClock::now = 100000;
        processor.reset (static_cast<MyAudioProcessor*> (createPluginFilterOfType (juce::AudioProcessor::wrapperType_VST)));
        processor->setMillisecondClock (&ManualClock::read);
    }

    void prepare (double sampleRate, int inputs = 2, int outputs = 2)
    {
        const juce::ScopedLock lock (processor->getCallbackLock());
        processor->setPlayConfig (inputs, outputs, sampleRate, 512);
        processor->prepareToPlay (sampleRate, 512);
    }

    void process (juce::AudioBuffer<float>& buffer)
    {
        juce::MidiBuffer midi;
        const juce::ScopedLock lock (processor->getCallbackLock());
        processor->processBlock (buffer, midi);
    }

    // Runs a stereo signal through in blocks of the given size and returns both outputs.
    std::vector<std::vector<float>> render (const std::vector<float>& left, const std::vector<float>& right, int blockSize)
    {
        std::vector<std::vector<float>> out { left, right };
        const auto total = static_cast<int> (left.size());
        for (int start = 0; start < total; start += blockSize)
        {
            const auto count = juce::jmin (blockSize, total - start);
            float* channels[] = { out[0].data() + start, out[1].data() + start };
            juce::AudioBuffer<float> buffer (channels, 2, count);
            process (buffer);
        }
        return out;
    }

    const Engine& engine() const { return processor->getEngine(); }

    std::unique_ptr<MyAudioProcessor> processor;
};

