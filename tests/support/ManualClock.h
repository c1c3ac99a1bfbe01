#pragma once

#include <juce_core/juce_core.h>

#include <atomic>

// A millisecond clock the tests move by hand, for the 200 ms rule between a state restore and a
// program change.
struct ManualClock
{
    static inline std::atomic<juce::uint32> now { 100000 };
    static juce::uint32 read() { return now.load(); }
};
