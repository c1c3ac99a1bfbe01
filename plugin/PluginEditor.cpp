#include "PluginEditor.h"

#include "DecimalText.h"
#include "HalvornArtwork.h"
#include "ParameterMapping.h"
#include "PluginProcessor.h"

#include <cmath>

namespace
{
constexpr int knobFrameCount = 21;
constexpr int buttonFrameCount = 2;
constexpr int levelSliderLength = 82;
constexpr int displayColumnCount = 4;

constexpr short firstSelection = 1;
constexpr short lastSelection = 4;
constexpr short volumeDisplay = 5;

// Before the host sets a rate the processor reports 0, and its engine runs at this one.
constexpr double engineStartRate = 44100.0;

const char* const columnTitles[displayColumnCount] = { "Mix", "Predly", "Decay", "LP Cut" };

bool isSelection (short selection) noexcept
{
    return selection >= firstSelection && selection <= lastSelection;
}

int selectedIndex (short selection) noexcept
{
    return isSelection (selection) ? selection - 1 : mixParameter;
}

// Whole milliseconds or hertz: add a half and drop the fraction. Results below 0 only come from
// parameter values below 0.
juce::String wholeNumberText (double x)
{
    return formatDecimal (std::trunc (x + 0.5), 0);
}

juce::String decibelText (double db)
{
    // A gain a hair under 0 dB, like the factory programs' volume of 5/6, reads "0.0", not "-0.0".
    if (db < 0.0 && db > -0.1)
        db = 0.0;

    return formatDecimal (db, 1);
}

// The LCD labels draw as juce::LookAndFeel_V2 draws them: black text, no background, no outline.
std::unique_ptr<juce::Label> makeDisplayLabel (const juce::String& name, const juce::String& text,
                                              juce::Rectangle<int> bounds, const juce::Font& font)
{
    auto label = std::make_unique<juce::Label> (name, text);
    label->setBounds (bounds);
    label->setJustificationType (juce::Justification::centredRight);
    label->setFont (font);
    label->setColour (juce::Label::textColourId, juce::Colours::black);
    label->setColour (juce::Label::backgroundColourId, juce::Colours::transparentBlack);
    label->setColour (juce::Label::outlineColourId, juce::Colours::transparentBlack);
    return label;
}
} // namespace

