#include "CoalescedChangeNotifier.h"

CoalescedChangeNotifier::CoalescedChangeNotifier (juce::ChangeBroadcaster& broadcasterToUse)
    : broadcaster (broadcasterToUse)
{
}

CoalescedChangeNotifier::~CoalescedChangeNotifier()
{
    stopTimer();
}

void CoalescedChangeNotifier::post() noexcept
{
    pending.store (true, std::memory_order_release);
}

void CoalescedChangeNotifier::deliverPending()
{
    if (pending.exchange (false, std::memory_order_acquire))
        broadcaster.sendSynchronousChangeMessage();
}

void CoalescedChangeNotifier::startWatching()
{
    if (watchers++ == 0)
        startTimer (lookIntervalMs);
}

void CoalescedChangeNotifier::stopWatching()
{
    if (watchers > 0 && --watchers == 0)
        stopTimer();
}

void CoalescedChangeNotifier::timerCallback()
{
    deliverPending();
}
