// Draws the editor's five PNG images into the given folder:
//   halvorn_artwork_generator <output-dir>
// writes bmp00128.png (background), bmp00129.png (knob strip), bmp00130.png ("Left" key),
// bmp00131.png ("Right" key) and bmp00132.png (level slider thumb). A re-run gives identical files.

#include "ArtworkSet.h"
#include "PngFile.h"

#include <juce_events/juce_events.h>

#include <iostream>

namespace
{
    const char* const fontFolder = "/usr/share/fonts/truetype/dejavu";

    bool writeAll (const ArtworkSet& artwork, const juce::File& folder)
    {
        const std::pair<const juce::Image*, const char*> files[] {
            { &artwork.background, "bmp00128.png" }, { &artwork.knobStrip, "bmp00129.png" },
            { &artwork.leftKey, "bmp00130.png" },    { &artwork.rightKey, "bmp00131.png" },
            { &artwork.thumb, "bmp00132.png" },
        };

        for (const auto& [image, name] : files)
        {
            juce::String error;
            if (! writeRgbPng (*image, folder.getChildFile (name), error))
            {
                std::cerr << "halvorn_artwork_generator: " << error << '\n';
                return false;
            }
        }
        return true;
    }
}

int main (int argc, char* argv[])
{
    if (argc != 2)
    {
        std::cerr << "usage: halvorn_artwork_generator <output-dir>\n";
        return 2;
    }

    const juce::ScopedJuceInitialiser_GUI juceGui;

    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    if (! folder.isDirectory())
    {
        std::cerr << "halvorn_artwork_generator: no such folder: " << argv[1] << '\n';
        return 1;
    }

    juce::String error;
    const auto fonts = PanelFonts::load (juce::File (fontFolder), error);
    if (! fonts)
    {
        std::cerr << "halvorn_artwork_generator: " << error << '\n';
        return 1;
    }

    return writeAll (ArtworkSet::draw (*fonts), folder) ? 0 : 1;
}
