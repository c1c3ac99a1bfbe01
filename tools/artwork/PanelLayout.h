#pragma once

#include <juce_graphics/juce_graphics.h>

#include <array>

// Where the editor's controls sit on the panel, in window pixels. The background is drawn around
// these places, and the control images are cut to these sizes.
namespace PanelLayout
{
    constexpr int width = 430;
    constexpr int height = 110;

    constexpr int knobFrameCount = 21;
    const juce::Rectangle<int> knobArea { 12, 14, 78, 79 };

    constexpr int buttonWidth = 19;
    constexpr int buttonHeight = 17;
    const juce::Point<int> leftButtonPicture { 90, 80 };
    const juce::Point<int> rightButtonPicture { 111, 80 };

    // The light bezel spans x 134..332 and y 27..76; the glass's dark rim runs along x 139..327, y 32..72.
    const juce::Rectangle<int> lcdBezel { 134, 27, 199, 50 };
    const juce::Rectangle<int> lcdRim { 139, 32, 189, 41 };

    // Recessed strip x 381..404, y 14..98, with the slot x 392..394, y 23..90.
    const juce::Rectangle<int> sliderChannel { 381, 14, 24, 85 };
    const juce::Rectangle<int> sliderSlot { 392, 23, 3, 68 };

    constexpr int thumbSize = 23;

    struct ScaleMark
    {
        const char* text;
        int row;
    };

    // About ten pixels per 3 dB; +3 and -15 sit within two rows of the thumb centre's travel ends (27 and 86).
    constexpr std::array<ScaleMark, 7> levelScale { { { "+3", 25 }, { "0", 35 }, { "-3", 47 }, { "-6", 56 },
                                                      { "-9", 66 }, { "-12", 77 }, { "-15", 87 } } };
}
