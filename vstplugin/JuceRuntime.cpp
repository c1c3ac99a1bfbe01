#include "JuceRuntime.h"

#include "PluginXConnection.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
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

using Lock = std::unique_lock<std::mutex>;

enum class Owner
{
    ownThread,
    hostThread,
    nobody
};

// A start or a stop under way finishes before an instance goes on.
enum class Phase
{
    stopped,
    starting,
    running,
    stopping
};

// Work runs in the order of its place. Work that handed-over work leaves for later takes the place of
// the work it came from, ahead of anything asked after that: a window closed for another thread is
// deleted before an instance whose deletion that thread asked for next.
struct HandedOverWork
{
    std::function<void()> work;
    bool afterUnwinding;
    std::uint64_t place;
};

constexpr std::uint64_t noPlace = 0;

// Who owns JUCE, and the runtime's life. Guarded by `lock`; `holderId` is also read without it, by a
// thread asking whether it holds JUCE itself, which only that thread can change.
struct Runtime
{
    std::mutex lock;
    // Every wait names its whole condition. The own thread waits on ownThreadTurn, signalled when JUCE
    // goes back to it and when the runtime stops; host threads wait on changed, signalled at every other
    // change that their waits depend on. So delivering to an open editor does not wake the paused own
    // thread.
    std::condition_variable ownThreadTurn;
    std::condition_variable changed;

    Phase phase = Phase::stopped;
    int instances = 0;
    // Host threads inside one of the runtime's calls, which may still use it after letting go of JUCE.
    int hostThreadsInside = 0;

    Owner owner = Owner::ownThread;
    std::atomic<std::thread::id> holderId {};
    // The holder's calls into the plug-in under way, nested ones included, and its calls to the host.
    int holderDepth = 0;
    int holderCallsToHost = 0;
    // What the holder does for other threads, ordered by place; the place of the handed-over work that
    // the holder is running now, if any.
    std::vector<HandedOverWork> handedOver;
    std::uint64_t lastPlace = noPlace;
    std::uint64_t runningPlace = noPlace;

    // The own thread is JUCE's message thread and dispatching; only ever while it owns JUCE.
    bool ownThreadRunsJuce = false;
    bool stopWakeUpPosted = false;
    int editorWindows = 0;
    std::thread ownThread;
};

// Made once and never deleted, since the library stays loaded: a host that exits with instances still
// open leaves it, and the own thread waiting on it, alone.
Runtime& runtime()
{
    static auto* const instance = new Runtime();
    return *instance;
}

bool isHeldByCaller (const Runtime& state)
{
    return state.owner == Owner::hostThread && state.holderId.load() == std::this_thread::get_id();
}

// Every change of owner goes through here.
void setOwner (Runtime& state, Owner owner, std::thread::id holder = {})
{
    state.owner = owner;
    state.holderId = holder;
    state.changed.notify_all();
    if (owner == Owner::ownThread)
        state.ownThreadTurn.notify_one();
}

// Wakes the plug-in's own message thread from its wait for the next message.
void wakeOwnThread()
{
    juce::MessageManager::callAsync ([] {});
}

// The caller becomes the holder, with `callsUnderWay` of its calls into the plug-in. From the own
// thread it waits until that thread has finished the message in hand: that thread never calls the host.
void take (Runtime& state, Lock& lock, int callsUnderWay)
{
    setOwner (state, Owner::hostThread, std::this_thread::get_id());
    state.holderDepth = callsUnderWay;

    if (state.ownThreadRunsJuce)
    {
        lock.unlock();
        wakeOwnThread();
        lock.lock();
        state.changed.wait (lock, [&state] { return ! state.ownThreadRunsJuce; });
    }
    juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
}

