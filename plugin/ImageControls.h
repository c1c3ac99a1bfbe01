#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The editor's controls, drawn from bitmaps instead of the look and feel. Value storage, dragging,
// the mouse wheel, listeners and click detection stay those of juce::Slider and juce::Button.

// A rotary knob that shows one frame of a film strip: frame 0 at the minimum, the last frame only at
// the maximum. A double-click returns it to the middle.
class FilmStripKnob : public juce::Slider
{
public:
    // frameCount frames of equal size, side by side when horizontalStrip is true, else stacked from
    // the top down. An invalid image leaves the slider as juce made it and draws nothing.
    FilmStripKnob (const juce::Image& strip, int numberOfFrames, bool framesSideBySide);

    void mouseDoubleClick (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;

private:
    juce::Image stripImage;
    int frameCount;
    bool horizontalStrip;
    int frameWidth = 0;
    int frameHeight = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FilmStripKnob)
};

// A vertical slider that draws only its thumb; the track is part of the picture behind it. The thumb
// moves relative to the drag instead of jumping to the click. A double-click returns it to 0 dB.
class ImageSlider : public juce::Slider
{
public:
    ImageSlider (const juce::Image& thumb, int sliderLength);

    void mouseDoubleClick (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;

private:
    juce::Image thumbImage;
    int thumbTravel;
    int thumbWidth = 0;
    int thumbHeight = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ImageSlider)
};

// A button drawn from two frames stacked vertically: released on top, pressed below. It has no
// hover look. A click toggles its state, which shows only when useToggleState is on.
class ImgButton : public juce::Button
{
public:
    ImgButton (const juce::String& name, const juce::Image& twoFrames);

    // Off: the pressed frame shows while the mouse holds the button down. On: while it is toggled on.
    void setUseToggleState (bool shouldShowToggleState) noexcept;

protected:
    void paintButton (juce::Graphics&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    juce::Image buttonImage;
    int frameWidth;
    int frameHeight;
    bool useToggleState = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ImgButton)
};

// A segmented LCD bar, 6 x 23 pixels, lit from the bottom up to the fraction `level`. It shows what
// its owner tells it and repaints only when the owner asks.
class VuMeter : public juce::Component
{
public:
    VuMeter() = default;

    void setLevel (float newLevel) noexcept;
    float getLevel() const noexcept;

    void paint (juce::Graphics&) override;

private:
    const int meterWidth = 6;
    const int meterHeight = 23;
    const int segmentHeight = 1;
    const int segmentCount = 12;
    const juce::Colour segmentColour { 0xff3c3c3c };
    const juce::Colour backColour { 0xff84aa00 };
    float level = 0.8333f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VuMeter)
};
