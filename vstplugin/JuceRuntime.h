#pragma once

// Keeps JUCE's GUI and message support alive while any plug-in instance exists. A Linux host does not
// run JUCE's message loop, so the plug-in runs a message thread of its own: the first instance starts
// it, the last one stops it. Instances may come and go on any threads.
class ScopedJuceRuntime
{
public:
    ScopedJuceRuntime();
    ~ScopedJuceRuntime();

    ScopedJuceRuntime (const ScopedJuceRuntime&) = delete;
    ScopedJuceRuntime& operator= (const ScopedJuceRuntime&) = delete;
};
