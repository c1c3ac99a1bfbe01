#include "PanelPainter.h"

#include "PanelLayout.h"

namespace
{
    // The unlit LCD segment colour; the level bar draws its unlit part in exactly this green.
    const juce::Colour glassGreen (0xff84aa00);

    void fillRow (juce::Graphics& g, int x, int y, int width)
    {
        g.fillRect (x, y, width, 1);
    }

    void fillColumn (juce::Graphics& g, int x, int y, int height)
    {
        g.fillRect (x, y, 1, height);
    }

    // A rectangle pressed into the panel: shadow along its top and left edges, light along the others.
    void paintRecessEdges (juce::Graphics& g, juce::Rectangle<int> area, juce::Colour shadow, juce::Colour light)
    {
        g.setColour (shadow);
        fillRow (g, area.getX(), area.getY(), area.getWidth() - 1);
        fillColumn (g, area.getX(), area.getY(), area.getHeight() - 1);
        g.setColour (light);
        fillRow (g, area.getX() + 1, area.getBottom() - 1, area.getWidth() - 1);
        fillColumn (g, area.getRight() - 1, area.getY() + 1, area.getHeight() - 1);
    }

    void paintScrew (juce::Graphics& g, juce::Point<float> centre, float slotDegrees)
    {
        const auto head = juce::Rectangle<float> (8.0f, 8.0f).withCentre (centre);

        g.setColour (juce::Colours::black.withAlpha (0.35f));
        g.fillEllipse (head.expanded (1.0f).translated (0.4f, 0.6f));
        g.setGradientFill (juce::ColourGradient (juce::Colour (0xffeeeff1), head.getTopLeft(),
                                                 juce::Colour (0xff727479), head.getBottomRight(), false));
        g.fillEllipse (head);

        const auto slot = juce::Line<float>::fromStartAndAngle (centre, 3.4f, juce::degreesToRadians (slotDegrees));
        const juce::Line<float> across (slot.getEnd(), centre * 2.0f - slot.getEnd());
        g.setColour (juce::Colours::white.withAlpha (0.6f));
        g.drawLine ({ across.getStart().translated (0.5f, 0.6f), across.getEnd().translated (0.5f, 0.6f) }, 1.0f);
        g.setColour (juce::Colour (0xff2c2d30));
        g.drawLine (across, 1.3f);
    }
}

PanelPainter::PanelPainter (const PanelFonts& fontsToUse) : fonts (fontsToUse) {}

void PanelPainter::paint (juce::Graphics& g) const
{
    paintScrews (g);
    paintKeyWell (g);
    paintLcd (g);
    paintSliderChannel (g);
    paintLevelScale (g);
    paintCaptions (g);
    paintLogo (g);
    paintWordmark (g);
}

void PanelPainter::paintScrews (juce::Graphics& g) const
{
    const auto right = static_cast<float> (PanelLayout::width) - 7.5f;
    const auto bottom = static_cast<float> (PanelLayout::height) - 7.5f;

    paintScrew (g, { 7.5f, 7.5f }, 30.0f);
    paintScrew (g, { right, 7.5f }, 115.0f);
    paintScrew (g, { 7.5f, bottom }, 160.0f);
    paintScrew (g, { right, bottom }, 65.0f);
}

void PanelPainter::paintKeyWell (juce::Graphics& g) const
{
    // The knob's frame reaches to the left key's picture, so the well has no margin on that side;
    // the key's own dark outline closes it.
    const auto left = juce::Rectangle<int> (PanelLayout::leftButtonPicture.x, PanelLayout::leftButtonPicture.y,
                                            PanelLayout::buttonWidth, PanelLayout::buttonHeight);
    const auto right = left.withX (PanelLayout::rightButtonPicture.x);
    const auto well = left.getUnion (right).withTrimmedTop (-1).withTrimmedRight (-1).withTrimmedBottom (-1);

    g.setColour (juce::Colour (0xff111113));
    g.fillRect (well);
    g.setColour (juce::Colour (0xff6c6e73));
    fillRow (g, well.getX(), well.getY() - 1, well.getWidth());
    g.setColour (juce::Colour (0xffeceef1));
    fillRow (g, well.getX(), well.getBottom(), well.getWidth() + 1);
    fillColumn (g, well.getRight(), well.getY() - 1, well.getHeight() + 1);
}

void PanelPainter::paintLcd (juce::Graphics& g) const
{
    const auto bezel = PanelLayout::lcdBezel;
    const auto rim = PanelLayout::lcdRim;

    // The bezel sits slightly proud of the panel and throws a soft shadow down and to the right.
    g.setColour (juce::Colours::black.withAlpha (0.18f));
    g.fillRect (bezel.translated (1, 1));
    g.setColour (juce::Colours::black.withAlpha (0.12f));
    g.fillRect (bezel.translated (2, 2));

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xffe4e5e3), bezel.getTopLeft().toFloat(),
                                             juce::Colour (0xffbfc1be), bezel.getBottomLeft().toFloat(), false));
    g.fillRect (bezel);
    g.setColour (juce::Colour (0xfff7f8f6));
    fillRow (g, bezel.getX(), bezel.getY(), bezel.getWidth());
    fillColumn (g, bezel.getX(), bezel.getY(), bezel.getHeight());
    g.setColour (juce::Colour (0xff8d8f8b));
    fillRow (g, bezel.getX() + 1, bezel.getBottom() - 1, bezel.getWidth() - 1);
    fillColumn (g, bezel.getRight() - 1, bezel.getY() + 1, bezel.getHeight() - 1);

    // The bezel's inner slope falls towards the glass.
    paintRecessEdges (g, rim.expanded (1), juce::Colour (0xff9c9e9a), juce::Colour (0xfff2f3f1));

    g.setColour (juce::Colour (0xff1f2613));
    g.drawRect (rim);

    const auto glass = rim.reduced (1);
    g.setColour (glassGreen);
    g.fillRect (glass);
    g.setColour (glassGreen.darker (0.45f));
    fillRow (g, glass.getX(), glass.getY(), glass.getWidth());
    fillColumn (g, glass.getX(), glass.getY(), glass.getHeight());
    g.setColour (glassGreen.darker (0.18f));
    fillRow (g, glass.getX() + 1, glass.getY() + 1, glass.getWidth() - 1);
    fillColumn (g, glass.getX() + 1, glass.getY() + 1, glass.getHeight() - 1);
}

