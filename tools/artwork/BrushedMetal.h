#pragma once

#include <juce_graphics/juce_graphics.h>

// The bare panel: horizontally brushed aluminium, lit from above, with bevelled edges.
// The grain comes from a fixed-seed generator, so every run gives the same panel.
class BrushedMetal
{
public:
    static juce::Image render (int width, int height);
};
