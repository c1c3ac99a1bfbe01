#pragma once

#include "PanelFonts.h"

// Draws the fixed decorations of the window background onto the brushed panel: corner screws, the
// selector keys' well, the LCD window, the level slider's channel with its decibel scale, the
// captions, the maker's logo and the product wordmark. The knob and key pictures are not its job.
class PanelPainter
{
public:
    explicit PanelPainter (const PanelFonts& fontsToUse);

    void paint (juce::Graphics& g) const;

private:
    void paintScrews (juce::Graphics& g) const;
    void paintKeyWell (juce::Graphics& g) const;
    void paintLcd (juce::Graphics& g) const;
    void paintSliderChannel (juce::Graphics& g) const;
    void paintLevelScale (juce::Graphics& g) const;
    void paintCaptions (juce::Graphics& g) const;
    void paintLogo (juce::Graphics& g) const;
    void paintWordmark (juce::Graphics& g) const;

    const PanelFonts& fonts;
};
