#pragma once

#include "ParameterMapping.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <mutex>

// One factory program: a name and five normalised values in parameter order. The "Mix" value is
// never applied: choosing a program keeps the listener's own wet/dry balance.
struct ProgramRecord
{
    juce::String name;
    std::atomic<float> values[numParameters] {};
};

// The 24 factory programs, built for a sample rate: a program keeps its cut-off in hertz, so its
// "FCut" value depends on the rate.
//
// Threads: values are atomics, so a program can be applied from any thread (the audio thread
// included) without a lock. Names are guarded by a lock, because a rebuild or a rename replaces
// them while a host may be reading one; name calls never come from the audio thread.
class Programs
{
public:
    static constexpr int numPrograms = 24;

    explicit Programs (double sampleRate);

    // Restores every factory name and value, computing the "FCut" values for the rate.
    void initPrograms (double sampleRate);

    static bool isProgramNumber (int number) noexcept
    {
        return static_cast<unsigned> (number) < static_cast<unsigned> (numPrograms);
    }

    // Callers pass program numbers 0..23 and parameter indices 0..4.
    float getValue (int number, int parameterIndex) const noexcept;
    juce::String getName (int number) const;
    void setName (int number, const juce::String& newName);

    // The "FCut" value that makes the engine's cut-off mapping give cutoff at the rate, within 0..1.
    static float fcutValueFor (double cutoff, double sampleRate) noexcept;

private:
    ProgramRecord records[numPrograms];
    mutable std::mutex nameLock;
};
