#pragma once

#include "PanelFonts.h"

// The editor's five pictures, drawn to fit together: the knob frames and the background's knob are
// cut from the same panel, and the background shows the keys' released frames pixel for pixel.
struct ArtworkSet
{
    juce::Image background;
    juce::Image knobStrip;
    juce::Image leftKey;
    juce::Image rightKey;
    juce::Image thumb;

    static ArtworkSet draw (const PanelFonts& fonts);
};