// Runs what other threads handed over, one by one in order, until none is left; without `unwound`, only
// the work that may run while the holder is still inside a call.
void runHandedOver (Runtime& state, Lock& lock, bool unwound)
{
    const auto outerPlace = state.runningPlace;
    for (;;)
    {
        auto& queue = state.handedOver;
        const auto due = std::find_if (queue.begin(), queue.end(), [unwound] (const HandedOverWork& item) {
            return unwound || ! item.afterUnwinding;
        });
        if (due == queue.end())
            break;

        auto item = std::move (*due);
        queue.erase (due);
        state.runningPlace = item.place;
        lock.unlock();
        item.work();
        lock.lock();
    }
    state.runningPlace = outerPlace;
}

void handOver (Runtime& state, std::function<void()> work, bool afterUnwinding)
{
    const auto place = isHeldByCaller (state) && state.runningPlace != noPlace ? state.runningPlace : ++state.lastPlace;
    auto& queue = state.handedOver;
    const auto after = std::upper_bound (queue.begin(), queue.end(), place, [] (std::uint64_t wanted, const HandedOverWork& item) {
        return wanted < item.place;
    });
    queue.insert (after, { std::move (work), afterUnwinding, place });
}

// Takes JUCE or nests in it for a host thread counted inside. With another host thread holding it,
// the caller gives up, or waits while that thread runs only the plug-in's own code.
bool hold (Runtime& state, Lock& lock, bool waitForHolder)
{
    for (;;)
    {
        if (state.owner != Owner::hostThread)
        {
            take (state, lock, 1);
            return true;
        }

        if (isHeldByCaller (state))
        {
            // Whatever was asked before this call comes first: a close handed over before a new editor
            // is asked for closes the old one, not the new.
            ++state.holderDepth;
            runHandedOver (state, lock, false);
            return true;
        }

        if (! waitForHolder || state.holderCallsToHost > 0)
            return false;

        state.changed.wait (lock);
    }
}

// The holder's outermost call has ended: it does the work handed to it and lets go. With no editor
// left JUCE goes back to the own thread, and the caller goes on only once that thread has claimed it,
// or a host thread has taken it first, since JUCE reads which thread is its message thread without a
// lock.
void letGo (Runtime& state, Lock& lock)
{
    runHandedOver (state, lock, true);

    if (state.editorWindows > 0)
    {
        setOwner (state, Owner::nobody);
        return;
    }

    setOwner (state, Owner::ownThread);
    state.changed.wait (lock, [&state] { return state.ownThreadRunsJuce || state.owner != Owner::ownThread; });
}

void runOwnThread (Runtime& state)
{
    juce::initialiseJuce_GUI();
    auto* messageManager = juce::MessageManager::getInstance();

    Lock lock (state.lock);
    messageManager->setCurrentThreadAsMessageThread();
    state.ownThreadRunsJuce = true;
    state.phase = Phase::running;
    state.changed.notify_all();

    while (state.phase != Phase::stopping)
    {
        if (state.owner != Owner::ownThread)
        {
            state.ownThreadRunsJuce = false;
            state.changed.notify_all();
            state.ownThreadTurn.wait (lock, [&state] { return state.owner == Owner::ownThread || state.phase == Phase::stopping; });
            continue;
        }

        if (! state.ownThreadRunsJuce)
        {
            messageManager->setCurrentThreadAsMessageThread();
            state.ownThreadRunsJuce = true;
            state.changed.notify_all();
        }

        lock.unlock();
        juce::dispatchNextMessageOnSystemQueue (false);
        lock.lock();
    }

    // The thread that stops the runtime may still be inside the message queue it posted to.
    state.ownThreadTurn.wait (lock, [&state] { return state.stopWakeUpPosted; });
    messageManager->setCurrentThreadAsMessageThread();
    state.ownThreadRunsJuce = false;
    lock.unlock();
    juce::shutdownJuce_GUI();
}

// Called by the thread that let go of the runtime last; nothing else uses it until it has stopped.
void stop (Runtime& state, Lock& lock)
{
    state.phase = Phase::stopping;
    state.ownThreadTurn.notify_one();

    lock.unlock();
    wakeOwnThread();
    lock.lock();
    state.stopWakeUpPosted = true;
    state.ownThreadTurn.notify_one();

    auto ownThread = std::move (state.ownThread);
    lock.unlock();
    ownThread.join();
    lock.lock();

    state.stopWakeUpPosted = false;
    state.phase = Phase::stopped;
    state.changed.notify_all();
}

