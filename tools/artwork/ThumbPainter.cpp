#include "ThumbPainter.h"

juce::Image ThumbPainter::render (int size)
{
    juce::Image thumb (juce::Image::RGB, size, size, false);
    juce::Graphics g (thumb);

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xffd4d6d9), 0.0f, 0.0f,
                                             juce::Colour (0xff9a9da2), 0.0f, static_cast<float> (size), false));
    g.fillAll();

    // Grip grooves at a three-row pitch, symmetric about the marked centre line.
    const auto centreRow = size / 2;
    for (const auto distance : { 3, 6, 9 })
    {
        for (const auto row : { centreRow - distance, centreRow + distance })
        {
            if (row < 1 || row + 1 >= size - 3)
                continue;
            g.setColour (juce::Colour (0xff86898e));
            g.fillRect (1, row, size - 2, 1);
            g.setColour (juce::Colour (0xffe2e4e7));
            g.fillRect (1, row + 1, size - 2, 1);
        }
    }

    g.setColour (juce::Colour (0xff2b2c2f));
    g.fillRect (1, centreRow, size - 2, 1);
    g.setColour (juce::Colour (0xffe8eaed));
    g.fillRect (1, centreRow + 1, size - 2, 1);

    g.setColour (juce::Colour (0xfff4f5f7));
    g.fillRect (0, 0, size, 1);
    g.fillRect (0, 0, 1, size);
    g.setColour (juce::Colour (0xff6e7176));
    g.fillRect (size - 1, 0, 1, size);

    g.setColour (juce::Colour (0xff505257));
    g.fillRect (0, size - 3, size, 1);
    g.setColour (juce::Colour (0xff2a2b2e));
    g.fillRect (0, size - 2, size, 2);
    return thumb;
}
