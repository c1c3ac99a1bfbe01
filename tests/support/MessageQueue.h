#pragma once

#include "CoalescedChangeNotifier.h"

#include <juce_events/juce_events.h>

#include <chrono>
#include <thread>

namespace juce
{
// JUCE's own dispatch step of the Linux message loop; its plug-in wrappers drive the loop with it.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

// Delivers every message posted so far: async slider notifications, button clicks, change broadcasts.
inline void dispatchPendingMessages()
{
    while (juce::dispatchNextMessageOnSystemQueue (true))
    {
    }
}

// Delivers messages until the processor's change notices have been looked for once more. A timer of
// the same period, started now, comes due no earlier than theirs.
inline void dispatchChangeNotices()
{
    struct Tick : juce::Timer
    {
        void timerCallback() override { ticked = true; }
        bool ticked = false;
    } tick;

    tick.startTimer (CoalescedChangeNotifier::lookIntervalMs);
    while (! tick.ticked)
    {
        dispatchPendingMessages();
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    }
    dispatchPendingMessages();
}
