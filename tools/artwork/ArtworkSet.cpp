#include "ArtworkSet.h"

#include "BrushedMetal.h"
#include "KeyPainter.h"
#include "KnobPainter.h"
#include "PanelLayout.h"
#include "PanelPainter.h"
#include "ThumbPainter.h"

namespace
{
    void copyPixels (const juce::Image& source, juce::Rectangle<int> sourceArea, juce::Image& target, juce::Point<int> targetOrigin)
    {
        for (int y = 0; y < sourceArea.getHeight(); ++y)
            for (int x = 0; x < sourceArea.getWidth(); ++x)
                target.setPixelAt (targetOrigin.x + x, targetOrigin.y + y,
                                   source.getPixelAt (sourceArea.getX() + x, sourceArea.getY() + y));
    }

    juce::Image drawKnobStrip (const juce::Image& panel)
    {
        const auto area = PanelLayout::knobArea;
        juce::Image strip (juce::Image::RGB, area.getWidth(), area.getHeight() * PanelLayout::knobFrameCount, false);

        for (int frame = 0; frame < PanelLayout::knobFrameCount; ++frame)
        {
            const auto frameArea = area.withPosition (0, frame * area.getHeight());
            copyPixels (panel, area, strip, frameArea.getPosition());

            juce::Graphics g (strip);
            g.reduceClipRegion (frameArea);
            KnobPainter::paint (g, frameArea.toFloat(), KnobPainter::pointerDegreesForFrame (frame, PanelLayout::knobFrameCount));
        }
        return strip;
    }
}

ArtworkSet ArtworkSet::draw (const PanelFonts& fonts)
{
    const auto panel = BrushedMetal::render (PanelLayout::width, PanelLayout::height);

    ArtworkSet set;
    set.knobStrip = drawKnobStrip (panel);
    set.leftKey = KeyPainter::render (KeyPainter::Arrow::left, PanelLayout::buttonWidth, PanelLayout::buttonHeight);
    set.rightKey = KeyPainter::render (KeyPainter::Arrow::right, PanelLayout::buttonWidth, PanelLayout::buttonHeight);
    set.thumb = ThumbPainter::render (PanelLayout::thumbSize);

    set.background = panel.createCopy();
    {
        juce::Graphics g (set.background);
        PanelPainter (fonts).paint (g);
    }

    const auto knob = PanelLayout::knobArea;
    const auto middleFrame = knob.withPosition (0, PanelLayout::knobFrameCount / 2 * knob.getHeight());
    copyPixels (set.knobStrip, middleFrame, set.background, knob.getPosition());

    const juce::Rectangle<int> releasedKey (PanelLayout::buttonWidth, PanelLayout::buttonHeight);
    copyPixels (set.leftKey, releasedKey, set.background, PanelLayout::leftButtonPicture);
    copyPixels (set.rightKey, releasedKey, set.background, PanelLayout::rightButtonPicture);
    return set;
}