MyAudioProcessorEditor::MyAudioProcessorEditor (MyAudioProcessor* ownerProcessor)
    : juce::AudioProcessorEditor (ownerProcessor)
{
    const auto addVisible = [this] (juce::Component& child)
    {
        child.setVisible (true);
        addChildComponent (child, -1);
    };

    backgroundImage = juce::ImageCache::getFromMemory (resource_resources_bmp00128_png, resource_resources_bmp00128_png_size);
    setSize (backgroundImage.getWidth(), backgroundImage.getHeight());

    knobImage = juce::ImageCache::getFromMemory (resource_resources_bmp00129_png, resource_resources_bmp00129_png_size);
    valueKnob = std::make_unique<FilmStripKnob> (knobImage, knobFrameCount, false);
    valueKnob->setBounds (12, 14, knobImage.getWidth(), knobImage.getHeight() / knobFrameCount);
    knobRefresh = std::make_unique<SliderRefresh> (*valueKnob);
    addVisible (*valueKnob);

    leftButtonImage = juce::ImageCache::getFromMemory (resource_resources_bmp00130_png, resource_resources_bmp00130_png_size);
    leftButton = std::make_unique<ImgButton> ("Left", leftButtonImage);
    leftButton->setBounds (91, 80, leftButtonImage.getWidth(), leftButtonImage.getHeight() / buttonFrameCount);
    leftButton->setUseToggleState (false);
    addVisible (*leftButton);

    rightButtonImage = juce::ImageCache::getFromMemory (resource_resources_bmp00131_png, resource_resources_bmp00131_png_size);
    rightButton = std::make_unique<ImgButton> ("Right", rightButtonImage);
    rightButton->setBounds (111, 80, rightButtonImage.getWidth(), rightButtonImage.getHeight() / buttonFrameCount);
    rightButton->setUseToggleState (false);
    addVisible (*rightButton);

    thumbImage = juce::ImageCache::getFromMemory (resource_resources_bmp00132_png, resource_resources_bmp00132_png_size);
    levelSlider = std::make_unique<ImageSlider> (thumbImage, levelSliderLength);
    levelSlider->setBounds (382, 16, thumbImage.getWidth(), levelSliderLength);
    levelRefresh = std::make_unique<SliderRefresh> (*levelSlider);
    addVisible (*levelSlider);

    levelMeter = std::make_unique<VuMeter>();
    levelMeter->setBounds (316, 36, 6, 23);
    addVisible (*levelMeter);

    const juce::Font selectedFont (13.0f, juce::Font::bold);
    const juce::Font columnFont (13.0f, juce::Font::plain);
    const juce::Font volumeFont (12.0f, juce::Font::plain);

    const auto addLabel = [&addVisible] (std::unique_ptr<juce::Label>& label, const char* name, const char* text,
                                         juce::Rectangle<int> bounds, const juce::Font& font)
    {
        label = makeDisplayLabel (name, text, bounds, font);
        addVisible (*label);
    };

    addLabel (Display1Txt, "Display1Txt", columnTitles[0], { 142, 34, 41, 13 }, selectedFont);
    addLabel (Display1Val, "Display1Val", "0.0", { 142, 47, 41, 13 }, selectedFont);
    addLabel (Display2Txt, "Display2Txt", columnTitles[1], { 185, 34, 41, 13 }, columnFont);
    addLabel (Display2Val, "Display2Val", "0.0", { 185, 47, 41, 13 }, columnFont);
    addLabel (Display3Txt, "Display3Txt", columnTitles[2], { 228, 34, 41, 13 }, columnFont);
    addLabel (Display3Val, "Display3Val", "0.0", { 228, 47, 41, 13 }, columnFont);
    addLabel (Display4Txt, "Display4Txt", columnTitles[3], { 271, 34, 41, 13 }, columnFont);
    addLabel (Display4Val, "Display4Val", "0.0", { 271, 47, 41, 13 }, columnFont);
    addLabel (Display5Val, "Display5Val", "0.0", { 286, 59, 41, 13 }, volumeFont);

    // Opening the window must not touch the processor or the host.
    levelSlider->setValue (static_cast<double> (getParameterValue (volumeParameter)), juce::dontSendNotification);
    updateAllDisplays (selectedParameter);

    valueKnob->addListener (this);
    rightButton->addListener (this);
    leftButton->addListener (this);
    levelSlider->addListener (this);
    getProcessor().addProgramChangeListener (this);
}

MyAudioProcessorEditor::~MyAudioProcessorEditor()
{
    getProcessor().removeProgramChangeListener (this);

    valueKnob->removeListener (this);
    rightButton->removeListener (this);
    leftButton->removeListener (this);
    levelSlider->removeListener (this);
}

void MyAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::white);

    if (backgroundImage.isValid())
    {
        const auto width = backgroundImage.getWidth();
        const auto height = backgroundImage.getHeight();
        g.drawImage (backgroundImage, 0, 0, width, height, 0, 0, width, height);
    }
}

void MyAudioProcessorEditor::updateAllDisplays (short selection)
{
    const auto selected = selectedIndex (selection);
    knobRefresh->moveTo (static_cast<double> (getParameterValue (selected)));

    juce::Label* const titleLabels[displayColumnCount] = { Display1Txt.get(), Display2Txt.get(), Display3Txt.get(), Display4Txt.get() };
    juce::Label* const valueLabels[displayColumnCount] = { Display1Val.get(), Display2Val.get(), Display3Val.get(), Display4Val.get() };

    for (int column = 0; column < displayColumnCount; ++column)
    {
        const auto shown = (selected + column) % displayColumnCount;
        titleLabels[column]->setText (columnTitles[shown], juce::dontSendNotification);
        valueLabels[column]->setText (getValueText (shown), juce::dontSendNotification);
    }

    Display5Val->setText (getValueText (volumeParameter), juce::dontSendNotification);

    if (selected != mixParameter)
        return;

    levelRefresh->moveTo (static_cast<double> (getParameterValue (volumeParameter)));
    levelMeter->setLevel (static_cast<float> (levelSlider->getValue()));
    levelMeter->repaint();
}

