#pragma once

#include <memory>

// Keeps JUCE's GUI and message support alive while any plug-in instance exists. A Linux host does not
// run JUCE's message loop, so while no editor is open the plug-in runs a message thread of its own: the
// first instance starts it, the last one stops it. Instances may come and go on any threads.
class ScopedJuceRuntime
{
public:
    ScopedJuceRuntime();
    ~ScopedJuceRuntime();

    ScopedJuceRuntime (const ScopedJuceRuntime&) = delete;
    ScopedJuceRuntime& operator= (const ScopedJuceRuntime&) = delete;
};

// While an editor is open, the host's GUI thread is JUCE's message thread: Linux hosts drive their
// plug-ins' editors from that thread and call their idle opcode regularly, and they may hold locks of
// their own around every call, which a second thread calling back into the host would wait for. One
// of these, held by each open editor, pauses the plug-in's own message thread and makes the thread
// that took it JUCE's message thread; the last one to go hands JUCE back. Every instance shares the
// one message thread, so while any holds one, only the same host thread can take another.
class HostMessageThread
{
public:
    // Empty when another host thread drives JUCE at the moment. Needs a ScopedJuceRuntime alive.
    static std::unique_ptr<HostMessageThread> take();
    ~HostMessageThread();

    HostMessageThread (const HostMessageThread&) = delete;
    HostMessageThread& operator= (const HostMessageThread&) = delete;

    static bool isCallingThread();

    // Delivers what JUCE has pending (X events, repaints, timers, asynchronous messages) when called
    // on the host thread that drives JUCE; anywhere else it does nothing. A call from inside a
    // delivery, where a host answers the plug-in's request for idle time by idling it again, returns
    // at once.
    static void deliverPendingMessages();

private:
    HostMessageThread() = default;
};
