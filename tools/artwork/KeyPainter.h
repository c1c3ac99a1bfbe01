#pragma once

#include <juce_graphics/juce_graphics.h>

// A selector key: a dark square key with a yellow arrow, as a strip of two frames stacked from the
// top: released (dim arrow), then pressed (key sunk in, arrow lit).
class KeyPainter
{
public:
    enum class Arrow
    {
        left,
        right
    };

    static juce::Image render (Arrow arrow, int width, int frameHeight);
};
