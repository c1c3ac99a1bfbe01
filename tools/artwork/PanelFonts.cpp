#include "PanelFonts.h"

#include <cmath>

namespace
{
    juce::Typeface::Ptr loadTypeface (const juce::File& file, juce::String& errorMessage)
    {
        juce::MemoryBlock data;
        if (! file.loadFileAsData (data) || data.isEmpty())
        {
            errorMessage = "cannot read the font file " + file.getFullPathName();
            return nullptr;
        }

        auto typeface = juce::Typeface::createSystemTypefaceFor (data.getData(), data.getSize());
        if (typeface == nullptr)
            errorMessage = "cannot use the font file " + file.getFullPathName();
        return typeface;
    }
}

std::optional<PanelFonts> PanelFonts::load (const juce::File& fontFolder, juce::String& errorMessage)
{
    const auto bold = loadTypeface (fontFolder.getChildFile ("DejaVuSans-Bold.ttf"), errorMessage);
    const auto condensedBold = loadTypeface (fontFolder.getChildFile ("DejaVuSansCondensed-Bold.ttf"), errorMessage);
    const auto boldOblique = loadTypeface (fontFolder.getChildFile ("DejaVuSans-BoldOblique.ttf"), errorMessage);

    if (bold == nullptr || condensedBold == nullptr || boldOblique == nullptr)
        return std::nullopt;

    // DejaVu's capitals and figures stand 0.626 of the font height tall: these heights give them
    // whole pixels (6, 5, 8 and 13).
    return PanelFonts { juce::Font (bold).withHeight (9.58f).withExtraKerningFactor (0.06f),
                        juce::Font (condensedBold).withHeight (7.99f),
                        juce::Font (bold).withHeight (12.78f).withExtraKerningFactor (0.14f),
                        juce::Font (boldOblique).withHeight (20.77f) };
}

void engraveText (juce::Graphics& g, const juce::String& text, const juce::Font& font,
                  juce::Point<int> anchor, juce::Justification justification)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (font, text, 0.0f, 0.0f);

    const auto width = glyphs.getBoundingBox (0, -1, false).getRight();
    auto left = static_cast<float> (anchor.x);
    if (justification.testFlags (juce::Justification::horizontallyCentred))
        left -= std::round (width / 2.0f);
    else if (justification.testFlags (juce::Justification::right))
        left -= std::round (width);

    for (int i = 0; i < glyphs.getNumGlyphs(); ++i)
    {
        auto& glyph = glyphs.getGlyph (i);
        glyph.moveBy (std::round (left + glyph.getLeft()) - glyph.getLeft(), static_cast<float> (anchor.y));
    }

    g.setColour (juce::Colours::white.withAlpha (0.55f));
    glyphs.draw (g, juce::AffineTransform::translation (0.0f, 1.0f));
    g.setColour (engravingInk);
    glyphs.draw (g);
}
