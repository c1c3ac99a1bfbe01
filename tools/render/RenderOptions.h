#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <vector>

// The render tool's command line.
struct RenderOptions
{
    struct ParameterSetting
    {
        juce::String name;
        float value;
    };

    juce::File input;                            // none: the built-in test sound
    juce::File output { juce::File::getCurrentWorkingDirectory().getChildFile ("halvorn-render.wav") };
    juce::String program { "0" };                // a number or a name
    std::vector<ParameterSetting> parameters;
    int blockSize = 512;
    std::optional<double> tailSeconds;           // none: long enough for the program's decay
    juce::File plugin { HALVORN_DEFAULT_PLUGIN }; // the VST plug-in to load
    bool describe = false;                        // print what a host sees instead of rendering
    bool showHelp = false;
};

// The options, or the one-line reason why the command line is not usable.
struct ParsedOptions
{
    std::optional<RenderOptions> options;
    juce::String error;
};

ParsedOptions parseRenderOptions (const juce::StringArray& arguments);

// A whole decimal number, or nothing for any other text (trailing characters included).
std::optional<double> parseNumber (const juce::String& text);

extern const char* const renderUsage;
