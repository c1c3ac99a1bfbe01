#pragma once

#include <juce_graphics/juce_graphics.h>

#include <optional>

// The typefaces printed on the panel, loaded from the DejaVu font files so that the artwork does not
// depend on which fonts the machine would pick by default.
struct PanelFonts
{
    juce::Font caption;
    juce::Font scale;
    juce::Font logo;
    juce::Font wordmark;

    // Nothing, and a reason in errorMessage, when a font file is missing or unreadable.
    static std::optional<PanelFonts> load (const juce::File& fontFolder, juce::String& errorMessage);
};

// The dark grey of everything engraved into the panel.
inline const juce::Colour engravingInk { 0xff2a2b2e };

// Text printed into the metal: dark ink with a faint highlight on its lower edge. The baseline sits on
// the given row and every glyph starts on a whole pixel, which keeps small captions sharp. The
// anchor's x is the text's left end, centre or right end, as the justification says.
void engraveText (juce::Graphics& g, const juce::String& text, const juce::Font& font,
                  juce::Point<int> anchor, juce::Justification justification);
