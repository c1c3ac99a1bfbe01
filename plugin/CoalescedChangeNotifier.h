#pragma once

#include <juce_events/juce_events.h>

#include <atomic>

// Tells a broadcaster's listeners, on the message thread, that something changed, however often and
// from whatever threads the change is posted. Posts that arrive between two looks come as one call.
//
// Posting only sets a flag: a post from the audio thread allocates nothing, takes no lock and makes no
// system call, as posting a message to JUCE's queue would. A thread that keeps posting cannot keep the
// queue busy either. The message thread looks at the flag whenever it is asked to, and a hundred times
// a second while somebody watches; with nobody watching, nothing looks and nothing wakes.
class CoalescedChangeNotifier : private juce::Timer
{
public:
    // Often enough to look immediate where nobody asks sooner; rarely enough to cost nothing.
    static constexpr int lookIntervalMs = 10;

    explicit CoalescedChangeNotifier (juce::ChangeBroadcaster& broadcasterToUse);

    // Deleted on the message thread.
    ~CoalescedChangeNotifier() override;

    // Callable from any thread, the audio thread included.
    void post() noexcept;

    // Tells the listeners now if anything was posted since they last heard; on the message thread.
    void deliverPending();

    // A watcher comes or goes; the flag is looked at by itself while any is there. On the message thread.
    void startWatching();
    void stopWatching();

private:
    void timerCallback() override;

    juce::ChangeBroadcaster& broadcaster;
    std::atomic<bool> pending { false };
    int watchers = 0;

    JUCE_DECLARE_NON_COPYABLE (CoalescedChangeNotifier)
};
