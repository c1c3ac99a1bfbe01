// processBlock in 512-sample stereo blocks: at 44100 Hz against juce::Reverb on the same buffers, and at
// 384 kHz with and without a change fade starting in every block.
// Counters: ns per stereo sample frame and the multiple of real time on one core.

#include "ParameterMapping.h"
#include "PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace
{
constexpr double sampleRate = 44100.0;
constexpr double highSampleRate = 384000.0;
constexpr int blockSize = 512;
constexpr int numBlocks = 64; // a few seconds' worth of varied input, cycled

juce::AudioBuffer<float> makeInput (bool silent)
{
    juce::AudioBuffer<float> input (2, blockSize * numBlocks);
    input.clear();
    if (! silent)
    {
        juce::Random random (42);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < input.getNumSamples(); ++i)
                input.setSample (ch, i, (random.nextFloat() - 0.5f) * 0.5f);
    }
    return input;
}

using Clock = std::chrono::steady_clock;

// Only the processing call is timed, not the copy of the next input block into the buffer nor what
// happens before each block.
template <typename Process, typename BeforeBlock>
void timeBlocks (benchmark::State& state, double rate, const juce::AudioBuffer<float>& input, juce::AudioBuffer<float>& buffer,
                 Process&& process, BeforeBlock&& beforeBlock)
{
    double seconds = 0.0;
    int block = 0;

    for (auto _ : state)
    {
        for (int ch = 0; ch < 2; ++ch)
            buffer.copyFrom (ch, 0, input, ch, block * blockSize, blockSize);
        beforeBlock();

        const auto start = Clock::now();
        process();
        const auto elapsed = std::chrono::duration<double> (Clock::now() - start).count();
        benchmark::DoNotOptimize (buffer.getReadPointer (0));

        state.SetIterationTime (elapsed);
        seconds += elapsed;
        block = (block + 1) % numBlocks;
    }

    const auto frames = static_cast<double> (state.iterations()) * blockSize;
    state.counters["ns_per_sample"] = seconds * 1.0e9 / frames;
    state.counters["x_realtime"] = frames / rate / seconds;
}

enum class Changes
{
    none,
    decayEveryBlock
};

void runHalvorn (benchmark::State& state, double rate, bool silent, Changes changes)
{
    std::unique_ptr<juce::AudioProcessor> processor (createPluginFilterOfType (juce::AudioProcessor::wrapperType_Undefined));
    processor->setPlayConfigDetails (2, 2, rate, blockSize);
    processor->prepareToPlay (rate, blockSize);
    processor->setCurrentProgram (11); // "11 - Hall"
    const auto input = makeInput (silent);
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;

    // A "Decay" jump before every block: each block turns the fade-in of the last one into a fade-out
    // that ends within the block, so every block silences all the delay memories.
    bool upper = false;
    const auto changeDecay = [&] {
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
        if (changes == Changes::decayEveryBlock)
            processor->setParameter (decayParameter, (upper = ! upper) ? 0.6f : 0.4f);
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    };

    timeBlocks (state, rate, input, buffer, [&] {
        const juce::ScopedLock lock (processor->getCallbackLock());
        processor->processBlock (buffer, midi);
    }, changeDecay);
}

void HalvornSignal (benchmark::State& state) { runHalvorn (state, sampleRate, false, Changes::none); }
void HalvornSilence (benchmark::State& state) { runHalvorn (state, sampleRate, true, Changes::none); }
void HalvornSignal384k (benchmark::State& state) { runHalvorn (state, highSampleRate, false, Changes::none); }
void HalvornFadeEveryBlock384k (benchmark::State& state) { runHalvorn (state, highSampleRate, false, Changes::decayEveryBlock); }

void JuceReverbSignal (benchmark::State& state)
{
    juce::Reverb reverb;
    reverb.setSampleRate (sampleRate);
    juce::Reverb::Parameters parameters;
    parameters.roomSize = 0.7f;
    parameters.wetLevel = 0.5f;
    parameters.dryLevel = 0.5f;
    reverb.setParameters (parameters);
    const auto input = makeInput (false);
    juce::AudioBuffer<float> buffer (2, blockSize);

    timeBlocks (state, sampleRate, input, buffer, [&] {
        reverb.processStereo (buffer.getWritePointer (0), buffer.getWritePointer (1), blockSize);
    }, [] {});
}
} // namespace

BENCHMARK (JuceReverbSignal)->UseManualTime()->MinTime (1.0);
BENCHMARK (HalvornSignal)->UseManualTime()->MinTime (1.0);
BENCHMARK (HalvornSilence)->UseManualTime()->MinTime (1.0);
BENCHMARK (HalvornSignal384k)->UseManualTime()->MinTime (1.0);
BENCHMARK (HalvornFadeEveryBlock384k)->UseManualTime()->MinTime (1.0);

BENCHMARK_MAIN();
