#include "RenderOptions.h"

#include <cmath>
#include <cstdlib>

const char* const renderUsage =
    "usage: halvorn_render [options]\n"
    "  -i, --input FILE       WAV or AIFF file to process (default: a built-in test sound)\n"
    "  -o, --output FILE      32-bit float WAV to write (default: halvorn-render.wav)\n"
    "  -p, --program P        factory program by number (0-23) or name (default: 0)\n"
    "  -s, --set NAME=VALUE   set a parameter (Mix, Predelay, Decay, FCut, Volume) to a 0..1 value\n"
    "  -b, --block N          host block size in samples (default: 512)\n"
    "      --tail SECONDS     reverb tail appended after the input (default: from the decay time)\n"
    "      --plugin FILE      the VST plug-in to load (default: the one built with this tool)\n"
    "      --describe         print what a host sees of the plug-in, and render nothing\n"
    "  -h, --help             this text\n";

std::optional<double> parseNumber (const juce::String& text)
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty())
        return std::nullopt;

    const auto utf8 = trimmed.toStdString();
    char* end = nullptr;
    const auto value = std::strtod (utf8.c_str(), &end);

    if (end != utf8.c_str() + utf8.size() || ! std::isfinite (value))
        return std::nullopt;

    return value;
}

namespace
{
bool isOneOf (const juce::String& argument, std::initializer_list<const char*> spellings)
{
    for (const auto* spelling : spellings)
        if (argument == spelling)
            return true;
    return false;
}
} // namespace

ParsedOptions parseRenderOptions (const juce::StringArray& arguments)
{
    RenderOptions options;
    const auto fail = [] (const juce::String& error) { return ParsedOptions { std::nullopt, error }; };

    for (int i = 0; i < arguments.size(); ++i)
    {
        const auto& argument = arguments[i];
        const auto takesValue = isOneOf (argument, { "-i", "--input", "-o", "--output", "-p", "--program", "-s", "--set",
                                                  "-b", "--block", "--tail", "--plugin" });

        if (isOneOf (argument, { "-h", "--help" }))
        {
            options.showHelp = true;
            continue;
        }

        if (argument == "--describe")
        {
            options.describe = true;
            continue;
        }

        if (! takesValue)
            return fail ("unknown option '" + argument + "'");

        if (i + 1 >= arguments.size())
            return fail ("option " + argument + " needs a value");

        const auto value = arguments[++i];

        if (isOneOf (argument, { "-i", "--input" }))
            options.input = juce::File::getCurrentWorkingDirectory().getChildFile (value);
        else if (isOneOf (argument, { "-o", "--output" }))
            options.output = juce::File::getCurrentWorkingDirectory().getChildFile (value);
        else if (argument == "--plugin")
            options.plugin = juce::File::getCurrentWorkingDirectory().getChildFile (value);
        else if (isOneOf (argument, { "-p", "--program" }))
            options.program = value;
        else if (isOneOf (argument, { "-s", "--set" }))
        {
            if (! value.containsChar ('='))
                return fail ("--set takes NAME=VALUE, not '" + value + "'");

            const auto number = parseNumber (value.fromFirstOccurrenceOf ("=", false, false));
            if (! number || *number < 0.0 || *number > 1.0)
                return fail ("parameter value '" + value.fromFirstOccurrenceOf ("=", false, false) + "' is not a number from 0 to 1");

            options.parameters.push_back ({ value.upToFirstOccurrenceOf ("=", false, false).trim(), static_cast<float> (*number) });
        }
        else if (isOneOf (argument, { "-b", "--block" }))
        {
            const auto number = parseNumber (value);
            if (! number || *number < 1.0 || *number > 65536.0 || *number != std::floor (*number))
                return fail ("block size '" + value + "' is not a whole number from 1 to 65536");

            options.blockSize = static_cast<int> (*number);
        }
        else
        {
            const auto number = parseNumber (value);
            if (! number || *number < 0.0 || *number > 600.0)
                return fail ("tail '" + value + "' is not a number of seconds from 0 to 600");

            options.tailSeconds = *number;
        }
    }

    return { options, {} };
}
