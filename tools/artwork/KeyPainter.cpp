#include "KeyPainter.h"

namespace
{
    const juce::Colour outline (0xff111113);
    const juce::Colour dimArrow (0xff8a7424);
    const juce::Colour litArrow (0xffffd84a);

    // A pixel-aligned arrow, five columns wide and nine rows tall, so it stays sharp at this size.
    juce::RectangleList<int> arrowShape (juce::Point<int> centre, KeyPainter::Arrow arrow)
    {
        constexpr int halfHeight = 4;
        juce::RectangleList<int> shape;
        for (int offset = -halfHeight; offset <= halfHeight; ++offset)
        {
            const auto width = halfHeight + 1 - std::abs (offset);
            const auto left = arrow == KeyPainter::Arrow::left ? centre.x + 2 - width + 1 : centre.x - 2;
            shape.addWithoutMerging ({ left, centre.y + offset, width, 1 });
        }
        return shape;
    }

    void paintKey (juce::Graphics& g, juce::Rectangle<int> frame, KeyPainter::Arrow arrow, bool pressed)
    {
        g.setColour (outline);
        g.fillRect (frame);

        // Pressed, the key sits one pixel lower and its bevel turns round: the top edge falls into shadow.
        const auto key = frame.reduced (1).withTrimmedTop (pressed ? 1 : 0).withTrimmedBottom (pressed ? 0 : 1);
        g.setGradientFill (juce::ColourGradient (juce::Colour (pressed ? 0xff26272a : 0xff4a4c51), key.getTopLeft().toFloat(),
                                                 juce::Colour (pressed ? 0xff3a3c40 : 0xff26272a), key.getBottomLeft().toFloat(), false));
        g.fillRect (key);

        g.setColour (juce::Colour (pressed ? 0xff1b1c1e : 0xff6d7076));
        g.fillRect (key.getX(), key.getY(), key.getWidth(), 1);
        g.fillRect (key.getX(), key.getY(), 1, key.getHeight());
        g.setColour (juce::Colour (pressed ? 0xff45474c : 0xff1d1e20));
        g.fillRect (key.getX(), key.getBottom() - 1, key.getWidth(), 1);
        g.fillRect (key.getRight() - 1, key.getY(), 1, key.getHeight());

        const auto shape = arrowShape (key.getCentre(), arrow);
        if (pressed)
        {
            // The lit arrow glows onto the key around it.
            for (const auto& step : { juce::Point<int> (-1, 0), juce::Point<int> (1, 0), juce::Point<int> (0, -1), juce::Point<int> (0, 1) })
            {
                auto spread = shape;
                spread.offsetAll (step);
                g.setColour (litArrow.withAlpha (0.22f));
                g.fillRectList (spread);
            }
        }
        g.setColour (pressed ? litArrow : dimArrow);
        g.fillRectList (shape);
    }
}

juce::Image KeyPainter::render (Arrow arrow, int width, int frameHeight)
{
    juce::Image strip (juce::Image::RGB, width, frameHeight * 2, true);
    juce::Graphics g (strip);
    paintKey (g, { 0, 0, width, frameHeight }, arrow, false);
    paintKey (g, { 0, frameHeight, width, frameHeight }, arrow, true);
    return strip;
}