void PanelPainter::paintSliderChannel (juce::Graphics& g) const
{
    const auto channel = PanelLayout::sliderChannel;
    const auto slot = PanelLayout::sliderSlot;

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff3f4044), channel.getTopLeft().toFloat(),
                                             juce::Colour (0xff5d5f63), channel.getBottomLeft().toFloat(), false));
    g.fillRect (channel);
    paintRecessEdges (g, channel, juce::Colour (0xff222325), juce::Colour (0xffe6e8eb));
    g.setColour (juce::Colour (0xff303134));
    fillRow (g, channel.getX() + 1, channel.getY() + 1, channel.getWidth() - 2);
    fillColumn (g, channel.getX() + 1, channel.getY() + 1, channel.getHeight() - 2);

    g.setColour (juce::Colour (0xff0c0c0d));
    g.fillRect (slot);
    g.setColour (juce::Colour (0xff26272a));
    fillColumn (g, slot.getRight() - 1, slot.getY() + 1, slot.getHeight() - 1);
    g.setColour (juce::Colour (0xff7a7c80));
    fillRow (g, slot.getX(), slot.getBottom(), slot.getWidth());
}

void PanelPainter::paintLevelScale (juce::Graphics& g) const
{
    const auto markX = PanelLayout::sliderChannel.getRight() + 1;
    const auto numbersRight = PanelLayout::width - 3;

    for (const auto& mark : PanelLayout::levelScale)
    {
        const auto length = juce::String (mark.text) == "0" ? 5 : 4;
        g.setColour (juce::Colours::white.withAlpha (0.5f));
        fillRow (g, markX, mark.row + 1, length);
        g.setColour (engravingInk);
        fillRow (g, markX, mark.row, length);

        // Figures five pixels tall, centred on the mark's row.
        const auto text = juce::String (mark.text).replace ("-", juce::String::charToString (0x2212));
        engraveText (g, text, fonts.scale, { numbersRight, mark.row + 3 }, juce::Justification::right);
    }

    engraveText (g, "dB", fonts.caption, { markX, 18 }, juce::Justification::left);
}

void PanelPainter::paintCaptions (juce::Graphics& g) const
{
    // One baseline for the captions under the controls, just above the panel's lower edge.
    const auto baseline = PanelLayout::height - 4;

    engraveText (g, "VALUE", fonts.caption, { PanelLayout::knobArea.getCentreX(), baseline }, juce::Justification::horizontallyCentred);

    const auto keysCentre = (PanelLayout::leftButtonPicture.x + PanelLayout::rightButtonPicture.x + PanelLayout::buttonWidth) / 2;
    engraveText (g, "SELECT", fonts.caption, { keysCentre, baseline }, juce::Justification::horizontallyCentred);

    const auto slotCentre = PanelLayout::sliderSlot.getCentreX();
    engraveText (g, "LEVEL", fonts.caption, { slotCentre, baseline }, juce::Justification::horizontallyCentred);
}

void PanelPainter::paintLogo (juce::Graphics& g) const
{
    const auto bezel = PanelLayout::lcdBezel.toFloat();
    const auto mark = juce::Rectangle<float> (15.0f, 15.0f).withPosition (bezel.getX() + 2.0f, 6.0f);

    // A dark disc with a source and two wave fronts spreading from it: a sound filling a room.
    g.setColour (juce::Colours::white.withAlpha (0.5f));
    g.fillEllipse (mark.translated (0.0f, 1.0f));
    g.setColour (engravingInk);
    g.fillEllipse (mark);

    const auto source = mark.getCentre().translated (-3.5f, 0.0f);
    g.setColour (juce::Colour (0xffd8dade));
    g.fillEllipse (juce::Rectangle<float> (3.0f, 3.0f).withCentre (source));
    for (const auto radius : { 4.5f, 7.5f })
    {
        juce::Path wave;
        wave.addCentredArc (source.x, source.y, radius, radius, 0.0f, juce::degreesToRadians (45.0f), juce::degreesToRadians (135.0f), true);
        g.strokePath (wave, juce::PathStrokeType (1.4f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    }

    engraveText (g, "TEVRAL", fonts.logo, { static_cast<int> (mark.getRight()) + 5, 18 }, juce::Justification::left);
}

void PanelPainter::paintWordmark (juce::Graphics& g) const
{
    engraveText (g, "Halvorn", fonts.wordmark, { PanelLayout::lcdBezel.getRight() - 1, 99 }, juce::Justification::right);
}
