#include "EditorTestSupport.h"

namespace
{
// Frame k of a synthetic strip is filled with a colour that names it.
juce::Colour frameColour (int frame)
{
    return juce::Colour (static_cast<juce::uint8> (10 * frame), 200, static_cast<juce::uint8> (250 - 10 * frame));
}

juce::Image makeStrip (int frames, int frameWidth, int frameHeight, bool sideBySide)
{
    juce::Image strip (juce::Image::RGB, sideBySide ? frames * frameWidth : frameWidth, sideBySide ? frameHeight : frames * frameHeight, false);
    juce::Graphics g (strip);

    for (int k = 0; k < frames; ++k)
    {
        g.setColour (frameColour (k));
        g.fillRect (sideBySide ? k * frameWidth : 0, sideBySide ? 0 : k * frameHeight, frameWidth, frameHeight);
    }

    return strip;
}

juce::Image render (juce::Component& component)
{
    juce::Image image (juce::Image::ARGB, component.getWidth(), component.getHeight(), true);
    juce::Graphics g (image);
    component.paintEntireComponent (g, false);
    return image;
}

// Only the component's own drawing, without the children that a default slider has.
juce::Image renderOwnPaint (juce::Component& component)
{
    juce::Image image (juce::Image::ARGB, component.getWidth(), component.getHeight(), true);
    juce::Graphics g (image);
    component.paint (g);
    return image;
}

// The frame whose colour fills the whole rendered image, or -1.
int shownFrame (const juce::Image& image, int frames)
{
    for (int k = 0; k < frames; ++k)
    {
        bool all = true;
        for (int y = 0; y < image.getHeight() && all; ++y)
            for (int x = 0; x < image.getWidth() && all; ++x)
                all = image.getPixelAt (x, y) == frameColour (k);

        if (all)
            return k;
    }

    return -1;
}

bool isEmpty (const juce::Image& image)
{
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt (x, y).getAlpha() != 0)
                return false;

    return true;
}

juce::MouseEvent doubleClickOn (juce::Component& component)
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
             &component, &component, now, {}, now, 2, false };
}

struct NotificationCounter : juce::Slider::Listener
{
    void sliderValueChanged (juce::Slider*) override { ++count; }
    int count = 0;
};

struct ClickCounter : juce::Button::Listener
{
    void buttonClicked (juce::Button*) override { ++count; }
    int count = 0;
};

class Knob : public ::testing::Test
{
protected:
    Knob()
    {
        knob.setBounds (0, 0, 78, 79);
    }

    int frameAt (double value)
    {
        knob.setValue (value, juce::dontSendNotification);
        return shownFrame (render (knob), 21);
    }

    FilmStripKnob knob { makeStrip (21, 78, 79, false), 21, false };
};
} // namespace

TEST_F (Knob, IsARotaryKnobWithoutTextBoxOnTheFloatThousandthsGrid)
{
    EXPECT_EQ (knob.getSliderStyle(), juce::Slider::RotaryVerticalDrag);
    EXPECT_EQ (knob.getTextBoxPosition(), juce::Slider::NoTextBox);
    EXPECT_EQ (knob.getMinimum(), 0.0);
    EXPECT_EQ (knob.getMaximum(), 1.0);
    EXPECT_EQ (knob.getInterval(), 0.0010000000474974513);
}

TEST_F (Knob, ShowsTheFrameOfItsValueAndTheLastFrameOnlyAtTheMaximum)
{
    EXPECT_EQ (frameAt (0.0), 0);
    EXPECT_EQ (frameAt (0.5), 10);
    EXPECT_EQ (frameAt (1.0), 20);
    EXPECT_EQ (frameAt (0.999), 19);
    EXPECT_EQ (frameAt (0.05), 1);
    EXPECT_EQ (knob.getValue(), 0.050000002374872565);
}

TEST_F (Knob, DoubleClickReturnsToTheMiddleAndTellsListenersLater)
{
    NotificationCounter listener;
    knob.addListener (&listener);
    knob.setValue (0.9, juce::dontSendNotification);

    knob.mouseDoubleClick (doubleClickOn (knob));
    EXPECT_EQ (knob.getValue(), 0.5000000237487257);
    EXPECT_EQ (listener.count, 0);
    dispatchPendingMessages();
    EXPECT_EQ (listener.count, 1);
    EXPECT_EQ (shownFrame (render (knob), 21), 10);

    knob.mouseDoubleClick (doubleClickOn (knob));
    dispatchPendingMessages();
    EXPECT_EQ (listener.count, 1);
    knob.removeListener (&listener);
}

