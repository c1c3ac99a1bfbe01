#pragma once

#include "AudioEffectX.h"
#include "EffectEditor.h"
#include "JuceRuntime.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

// The plug-in's editor inside the host's window: a component that holds the processor's editor and
// embeds itself in the host's X11 window. Made, used and deleted only by the host thread that holds
// JUCE; while it exists, the host's threads deliver JUCE's messages.
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

    // For a window that the host has closed but that cannot be deleted yet: from now on it asks the
    // host for nothing, shows nothing and no longer counts as the processor's editor.
    void detach();

    void childBoundsChanged (juce::Component* child) override;
    void paint (juce::Graphics&) override {}

private:
    void timerCallback() override;

    const HostDeliversMessages deliveredByHost;
    AudioEffectX& effect;
    std::unique_ptr<juce::AudioProcessorEditor> editor;

    JUCE_DECLARE_NON_COPYABLE (VstEditorWindow)
};
