#include "JuceRuntime.h"

#include "PluginXConnection.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace juce
{
// One step of JUCE's Linux message loop: every ready event source (X events, posted messages) is
// handed its callback. JUCE's own plug-in clients drive it the same way.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
// Rounds of ready event sources that one delivery serves at most, so that a source that keeps
// becoming ready cannot hold the host's thread.
constexpr int maxDeliveryRounds = 8;

// Serialises starting and stopping the plug-in's own message thread; that thread never takes it.
// Taken before a Runtime's lock, never after.
std::mutex lifecycleLock;
int users = 0;

// Who runs JUCE's messages: the plug-in's own thread, or the host thread that holds JUCE. The first
// instance makes it and the last one deletes it, once the thread has ended; a host that exits with
// instances still open leaves it, and the thread waiting on it, alone.
struct Runtime
{
    std::thread ownThread;
    std::promise<void> stopRequestPosted;

    std::mutex lock;
    std::condition_variable changed;
    bool stopRequested = false;
    bool ownThreadPaused = false;
    int openEditors = 0;

    bool held = false;
    std::thread::id holder;
    // The holder's calls into the plug-in that are under way, nested ones included.
    int callDepth = 0;
    // What the holder does before it lets go of JUCE, in the order it was asked for.
    std::vector<std::function<void()>> handedOver;
    // The last instance went while its thread held JUCE: the runtime stops once that thread lets go.
    bool lastUserGone = false;

    // Called with the lock held.
    bool isHeldBy (std::thread::id thread) const noexcept { return held && holder == thread; }
    bool ownThreadMustPause() const noexcept { return (held || openEditors > 0) && ! stopRequested; }
};

Runtime* current = nullptr;

Runtime& runtime()
{
    return *current;
}

// Wakes the plug-in's own message thread from its wait for the next message.
void wakeOwnThread()
{
    juce::MessageManager::callAsync ([] {});
}

// The plug-in's own thread calls nothing of the host's, so waiting for it to finish the message in
// hand cannot close a circle through a host's lock.
void take (Runtime& state, std::unique_lock<std::mutex>& lock)
{
    state.held = true;
    state.holder = std::this_thread::get_id();
    // Only without an open editor does a thread that let go of JUCE wait for the plug-in's own thread,
    // and that wait ends here too. With one open, the paused thread is left asleep.
    if (state.openEditors == 0)
        state.changed.notify_all();
    if (! state.ownThreadPaused)
    {
        wakeOwnThread();
        state.changed.wait (lock, [&state] { return state.ownThreadPaused; });
    }
    juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
}

// A call into the plug-in by a host thread that may hold JUCE: the first takes it.
void enterCall (Runtime& state, std::unique_lock<std::mutex>& lock)
{
    if (! state.held)
        take (state, lock);
    ++state.callDepth;
}

void stop (Runtime& state)
{
    {
        const std::lock_guard<std::mutex> lock (state.lock);
        state.stopRequested = true;
        state.changed.notify_all();
    }
    // JUCE's message manager goes only once this wake-up is posted.
    wakeOwnThread();
    state.stopRequestPosted.set_value();
    state.ownThread.join();
    delete current;
    current = nullptr;
}

// Does the work handed over, then lets go of JUCE. With no editor left JUCE goes back to the plug-in's
// own thread, and the caller waits until that thread has taken over, since JUCE reads which thread is
// its message thread without a lock (the message manager lock, for one, does).
void finish (Runtime& state, std::unique_lock<std::mutex> lock)
{
    while (! state.handedOver.empty())
    {
        auto work = std::move (state.handedOver);
        state.handedOver.clear();
        lock.unlock();
        for (auto& step : work)
            step();
        lock.lock();
    }

    state.held = false;
    state.holder = {};
    if (state.openEditors == 0)
    {
        state.changed.notify_all();
        state.changed.wait (lock, [&state] { return ! state.ownThreadPaused || state.held; });
    }

    const auto mayStop = std::exchange (state.lastUserGone, false);
    lock.unlock();
    if (! mayStop)
        return;

    const std::lock_guard<std::mutex> lifecycle (lifecycleLock);
    if (users == 0 && current == &state)
        stop (state);
}

void runWithJuce (std::function<void()> work, bool waitForUnwinding)
{
    auto& state = runtime();
    std::unique_lock<std::mutex> lock (state.lock);
    const auto caller = std::this_thread::get_id();

    if (state.held && (! state.isHeldBy (caller) || (waitForUnwinding && state.callDepth > 0)))
    {
        state.handedOver.push_back (std::move (work));
        return;
    }

    if (state.isHeldBy (caller))
    {
        lock.unlock();
        work();
        return;
    }

    take (state, lock);
    lock.unlock();
    work();
    lock.lock();
    finish (state, std::move (lock));
}

void runOwnMessageThread (Runtime& state, std::promise<void>& started, std::shared_future<void> mayShutDown)
{
    juce::initialiseJuce_GUI();
    auto* messageManager = juce::MessageManager::getInstance();
    messageManager->setCurrentThreadAsMessageThread();
    started.set_value();

    for (;;)
    {
        {
            std::unique_lock<std::mutex> lock (state.lock);
            if (state.ownThreadMustPause())
            {
                state.ownThreadPaused = true;
                state.changed.notify_all();
                state.changed.wait (lock, [&state] { return ! state.ownThreadMustPause(); });
                messageManager->setCurrentThreadAsMessageThread();
                state.ownThreadPaused = false;
                state.changed.notify_all();
            }
            if (state.stopRequested)
                break;
        }
        juce::dispatchNextMessageOnSystemQueue (false);
    }

    // The thread that asked us to stop may still be inside the message queue it posted to.
    mayShutDown.wait();
    juce::shutdownJuce_GUI();
}
} // namespace

