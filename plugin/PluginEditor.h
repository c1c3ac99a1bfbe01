#pragma once

#include "ImageControls.h"
#include "SliderRefresh.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class MyAudioProcessor;

// What the LCD shows for a parameter value, without unit: "Mix" with two decimals, pre-delay and decay
// time in whole milliseconds, the cut-off in whole hertz for the given sample rate (0 while the host
// has set none), the volume in decibels with one decimal.
juce::String getDisplayText (int parameterIndex, float value, double sampleRate);

// The plug-in's window: a fixed 430 x 110 picture with one knob for the selected parameter, two
// buttons that choose it, a level slider for "Volume" and an LCD that shows the values in their units.
//
// The LCD follows edits made here, selector clicks and program changes; it has no timer, so host
// automation shows only after the next of those.
class MyAudioProcessorEditor : public juce::AudioProcessorEditor,
                               public juce::Button::Listener,
                               public juce::Slider::Listener,
                               public juce::ChangeListener
{
public:
    explicit MyAudioProcessorEditor (MyAudioProcessor* ownerProcessor);
    ~MyAudioProcessorEditor() override;

    void paint (juce::Graphics&) override;

    // Lays out the four display columns with `selection` (1 "Mix" to 4 "FCut"; anything else counts
    // as 1) in column 1, writes every value text and moves the knob to the selected value. For "Mix"
    // it also moves the level slider and the level bar to the volume.
    void updateAllDisplays (short selection);

    // Rewrites one value text after an edit: 1 to 4 write that parameter's text into column 1, 5 the
    // volume text; anything else writes the "Mix" text into column 1.
    void updateSelectedDisplay (short which);

    void sliderValueChanged (juce::Slider*) override;
    void buttonClicked (juce::Button*) override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override;

private:
    MyAudioProcessor& getProcessor() const noexcept;
    float getParameterValue (int index) const;
    juce::String getValueText (int parameterIndex) const;

    std::unique_ptr<FilmStripKnob> valueKnob;
    std::unique_ptr<SliderRefresh> knobRefresh;
    std::unique_ptr<ImgButton> leftButton;
    std::unique_ptr<ImgButton> rightButton;
    std::unique_ptr<ImageSlider> levelSlider;
    std::unique_ptr<SliderRefresh> levelRefresh;
    std::unique_ptr<VuMeter> levelMeter;
    std::unique_ptr<juce::Label> Display1Txt;
    std::unique_ptr<juce::Label> Display2Txt;
    std::unique_ptr<juce::Label> Display3Txt;
    std::unique_ptr<juce::Label> Display4Txt;
    std::unique_ptr<juce::Label> Display1Val;
    std::unique_ptr<juce::Label> Display2Val;
    std::unique_ptr<juce::Label> Display3Val;
    std::unique_ptr<juce::Label> Display4Val;
    std::unique_ptr<juce::Label> Display5Val;

    juce::Image backgroundImage;
    juce::Image knobImage;
    juce::Image leftButtonImage;
    juce::Image rightButtonImage;
    juce::Image thumbImage;

    // 1 to 4: the knob edits parameter selectedParameter - 1, which display column 1 shows.
    short selectedParameter = 1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyAudioProcessorEditor)
};
