#include "KnobPainter.h"

#include <cmath>

namespace
{
    constexpr float sweepDegrees = 280.0f;
    constexpr int scaleTicks = 11;
    constexpr int ribs = 36;

    constexpr float tickInner = 32.0f;
    constexpr float tickOuter = 36.0f;
    constexpr float wellRadius = 29.5f;
    constexpr float skirtRadius = 26.5f;
    constexpr float capRadius = 20.0f;

    juce::Point<float> polar (juce::Point<float> centre, float radius, float radians)
    {
        return centre.getPointOnCircumference (radius, radians);
    }

    // How brightly a surface facing the given direction catches the light from the upper left.
    float lightFacing (float radians)
    {
        const auto upperLeft = juce::MathConstants<float>::pi * -0.25f;
        return 0.5f + 0.5f * std::cos (radians - upperLeft);
    }

    void paintScale (juce::Graphics& g, juce::Point<float> centre)
    {
        for (int i = 0; i < scaleTicks; ++i)
        {
            const auto degrees = -sweepDegrees / 2.0f + sweepDegrees * static_cast<float> (i) / (scaleTicks - 1);
            const auto radians = juce::degreesToRadians (degrees);
            const auto isMajor = i == 0 || i == scaleTicks / 2 || i == scaleTicks - 1;
            const juce::Line<float> tick (polar (centre, tickInner, radians), polar (centre, isMajor ? tickOuter + 0.5f : tickOuter, radians));

            g.setColour (juce::Colours::white.withAlpha (0.5f));
            g.drawLine ({ tick.getStart().translated (0.0f, 0.8f), tick.getEnd().translated (0.0f, 0.8f) }, isMajor ? 1.6f : 1.2f);
            g.setColour (juce::Colour (0xff303134));
            g.drawLine (tick, isMajor ? 1.6f : 1.2f);
        }
    }

    void paintWell (juce::Graphics& g, juce::Point<float> centre)
    {
        const auto well = juce::Rectangle<float> (wellRadius * 2.0f, wellRadius * 2.0f).withCentre (centre);

        // Lower right rim catches the light, upper left rim lies in shadow.
        g.setGradientFill (juce::ColourGradient (juce::Colour (0xff5a5c60), well.getTopLeft(),
                                                 juce::Colour (0xffe8eaee), well.getBottomRight(), false));
        g.fillEllipse (well);
        g.setColour (juce::Colour (0xff27282b));
        g.fillEllipse (well.reduced (1.5f));

        // The knob's soft shadow on the well floor.
        for (int i = 0; i < 4; ++i)
        {
            const auto spread = 3.0f - static_cast<float> (i) * 0.8f;
            g.setColour (juce::Colours::black.withAlpha (0.22f));
            g.fillEllipse (juce::Rectangle<float> ((skirtRadius + spread) * 2.0f, (skirtRadius + spread) * 2.0f)
                               .withCentre (centre.translated (1.0f, 1.6f)));
        }
    }

    void paintSkirt (juce::Graphics& g, juce::Point<float> centre, float pointerRadians)
    {
        g.setColour (juce::Colour (0xff141416));
        g.fillEllipse (juce::Rectangle<float> (skirtRadius * 2.0f, skirtRadius * 2.0f).withCentre (centre));

        const auto ribAngle = juce::MathConstants<float>::twoPi / ribs;
        for (int i = 0; i < ribs; ++i)
        {
            const auto start = pointerRadians + ribAngle * static_cast<float> (i);
            const auto middle = start + ribAngle * 0.5f;
            const auto level = lightFacing (middle);

            juce::Path rib;
            rib.addPieSegment (juce::Rectangle<float> ((skirtRadius - 0.6f) * 2.0f, (skirtRadius - 0.6f) * 2.0f).withCentre (centre),
                               start + ribAngle * 0.12f, start + ribAngle * 0.62f, (capRadius + 1.0f) / (skirtRadius - 0.6f));
            g.setColour (juce::Colour::greyLevel (0.14f + 0.36f * level * level));
            g.fillPath (rib);
        }
    }

    void paintCap (juce::Graphics& g, juce::Point<float> centre)
    {
        const auto cap = juce::Rectangle<float> (capRadius * 2.0f, capRadius * 2.0f).withCentre (centre);

        g.setGradientFill (juce::ColourGradient (juce::Colour (0xff5b5d62), cap.getTopLeft(),
                                                 juce::Colour (0xff0d0d0f), cap.getBottomRight(), false));
        g.fillEllipse (cap.expanded (1.0f));

        g.setGradientFill (juce::ColourGradient (juce::Colour (0xff3e4044), cap.getTopLeft(),
                                                 juce::Colour (0xff1a1b1d), cap.getBottomRight(), false));
        g.fillEllipse (cap);

        // A soft specular spot towards the light.
        const auto spot = cap.reduced (capRadius * 0.45f).translated (-capRadius * 0.32f, -capRadius * 0.36f);
        g.setGradientFill (juce::ColourGradient (juce::Colours::white.withAlpha (0.16f), spot.getCentre(),
                                                 juce::Colours::white.withAlpha (0.0f), spot.getTopRight(), true));
        g.fillEllipse (spot.expanded (capRadius * 0.3f));
    }

    void paintPointer (juce::Graphics& g, juce::Point<float> centre, float pointerRadians)
    {
        const juce::Line<float> pointer (polar (centre, capRadius * 0.38f, pointerRadians),
                                         polar (centre, skirtRadius - 1.0f, pointerRadians));
        juce::Path stroke;
        stroke.addLineSegment (pointer, 2.4f);

        g.setColour (juce::Colours::black.withAlpha (0.6f));
        g.strokePath (stroke, juce::PathStrokeType (1.0f));
        g.setColour (juce::Colour (0xfff2efe4));
        g.fillPath (stroke);
    }
}

void KnobPainter::paint (juce::Graphics& g, juce::Rectangle<float> frame, float pointerDegrees)
{
    const auto centre = frame.getCentre();
    const auto pointerRadians = juce::degreesToRadians (pointerDegrees);

    paintScale (g, centre);
    paintWell (g, centre);
    paintSkirt (g, centre, pointerRadians);
    paintCap (g, centre);
    paintPointer (g, centre, pointerRadians);
}

float KnobPainter::pointerDegreesForFrame (int frame, int frameCount)
{
    return -sweepDegrees / 2.0f + sweepDegrees * static_cast<float> (frame) / static_cast<float> (frameCount - 1);
}
