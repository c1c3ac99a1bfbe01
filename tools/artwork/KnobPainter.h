#pragma once

#include <juce_graphics/juce_graphics.h>

// The value knob as seen from above: a tick scale engraved around a round well, and in it a dark
// ribbed knob whose light pointer line stands at the given angle (degrees clockwise from straight
// up). The light falls from the upper left whatever the angle.
class KnobPainter
{
public:
    static void paint (juce::Graphics& g, juce::Rectangle<float> frame, float pointerDegrees);

    // Frame 0 points 140 degrees anticlockwise from up, the middle frame straight up, the last
    // frame 140 degrees clockwise.
    static float pointerDegreesForFrame (int frame, int frameCount);
};