TEST (KnobStrip, SideBySideFramesSplitTheWidth)
{
    FilmStripKnob knob (makeStrip (5, 20, 30, true), 5, true);
    knob.setBounds (0, 0, 20, 30);

    knob.setValue (0.0, juce::dontSendNotification);
    EXPECT_EQ (shownFrame (render (knob), 5), 0);
    knob.setValue (0.5, juce::dontSendNotification);
    EXPECT_EQ (shownFrame (render (knob), 5), 2);
    knob.setValue (1.0, juce::dontSendNotification);
    EXPECT_EQ (shownFrame (render (knob), 5), 4);
}

TEST (KnobStrip, WithoutAnImageKeepsTheDefaultSliderAndDrawsNothing)
{
    FilmStripKnob knob ({}, 21, false);
    const juce::Slider plain;
    knob.setBounds (0, 0, 78, 79);

    EXPECT_EQ (knob.getSliderStyle(), plain.getSliderStyle());
    EXPECT_EQ (knob.getTextBoxPosition(), plain.getTextBoxPosition());
    EXPECT_EQ (knob.getMaximum(), plain.getMaximum());
    EXPECT_TRUE (isEmpty (renderOwnPaint (knob)));
}

TEST (KnobStrip, AFrameCountBelowOneCountsAsOne)
{
    FilmStripKnob knob (makeStrip (1, 10, 10, false), 0, false);
    knob.setBounds (0, 0, 10, 10);
    knob.setValue (1.0, juce::dontSendNotification);
    EXPECT_EQ (shownFrame (render (knob), 1), 0);
}

namespace
{
const auto thumbColour = juce::Colour (0xff808890);

juce::Image makeThumb()
{
    juce::Image thumb (juce::Image::RGB, 23, 23, false);
    thumb.clear (thumb.getBounds(), thumbColour);
    return thumb;
}

// The row of the thumb's top edge, or -1 when no thumb is drawn.
int thumbTop (ImageSlider& slider)
{
    const auto image = render (slider);
    for (int y = 0; y < image.getHeight(); ++y)
        if (image.getPixelAt (11, y) == thumbColour)
            return y;

    return -1;
}
} // namespace

TEST (LevelSlider, IsAVerticalSliderWithoutTextBoxThatDoesNotJumpToTheClick)
{
    ImageSlider slider (makeThumb(), 82);
    EXPECT_EQ (slider.getSliderStyle(), juce::Slider::LinearVertical);
    EXPECT_EQ (slider.getTextBoxPosition(), juce::Slider::NoTextBox);
    EXPECT_FALSE (slider.getSliderSnapsToMousePosition());
    EXPECT_EQ (slider.getInterval(), 0.0010000000474974513);
    EXPECT_EQ (slider.getMaximum(), 1.0);
}

TEST (LevelSlider, ThumbTravelsFiftyNinePixelsFromBottomToTop)
{
    ImageSlider slider (makeThumb(), 82);
    slider.setBounds (0, 0, 23, 82);

    slider.setValue (1.0, juce::dontSendNotification);
    EXPECT_EQ (thumbTop (slider), 0);
    slider.setValue (0.0, juce::dontSendNotification);
    EXPECT_EQ (thumbTop (slider), 59);
    slider.setValue (0.5, juce::dontSendNotification);
    EXPECT_EQ (thumbTop (slider), 29); // 59 x 0.49999997... truncates
}

TEST (LevelSlider, DoubleClickReturnsToZeroDecibelsOnTheGrid)
{
    ImageSlider slider (makeThumb(), 82);
    NotificationCounter listener;
    slider.addListener (&listener);

    slider.mouseDoubleClick (doubleClickOn (slider));
    EXPECT_EQ (slider.getValue(), 0.8330000395653769);
    EXPECT_EQ (static_cast<float> (slider.getValue()), 0.8330000638961792f);
    dispatchPendingMessages();
    EXPECT_EQ (listener.count, 1);
    slider.removeListener (&listener);
}