// The one place that decides to stop: no instance left, and no host thread inside.
void stopIfUnused (Runtime& state, Lock& lock)
{
    if (state.instances == 0 && state.hostThreadsInside == 0 && state.phase == Phase::running)
        stop (state, lock);
}

void leave (Runtime& state, Lock& lock)
{
    --state.hostThreadsInside;
    stopIfUnused (state, lock);
}

void runWithJuce (std::function<void()> work, bool afterUnwinding)
{
    auto& state = runtime();
    Lock lock (state.lock);

    if (state.owner == Owner::hostThread && (! isHeldByCaller (state) || (afterUnwinding && state.holderDepth > 0)))
    {
        handOver (state, std::move (work), afterUnwinding);
        return;
    }

    if (isHeldByCaller (state))
    {
        lock.unlock();
        work();
        return;
    }

    // Nothing of the plug-in's is further up this thread's stack, so the work runs as unwound: what it
    // leaves for after unwinding runs now.
    ++state.hostThreadsInside;
    take (state, lock, 0);
    lock.unlock();
    work();
    lock.lock();
    letGo (state, lock);
    leave (state, lock);
}
} // namespace

ScopedJuceRuntime::ScopedJuceRuntime()
{
    auto& state = runtime();
    Lock lock (state.lock);

    ++state.instances;
    state.changed.wait (lock, [&state] { return state.phase == Phase::running || state.phase == Phase::stopped; });
    if (state.phase == Phase::running)
        return;

    state.phase = Phase::starting;
    setOwner (state, Owner::ownThread);
    state.ownThread = std::thread (runOwnThread, std::ref (state));
    state.changed.wait (lock, [&state] { return state.phase == Phase::running; });
}

ScopedJuceRuntime::~ScopedJuceRuntime()
{
    auto& state = runtime();
    Lock lock (state.lock);
    --state.instances;
    stopIfUnused (state, lock);
}

std::unique_ptr<HostJuceCall> HostJuceCall::enter()
{
    auto& state = runtime();
    Lock lock (state.lock);

    ++state.hostThreadsInside;
    if (hold (state, lock, true))
        return std::unique_ptr<HostJuceCall> (new HostJuceCall());

    leave (state, lock);
    return {};
}

HostJuceCall::~HostJuceCall()
{
    auto& state = runtime();
    Lock lock (state.lock);
    if (--state.holderDepth == 0)
        letGo (state, lock);
    leave (state, lock);
}

void HostJuceCall::deliverPendingMessages (const std::function<void()>& pendingElsewhere)
{
    std::unique_ptr<HostJuceCall> call;
    {
        auto& state = runtime();
        Lock lock (state.lock);
        if (state.owner == Owner::hostThread || state.editorWindows == 0)
            return;

        ++state.hostThreadsInside;
        take (state, lock, 1);
        call.reset (new HostJuceCall());
    }

    pendingElsewhere();
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

ScopedCallToHost::ScopedCallToHost() : byHolder (runtime().holderId.load() == std::this_thread::get_id())
{
    if (! byHolder)
        return;

    auto& state = runtime();
    const std::lock_guard<std::mutex> lock (state.lock);
    ++state.holderCallsToHost;
    state.changed.notify_all();
}

ScopedCallToHost::~ScopedCallToHost()
{
    if (! byHolder)
        return;

    auto& state = runtime();
    const std::lock_guard<std::mutex> lock (state.lock);
    --state.holderCallsToHost;
}

HostDeliversMessages::HostDeliversMessages()
{
    auto& state = runtime();
    const std::lock_guard<std::mutex> lock (state.lock);
    ++state.editorWindows;
}

HostDeliversMessages::~HostDeliversMessages()
{
    auto& state = runtime();
    const std::lock_guard<std::mutex> lock (state.lock);
    --state.editorWindows;
}
