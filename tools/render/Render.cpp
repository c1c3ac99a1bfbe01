// Renders audio through Halvorn as a host would: reads a file (or makes a test sound), runs it through
// the plug-in in host-sized blocks, appends the reverb tail and writes a 32-bit float WAV file.

#include "DecimalText.h"
#include "ParameterMapping.h"
#include "PluginEditor.h"
#include "RenderOptions.h"
#include "RenderSession.h"
#include "TestSound.h"
#include "VstRenderTarget.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <iostream>
#include <memory>

namespace
{
constexpr double testSoundSampleRate = 44100.0;
constexpr double extraTailSeconds = 0.5;

struct RenderError
{
    juce::String message;
};

struct InputSound
{
    juce::AudioBuffer<float> audio;
    double sampleRate;
};

InputSound loadInput (const juce::File& file)
{
    if (file == juce::File())
        return { makeTestSound (testSoundSampleRate), testSoundSampleRate };

    if (! file.existsAsFile())
        throw RenderError { "input file '" + file.getFullPathName() + "' does not exist" };

    juce::AudioFormatManager formats;
    formats.registerFormat (new juce::WavAudioFormat(), true);
    formats.registerFormat (new juce::AiffAudioFormat(), false);
    const std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

    if (reader == nullptr)
        throw RenderError { "cannot read '" + file.getFullPathName() + "': not a WAV or AIFF file, or damaged" };
    if (reader->numChannels < 1 || reader->lengthInSamples <= 0 || ! (reader->sampleRate > 0.0))
        throw RenderError { "'" + file.getFullPathName() + "' holds no audio" };
    if (reader->lengthInSamples > std::numeric_limits<int>::max() / 2)
        throw RenderError { "'" + file.getFullPathName() + "' is too long" };

    const auto length = static_cast<int> (reader->lengthInSamples);
    juce::AudioBuffer<float> audio (2, length);
    // A mono file plays as a centred source; files with more channels give their first two.
    if (! reader->read (&audio, 0, length, 0, true, reader->numChannels > 1))
        throw RenderError { "cannot read the audio of '" + file.getFullPathName() + "'" };
    if (reader->numChannels == 1)
        audio.copyFrom (1, 0, audio, 0, 0, length);

    return { std::move (audio), reader->sampleRate };
}

int findProgram (RenderTarget& target, const juce::String& wanted)
{
    const auto count = target.getNumPrograms();

    if (wanted.containsOnly ("0123456789"))
    {
        const auto number = wanted.getIntValue();
        if (number >= 0 && number < count && wanted.length() <= 3)
            return number;
        throw RenderError { "no program number " + wanted + " (there are " + juce::String (count) + ", 0 to " + juce::String (count - 1) + ")" };
    }

    for (int program = 0; program < count; ++program)
    {
        const auto name = target.getProgramName (program);
        if (name.equalsIgnoreCase (wanted) || name.fromFirstOccurrenceOf (" - ", false, false).equalsIgnoreCase (wanted))
            return program;
    }

    throw RenderError { "no program named '" + wanted + "'" };
}

int findParameter (RenderTarget& target, const juce::String& wanted)
{
    for (int index = 0; index < target.getNumParameters(); ++index)
        if (target.getParameterName (index).equalsIgnoreCase (wanted))
            return index;

    throw RenderError { "no parameter named '" + wanted + "' (Mix, Predelay, Decay, FCut, Volume)" };
}

// The values as the plug-in's display shows them, with their units.
juce::String describeSettings (RenderTarget& target, double sampleRate)
{
    const char* units[numParameters] = { "", " ms", " ms", " Hz", " dB" };
    juce::StringArray settings;
    for (int index = 0; index < numParameters; ++index)
        settings.add (target.getParameterName (index) + " " + getDisplayText (index, target.getParameter (index), sampleRate) + units[index]);
    return settings.joinIntoString (", ");
}

VstRenderTarget loadPlugin (const juce::File& plugin)
{
    std::string error;
    auto effect = VstHostedEffect::load (plugin.getFullPathName().toStdString(), error);
    if (effect == nullptr)
        throw RenderError { juce::String (error) };
    return VstRenderTarget (std::move (effect));
}

// What a host sees of the plug-in: its record, its names, its programs and its parameters.
int describe (const juce::File& plugin)
{
    auto target = loadPlugin (plugin);
    auto& effect = target.getEffect();
    const auto& record = effect.record();
    const auto code = static_cast<std::uint32_t> (record.uniqueID);
    const char identifier[] = { static_cast<char> (code >> 24), static_cast<char> (code >> 16), static_cast<char> (code >> 8),
                                static_cast<char> (code), 0 };

    std::cout << "plug-in     " << plugin.getFullPathName() << "\n"
              << "effect      \"" << effect.getText (EffectOpcode::getEffectName) << "\" by \""
              << effect.getText (EffectOpcode::getVendorString) << "\", product \"" << effect.getText (EffectOpcode::getProductString)
              << "\", vendor version 0x" << juce::String::toHexString (static_cast<int> (effect.dispatch (EffectOpcode::getVendorVersion))) << "\n"
              << "record      id \"" << identifier << "\", version " << record.version << ", flags 0x"
              << juce::String::toHexString (record.flags) << ", " << record.numInputs << " in, " << record.numOutputs << " out, "
              << record.numPrograms << " programs, " << record.numParameters << " parameters, latency " << record.initialDelay
              << ", category " << effect.dispatch (EffectOpcode::getPlugCategory) << "\n"
              << "programs\n";
    for (int program = 0; program < target.getNumPrograms(); ++program)
        std::cout << "  " << juce::String (program).paddedLeft (' ', 2) << "  " << target.getProgramName (program) << "\n";

    std::cout << "parameters (current program " << target.getCurrentProgram() << ")\n";
    for (int index = 0; index < target.getNumParameters(); ++index)
        std::cout << "  " << index << "  " << target.getParameterName (index).paddedRight (' ', 9)
                  << formatDecimal (target.getParameter (index), 7) << "  \"" << effect.getText (EffectOpcode::getParameterDisplay, index) << "\"\n";
    return 0;
}

void writeWav (const juce::File& destination, const juce::AudioBuffer<float>& audio, double sampleRate)
{
    // Written beside the destination and moved into place only when complete: a failed run leaves no
    // partial file behind.
    const auto partial = destination.getSiblingFile ("." + destination.getFileName() + ".partial");
    {
        auto stream = partial.createOutputStream();
        if (stream == nullptr)
            throw RenderError { "cannot write '" + destination.getFullPathName() + "'" };

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::OutputStream> output (stream.release());
        const std::unique_ptr<juce::AudioFormatWriter> writer (
            wav.createWriterFor (output.get(), sampleRate, 2, 32, {}, 0));
        if (writer == nullptr)
            throw RenderError { "cannot write a WAV file at " + juce::String (sampleRate) + " Hz" };
        output.release();

        if (! writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples()))
        {
            partial.deleteFile();
            throw RenderError { "cannot write '" + destination.getFullPathName() + "'" };
        }
    }