TEST (LevelSlider, WithoutAnImageStillSetsUpAndDrawsNothing)
{
    ImageSlider slider ({}, 82);
    slider.setBounds (0, 0, 23, 82);
    EXPECT_EQ (slider.getSliderStyle(), juce::Slider::LinearVertical);
    EXPECT_EQ (slider.getInterval(), 0.0010000000474974513);
    EXPECT_TRUE (isEmpty (render (slider)));
}

namespace
{
const auto releasedColour = juce::Colour (0xff203040);
const auto pressedColour = juce::Colour (0xffe0c020);

juce::Image makeKey()
{
    juce::Image key (juce::Image::RGB, 19, 34, false);
    key.clear ({ 0, 0, 19, 17 }, releasedColour);
    key.clear ({ 0, 17, 19, 17 }, pressedColour);
    return key;
}

juce::Colour keyLook (ImgButton& button)
{
    return render (button).getPixelAt (9, 8);
}

class Key : public ::testing::Test
{
protected:
    Key()
    {
        button.setBounds (0, 0, 19, 17);
    }

    ImgButton button { "Left", makeKey() };
};
} // namespace

TEST_F (Key, ShowsThePressedFrameOnlyWhileHeldDown)
{
    EXPECT_EQ (button.getName(), "Left");
    EXPECT_EQ (keyLook (button), releasedColour);
    button.setState (juce::Button::buttonOver);
    EXPECT_EQ (keyLook (button), releasedColour);
    button.setState (juce::Button::buttonDown);
    EXPECT_EQ (keyLook (button), pressedColour);
    button.setState (juce::Button::buttonNormal);
    EXPECT_EQ (keyLook (button), releasedColour);
}

TEST_F (Key, EachClickTogglesTheStateAndNotifiesOnceWithoutChangingTheLook)
{
    ClickCounter listener;
    button.addListener (&listener);

    for (int clicks = 1; clicks <= 3; ++clicks)
    {
        button.triggerClick();
        dispatchPendingMessages();
        EXPECT_EQ (listener.count, clicks);
        EXPECT_EQ (button.getToggleState(), clicks % 2 == 1);
        button.setState (juce::Button::buttonNormal); // ends the framework's short flash of a programmatic click
        EXPECT_EQ (keyLook (button), releasedColour);
    }

    button.removeListener (&listener);
}

TEST_F (Key, CanShowItsToggleStateInstead)
{
    button.setUseToggleState (true);
    button.setToggleState (true, juce::dontSendNotification);
    EXPECT_EQ (keyLook (button), pressedColour);
    button.setToggleState (false, juce::dontSendNotification);
    button.setState (juce::Button::buttonDown);
    EXPECT_EQ (keyLook (button), releasedColour);
}

TEST (KeyWithoutImage, DrawsNothing)
{
    ImgButton button ("Right", {});
    button.setBounds (0, 0, 19, 17);
    EXPECT_TRUE (isEmpty (render (button)));
}

namespace
{
const auto lit = juce::Colour (0xff3c3c3c);
const auto unlit = juce::Colour (0xff84aa00);

// The meter's 23 rows, top first: '#' lit, '.' green.
std::string rows (VuMeter& meter)
{
    const auto image = render (meter);
    std::string result;
    for (int y = 0; y < image.getHeight(); ++y)
    {
        for (int x = 0; x < image.getWidth(); ++x)
            EXPECT_EQ (image.getPixelAt (x, y), image.getPixelAt (0, y)) << "row " << y << " is not uniform";

        const auto colour = image.getPixelAt (0, y);
        result += colour == lit ? '#' : colour == unlit ? '.' : '?';
    }
    return result;
}
} // namespace

TEST (Meter, LightsWholeSegmentsFromTheBottom)
{
    VuMeter meter;
    meter.setBounds (0, 0, 6, 23);
    EXPECT_EQ (meter.getName(), "");
    EXPECT_EQ (meter.getLevel(), 0.8333f);

    EXPECT_EQ (rows (meter), "....#.#.#.#.#.#.#.#.#.#"); // ten segments at the start value

    meter.setLevel (1.0f);
    EXPECT_EQ (rows (meter), "#.#.#.#.#.#.#.#.#.#.#.#");
    meter.setLevel (0.0f);
    EXPECT_EQ (rows (meter), ".......................");
    meter.setLevel (0.5f);
    EXPECT_EQ (rows (meter), "............#.#.#.#.#.#");
}
