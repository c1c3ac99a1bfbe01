#include "CoalescedChangeNotifier.h"

namespace
{
// Long enough for the message queue to run dry between deliveries, short enough to look immediate.
constexpr int retryDelayMs = 5;
} // namespace

CoalescedChangeNotifier::CoalescedChangeNotifier (juce::ChangeBroadcaster& broadcasterToUse)
    : broadcaster (broadcasterToUse)
{
}

CoalescedChangeNotifier::~CoalescedChangeNotifier()
{
    cancelPendingUpdate();
    stopTimer();
}

void CoalescedChangeNotifier::post()
{
    if (! pending.exchange (true))
        triggerAsyncUpdate();
}

void CoalescedChangeNotifier::handleAsyncUpdate()
{
    // The timer delivers what this message was posted for.
    if (isTimerRunning())
        return;

    deliver();
}

void CoalescedChangeNotifier::timerCallback()
{
    stopTimer();
    deliver();
}

void CoalescedChangeNotifier::deliver()
{
    pending = false;
    broadcaster.sendSynchronousChangeMessage();

    if (pending)
        startTimer (retryDelayMs);
}