    if (! partial.moveFileTo (destination))
    {
        partial.deleteFile();
        throw RenderError { "cannot write '" + destination.getFullPathName() + "'" };
    }
}

int render (const RenderOptions& options)
{
    if (options.describe)
        return describe (options.plugin);

    auto input = loadInput (options.input);
    const auto rate = input.sampleRate;

    auto target = loadPlugin (options.plugin);
    const auto program = findProgram (target, options.program);
    std::vector<ParameterValue> values;
    for (const auto& setting : options.parameters)
        values.push_back ({ findParameter (target, setting.name), setting.value });
    startProgram (target, rate, options.blockSize, program, values);

    const auto tailSeconds = options.tailSeconds.value_or (
        (predelayMs (target.getParameter (predelayParameter)) + decayTimeMs (target.getParameter (decayParameter))) * 0.001
        + extraTailSeconds);
    const auto inputLength = input.audio.getNumSamples();
    const auto totalLength = inputLength + static_cast<int> (tailSeconds * rate);

    const auto started = juce::Time::getMillisecondCounterHiRes();
    const auto audio = playThrough (target, input.audio, totalLength, options.blockSize);
    const auto elapsedSeconds = juce::jmax (1.0e-6, (juce::Time::getMillisecondCounterHiRes() - started) * 0.001);

    writeWav (options.output, audio, rate);

    const auto peak = juce::jmax (audio.getMagnitude (0, 0, totalLength), audio.getMagnitude (1, 0, totalLength));
    std::cout << "plug-in  " << options.plugin.getFullPathName() << "\n"
              << "program  " << target.getCurrentProgram() << " \"" << target.getProgramName (target.getCurrentProgram()) << "\"\n"
              << "values   " << describeSettings (target, rate) << "\n"
              << "input    " << (options.input == juce::File() ? juce::String ("built-in test sound") : options.input.getFullPathName())
              << ", " << rate << " Hz, " << inputLength << " samples + " << (totalLength - inputLength) << " samples of tail\n"
              << "output   " << options.output.getFullPathName() << "\n"
              << "peak     " << formatDecimal (juce::Decibels::gainToDecibels (peak, -200.0f), 1) << " dBFS\n"
              << "speed    " << formatDecimal (totalLength / rate / elapsedSeconds, 0) << " x realtime\n";
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::StringArray arguments;
    for (int i = 1; i < argc; ++i)
        arguments.add (juce::String::fromUTF8 (argv[i]));

    const auto parsed = parseRenderOptions (arguments);
    if (! parsed.options)
    {
        std::cerr << "halvorn_render: " << parsed.error << " (see --help)\n";
        return 2;
    }

    if (parsed.options->showHelp)
    {
        std::cout << renderUsage;
        return 0;
    }

    try
    {
        return render (*parsed.options);
    }
    catch (const RenderError& error)
    {
        std::cerr << "halvorn_render: " << error.message << "\n";
        return 1;
    }
}
