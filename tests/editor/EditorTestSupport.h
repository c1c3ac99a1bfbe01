#pragma once

#include "ImageControls.h"
#include "ManualClock.h"
#include "MessageQueue.h"
#include "PluginEditor.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

// What the host would hear: every parameter change the processor reports to its listeners.
struct HostRecorder : juce::AudioProcessorListener
{
    struct Change
    {
        int index;
        float value;
    };

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float value) override { changes.push_back ({ index, value }); }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++gestures; }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override { ++gestures; }

    std::vector<Change> changes;
    int gestures = 0;
};

// A processor as the factory makes it, and its editor as the wrapper opens it.
class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        processor.reset (static_cast<MyAudioProcessor*> (createPluginFilterOfType (juce::AudioProcessor::wrapperType_VST)));
        processor->setMillisecondClock (&ManualClock::read);
        processor->addListener (&host);
    }

    void TearDown() override
    {
        closeEditor();
        dispatchPendingMessages();
        processor->removeListener (&host);
    }

    void openEditor()
    {
        editor.reset (static_cast<MyAudioProcessorEditor*> (processor->createEditor()));
    }

    void closeEditor()
    {
        editor.reset();
    }

    void setRate (double sampleRate)
    {
        processor->setPlayConfig (2, 2, sampleRate, 512);
    }

    // A host's automation: straight to the processor, no broadcast.
    void automate (int index, float value)
    {
        processor->setParameter (index, value);
    }

    template <typename ComponentType>
    ComponentType& child (int position) const
    {
        auto* found = dynamic_cast<ComponentType*> (editor->getChildComponent (position));
        if (found == nullptr)
            throw std::runtime_error ("unexpected child type");
        return *found;
    }

    FilmStripKnob& knob() const { return child<FilmStripKnob> (0); }
    juce::Button& leftButton() const { return child<juce::Button> (1); }
    juce::Button& rightButton() const { return child<juce::Button> (2); }
    ImageSlider& levelSlider() const { return child<ImageSlider> (3); }
    VuMeter& meter() const { return child<VuMeter> (4); }

    juce::Label& label (const juce::String& name) const
    {
        for (auto* c : editor->getChildren())
            if (auto* l = dynamic_cast<juce::Label*> (c); l != nullptr && l->getName() == name)
                return *l;

        throw std::runtime_error ("no label " + name.toStdString());
    }

    juce::String text (const juce::String& labelName) const { return label (labelName).getText(); }

    std::vector<juce::String> titles() const
    {
        return { text ("Display1Txt"), text ("Display2Txt"), text ("Display3Txt"), text ("Display4Txt") };
    }

    std::vector<juce::String> values() const
    {
        return { text ("Display1Val"), text ("Display2Val"), text ("Display3Val"), text ("Display4Val"), text ("Display5Val") };
    }

    // A click as the framework makes it, delivered through the message loop.
    void click (juce::Button& button)
    {
        button.triggerClick();
        dispatchPendingMessages();
    }

    std::unique_ptr<MyAudioProcessor> processor;
    std::unique_ptr<MyAudioProcessorEditor> editor;
    HostRecorder host;
};

// The float grid that the sliders move on, widened to double as the sliders hold it.
inline double snapped (double value)
{
    const auto step = static_cast<double> (0.001f);
    return juce::jlimit (0.0, 1.0, step * std::floor (value / step + 0.5));
}