void MyAudioProcessorEditor::updateSelectedDisplay (short which)
{
    if (which == volumeDisplay)
        Display5Val->setText (getValueText (volumeParameter), juce::dontSendNotification);
    else
        Display1Val->setText (getValueText (selectedIndex (which)), juce::dontSendNotification);
}

void MyAudioProcessorEditor::sliderValueChanged (juce::Slider* slider)
{
    // The refreshes' moves show what the processor already holds; written back, they would reach the
    // host snapped to the slider's grid, as if the user had made them.
    auto& refresh = slider == valueKnob.get() ? *knobRefresh : *levelRefresh;
    if (refresh.isOwnNotification())
        return;

    // A window that the host has closed is disabled until it can be deleted; what was still on its
    // way, a drag or a posted notification, goes nowhere.
    if (! slider->isEnabled())
        return;

    // A drag, the wheel and a double-click all come with the mouse held on the slider or over it;
    // a move without either is not taken for the user's edit.
    if (! slider->isMouseButtonDown() && ! slider->isMouseOver())
        return;

    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")

    if (slider == levelSlider.get())
    {
        getProcessor().setParameterNotifyingHost (volumeParameter, static_cast<float> (levelSlider->getValue()));
        updateSelectedDisplay (volumeDisplay);
        levelMeter->setLevel (static_cast<float> (levelSlider->getValue()));
        levelMeter->repaint();
    }

    if (slider == valueKnob.get())
    {
        getProcessor().setParameterNotifyingHost (selectedParameter - 1, static_cast<float> (valueKnob->getValue()));
        updateSelectedDisplay (selectedParameter);
    }

    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

void MyAudioProcessorEditor::buttonClicked (juce::Button* button)
{
    if (button == rightButton.get())
    {
        auto next = static_cast<short> (selectedParameter + 1);

        if (next > lastSelection)
            next = firstSelection;

        selectedParameter = next;
        updateAllDisplays (selectedParameter);
    }

    if (button == leftButton.get())
    {
        auto previous = static_cast<short> (selectedParameter - 1);

        if (previous < firstSelection)
            previous = lastSelection;

        selectedParameter = previous;
        updateAllDisplays (selectedParameter);
    }
}

void MyAudioProcessorEditor::changeListenerCallback (juce::ChangeBroadcaster*)
{
    // A program change: start again from "Mix" and show the new values.
    selectedParameter = firstSelection;
    updateAllDisplays (selectedParameter);
}

MyAudioProcessor& MyAudioProcessorEditor::getProcessor() const noexcept
{
    // The only constructor takes a MyAudioProcessor.
    return static_cast<MyAudioProcessor&> (processor);
}

float MyAudioProcessorEditor::getParameterValue (int index) const
{
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    return getProcessor().getParameter (index);
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

juce::String MyAudioProcessorEditor::getValueText (int parameterIndex) const
{
    const auto value = getParameterValue (parameterIndex);
    const auto sampleRate = parameterIndex == fcutParameter ? getProcessor().getPlayConfigSampleRate() : 0.0;
    return getDisplayText (parameterIndex, value, sampleRate);
}

juce::String getDisplayText (int parameterIndex, float value, double sampleRate)
{
    const auto v = static_cast<double> (value);

    switch (parameterIndex)
    {
        case predelayParameter:
            return wholeNumberText (predelayMs (v));
        case decayParameter:
            return wholeNumberText (decayTimeMs (v));
        case fcutParameter:
            return wholeNumberText (cutoffHz (v, sampleRate > 0.0 ? sampleRate : engineStartRate));
        case volumeParameter:
            return decibelText (outputGainDb (v));
        default:
            return formatDecimal (v, 2);
    }
}
