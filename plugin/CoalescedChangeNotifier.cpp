#include "CoalescedChangeNotifier.h"

CoalescedChangeNotifier::CoalescedChangeNotifier (juce::ChangeBroadcaster& broadcasterToUse)
    : broadcaster (broadcasterToUse)
{
    startTimer (lookIntervalMs);
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

void CoalescedChangeNotifier::timerCallback()
{
    deliverPending();
}
