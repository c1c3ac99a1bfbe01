#pragma once

#include <juce_events/juce_events.h>

#include <atomic>

// Tells a broadcaster's listeners, on the message thread, that something changed, however often
// and from whatever threads the change is posted. Posts that arrive before the listeners have heard
// of the last one come as one call.
//
// A plain change message would be posted again as soon as its delivery starts, so a thread that
// keeps posting keeps JUCE's message queue from ever running dry. Here a post that arrives while
// the listeners are being called waits for a short timer instead, and the queue gets to empty.
class CoalescedChangeNotifier : private juce::AsyncUpdater,
                                private juce::Timer
{
public:
    explicit CoalescedChangeNotifier (juce::ChangeBroadcaster& broadcasterToUse);

    // Made and deleted on the message thread.
    ~CoalescedChangeNotifier() override;

    // Callable from any thread, the audio thread included: once a message is on its way, further
    // posts only set a flag.
    void post();

private:
    void handleAsyncUpdate() override;
    void timerCallback() override;
    void deliver();

    juce::ChangeBroadcaster& broadcaster;
    std::atomic<bool> pending { false };

    JUCE_DECLARE_NON_COPYABLE (CoalescedChangeNotifier)
};
