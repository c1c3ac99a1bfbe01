#pragma once

#include <juce_events/juce_events.h>

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
