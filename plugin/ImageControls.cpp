#include "ImageControls.h"

namespace
{
// The sliders move on a grid of the float 0.001 (widened to double), the precision the processor
// stores parameters in.
constexpr float valueStep = 0.001f;

constexpr double knobResetValue = 0.5;
constexpr double levelResetValue = 0.8333; // 0 dB output gain, to the nearest step
} // namespace

FilmStripKnob::FilmStripKnob (const juce::Image& strip, int numberOfFrames, bool framesSideBySide)
    : stripImage (strip),
      frameCount (juce::jmax (1, numberOfFrames)),
      horizontalStrip (framesSideBySide)
{
    if (! stripImage.isValid())
        return;

    setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    setSliderStyle (juce::Slider::RotaryVerticalDrag);

    if (horizontalStrip)
    {
        frameWidth = stripImage.getWidth() / frameCount;
        frameHeight = stripImage.getHeight();
    }
    else
    {
        frameHeight = stripImage.getHeight() / frameCount;
        frameWidth = stripImage.getWidth();
    }

    setRange (0.0, 1.0, valueStep);
}

void FilmStripKnob::mouseDoubleClick (const juce::MouseEvent&)
{
    setValue (knobResetValue, juce::sendNotificationAsync);
}

void FilmStripKnob::paint (juce::Graphics& g)
{
    if (! stripImage.isValid())
        return;

    // Truncating puts the last frame at the maximum only, so the strip's end reads as "full".
    const auto frame = static_cast<int> ((frameCount - 1) * valueToProportionOfLength (getValue()));
    const auto sourceX = horizontalStrip ? frame * frameWidth : 0;
    const auto sourceY = horizontalStrip ? 0 : frame * frameHeight;

    g.drawImage (stripImage, 0, 0, getWidth(), getHeight(), sourceX, sourceY, frameWidth, frameHeight);
}

ImageSlider::ImageSlider (const juce::Image& thumb, int sliderLength)
    : thumbImage (thumb),
      thumbTravel (sliderLength - thumb.getHeight())
{
    setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    setSliderStyle (juce::Slider::LinearVertical);
    thumbHeight = thumbImage.getHeight();
    thumbWidth = thumbImage.getWidth();
    setRange (0.0, 1.0, valueStep);
    setSliderSnapsToMousePosition (false);
}

void ImageSlider::mouseDoubleClick (const juce::MouseEvent&)
{
    setValue (levelResetValue, juce::sendNotificationAsync);
}

void ImageSlider::paint (juce::Graphics& g)
{
    const auto thumbTop = static_cast<int> (thumbTravel * (1.0 - valueToProportionOfLength (getValue())));
    g.drawImage (thumbImage, 0, thumbTop, thumbWidth, thumbHeight, 0, 0, thumbWidth, thumbHeight);
}

ImgButton::ImgButton (const juce::String& name, const juce::Image& twoFrames)
    : juce::Button (name),
      buttonImage (twoFrames),
      frameWidth (twoFrames.getWidth()),
      frameHeight (twoFrames.getHeight() / 2)
{
    setClickingTogglesState (true);
}

void ImgButton::setUseToggleState (bool shouldShowToggleState) noexcept
{
    useToggleState = shouldShowToggleState;
}

void ImgButton::paintButton (juce::Graphics& g, bool, bool shouldDrawButtonAsDown)
{
    const auto pressed = useToggleState ? getToggleState() : shouldDrawButtonAsDown;
    g.drawImage (buttonImage, 0, 0, frameWidth, frameHeight, 0, pressed ? frameHeight : 0, frameWidth, frameHeight);
}

void VuMeter::setLevel (float newLevel) noexcept
{
    level = newLevel;
}

float VuMeter::getLevel() const noexcept
{
    return level;
}

void VuMeter::paint (juce::Graphics& g)
{
    g.setColour (segmentColour);
    g.fillRect (0, 0, meterWidth, meterHeight);

    const auto unlitRows = static_cast<int> (meterHeight * (1.0 - level) + 0.5);
    g.setColour (backColour);
    g.fillRect (0, 0, meterWidth, unlitRows);

    if (meterWidth <= 0)
        return;

    // A separator line under every segment; the last one falls below the meter and is clipped.
    for (int i = 0; i < segmentCount; ++i)
    {
        const auto y = i + segmentHeight * (i + 1);
        g.fillRect (juce::Rectangle<float> (0.0f, static_cast<float> (y), static_cast<float> (meterWidth), 1.0f));
    }
}
