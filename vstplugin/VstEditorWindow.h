#pragma once

#include "AudioEffectX.h"
#include "EffectEditor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

// The plug-in's editor inside the host's window: a component that holds the processor's editor and
// embeds itself in the host's X11 window. Lives and works on JUCE's message thread only, which is the
// host's GUI thread while it exists.
class VstEditorWindow : public juce::Component,
                        private juce::Timer
{
public:
    VstEditorWindow (std::unique_ptr<juce::AudioProcessorEditor> editorToShow, AudioEffectX& effectToNotify);
    ~VstEditorWindow() override;

    // The window's bounds as the host reads them.
    EditorRect getEditorRect() const noexcept;

    // Makes this the content of the host's window, given as its X11 window id.
    void attachTo (void* hostWindow);

    void childBoundsChanged (juce::Component* child) override;
    void paint (juce::Graphics&) override {}

private:
    void timerCallback() override;

    AudioEffectX& effect;
    std::unique_ptr<juce::AudioProcessorEditor> editor;

    JUCE_DECLARE_NON_COPYABLE (VstEditorWindow)
};