ScopedJuceRuntime::ScopedJuceRuntime()
{
    const std::lock_guard<std::mutex> lifecycle (lifecycleLock);

    if (users++ > 0)
        return;

    if (current != nullptr)
    {
        // The last instance went a moment ago, and the thread that deleted it has not let go of JUCE.
        const std::lock_guard<std::mutex> lock (current->lock);
        current->lastUserGone = false;
        return;
    }

    current = new Runtime();
    std::promise<void> started;
    auto ready = started.get_future();
    current->ownThread = std::thread (runOwnMessageThread, std::ref (*current), std::ref (started),
                                      current->stopRequestPosted.get_future().share());
    ready.wait();
}

ScopedJuceRuntime::~ScopedJuceRuntime()
{
    const std::lock_guard<std::mutex> lifecycle (lifecycleLock);

    if (--users > 0)
        return;

    auto& state = runtime();
    {
        const std::lock_guard<std::mutex> lock (state.lock);
        if (state.isHeldBy (std::this_thread::get_id()))
        {
            state.lastUserGone = true;
            return;
        }
    }
    stop (state);
}

std::unique_ptr<HostJuceCall> HostJuceCall::enter()
{
    auto& state = runtime();
    std::unique_lock<std::mutex> lock (state.lock);

    if (state.held && ! state.isHeldBy (std::this_thread::get_id()))
        return {};

    enterCall (state, lock);
    return std::unique_ptr<HostJuceCall> (new HostJuceCall());
}

HostJuceCall::~HostJuceCall()
{
    auto& state = runtime();
    std::unique_lock<std::mutex> lock (state.lock);
    if (--state.callDepth == 0)
        finish (state, std::move (lock));
}

void HostJuceCall::deliverPendingMessages()
{
    std::unique_ptr<HostJuceCall> call;
    {
        auto& state = runtime();
        std::unique_lock<std::mutex> lock (state.lock);
        if (state.held || state.openEditors == 0)
            return;
        enterCall (state, lock);
        call.reset (new HostJuceCall());
    }

    PluginXConnection::handleQueuedEvents();
    for (int round = 0; round < maxDeliveryRounds && juce::dispatchNextMessageOnSystemQueue (true); ++round)
    {
    }
}

void HostJuceCall::run (std::function<void()> work)
{
    runWithJuce (std::move (work), false);
}

void HostJuceCall::runUnwound (std::function<void()> work)
{
    runWithJuce (std::move (work), true);
}

HostDeliversMessages::HostDeliversMessages()
{
    auto& state = runtime();
    const std::lock_guard<std::mutex> lock (state.lock);
    ++state.openEditors;
}

HostDeliversMessages::~HostDeliversMessages()
{
    auto& state = runtime();
    const std::lock_guard<std::mutex> lock (state.lock);
    --state.openEditors;
}
