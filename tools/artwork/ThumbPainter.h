#pragma once

#include <juce_graphics/juce_graphics.h>

// The level slider's thumb: a grey square cap with horizontal grip ribs, a marked centre line and
// a dark lower edge.
class ThumbPainter
{
public:
    static juce::Image render (int size);
};
