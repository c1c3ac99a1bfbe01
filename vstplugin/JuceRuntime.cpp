#include "JuceRuntime.h"

#include "PluginXConnection.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
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

// Handed-over work that may wait for its runner before a new instance waits for it in turn: enough to
// keep closes from waiting for each other's hand-over, few enough that closed instances cannot pile up
// faster than they are freed.
constexpr std::size_t maxWorkBeforeNewInstancesWait = 64;

// How long JUCE stays as the last editor left it before it starts afresh: an editor opened again soon
// finds JUCE ready.
constexpr auto juceKeptAfterLastEditor = std::chrono::seconds (1);

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

struct HandedOverWork
{
    std::function<void()> work;
    bool afterUnwinding;
};

using WorkList = std::list<HandedOverWork>;

// Handed-over work in the order it runs, with the work that may run while its runner is still inside
// a call also listed on its own, so that such a runner reaches it without passing what must wait.
struct WorkQueue
{
    WorkList inOrder;
    std::deque<WorkList::iterator> whileInside;

    bool empty() const noexcept { return inOrder.empty(); }

    void append (std::function<void()> work, bool afterUnwinding)
    {
        inOrder.push_back ({ std::move (work), afterUnwinding });
        if (! afterUnwinding)
            whileInside.push_back (std::prev (inOrder.end()));
    }

    // Moves all of `later` behind this queue's work, or all of `earlier` ahead of it; the work itself
    // stays where it is in memory.
    void appendAll (WorkQueue& later)
    {
        inOrder.splice (inOrder.end(), later.inOrder);
        whileInside.insert (whileInside.end(), later.whileInside.begin(), later.whileInside.end());
        later.whileInside.clear();
    }

    void prependAll (WorkQueue& earlier)
    {
        inOrder.splice (inOrder.begin(), earlier.inOrder);
        whileInside.insert (whileInside.begin(), earlier.whileInside.begin(), earlier.whileInside.end());
        earlier.whileInside.clear();
    }
};

// Handed-over work that is running, on the stack of the thread that runs it. Work it leaves for after
// unwinding goes where it stood, ahead of anything asked after it: a window closed for another
// thread is deleted before an instance whose deletion that thread asked for next.
struct RunningWork
{
    WorkList::iterator item;
    RunningWork* outer;
};

// Who owns JUCE, and the runtime's life. Guarded by `lock`. `holderId` is also read without it, by a
// thread asking whether it holds JUCE itself, which only that thread can change; `owner`, by the own
// thread asking between two pieces of work whether a host thread wants JUCE.
struct Runtime
{
    std::mutex lock;
    // Every wait names its whole condition. The own thread waits on ownThreadTurn, signalled when JUCE
    // goes back to it, when work is left for it and when the runtime stops; host threads wait on
    // changed, signalled at every other change that their waits depend on. So delivering to an open
    // editor does not wake the paused own thread.
    std::condition_variable ownThreadTurn;
    std::condition_variable changed;
    // Wakes the own thread from its wait for JUCE's event sources; made once, like the runtime.
    const int ownThreadWakeUp = eventfd (0, EFD_CLOEXEC | EFD_NONBLOCK);

    Phase phase = Phase::stopped;
    int instances = 0;
    // Host threads inside one of the runtime's calls, which may still use it after letting go of JUCE.
    int hostThreadsInside = 0;

    std::atomic<Owner> owner { Owner::ownThread };
    std::atomic<std::thread::id> holderId {};
    // The holder's calls into the plug-in under way, nested ones included, and its calls to the host.
    int holderDepth = 0;
    int holderCallsToHost = 0;
    // Work handed over for whoever holds JUCE next.
    WorkQueue handedOver;
    // What the thread holding JUCE, the own thread included, has taken over to run, and the piece of it
    // running now; touched by that thread alone.
    WorkQueue claimed;
    RunningWork* running = nullptr;

    // The own thread is JUCE's message thread and running JUCE's messages or left work: while it owns
    // JUCE, and on until it has finished the piece in hand for a host thread that takes it.
    bool ownThreadRunsJuce = false;
    int editorWindows = 0;
    bool editorsSinceJuceStarted = false;
    std::chrono::steady_clock::time_point lastEditorGone;
    std::thread ownThread;
    std::thread::id ownThreadId;
};

// Made once and never deleted, since the library stays loaded: a host that exits with instances still
// open leaves it, and the own thread waiting on it, alone.
Runtime& runtime()
{
    static auto* const instance = new Runtime();
    return *instance;
}

bool ownThreadHasWork (const Runtime& state)
{
    return state.owner == Owner::ownThread || state.phase == Phase::stopping
           || (state.owner == Owner::nobody && ! state.handedOver.empty());
}

// Every change of owner goes through here.
void setOwner (Runtime& state, Owner owner, std::thread::id holder = {})
{
    state.owner = owner;
    state.holderId = holder;
    state.changed.notify_all();
    if (ownThreadHasWork (state))
        state.ownThreadTurn.notify_one();
}

bool isHeldByCaller (const Runtime& state)
{
    return state.owner == Owner::hostThread && state.holderId.load() == std::this_thread::get_id();
}

// The own thread goes on holding JUCE, inside the message or the piece of work in hand, while a host
// thread that takes it waits for it.
bool isOwnThreadRunningJuce (const Runtime& state)
{
    return state.ownThreadRunsJuce && state.ownThreadId == std::this_thread::get_id();
}

// Wakes the plug-in's own thread from its wait for JUCE's event sources.
void wakeOwnThread (const Runtime& state)
{
    eventfd_write (state.ownThreadWakeUp, 1);
}

// Sleeps until one of JUCE's event sources is ready or the own thread is woken, or for at most
// `timeoutMs` if that is not negative. JUCE's own wait gives up every two seconds; this one waits as
// long as nothing happens, so an idle plug-in costs nothing.
void waitForJuceEvents (const Runtime& state, int timeoutMs)
{
    std::vector<pollfd> sources { { state.ownThreadWakeUp, POLLIN, 0 } };
    for (const auto fd : juce::LinuxEventLoopInternal::getRegisteredFds())
        sources.push_back ({ fd, POLLIN, 0 });

    poll (sources.data(), sources.size(), timeoutMs);

    eventfd_t wakeUps = 0;
    eventfd_read (state.ownThreadWakeUp, &wakeUps);
}

// Milliseconds until JUCE starts afresh, rounded up so that the wait does not end just short of it.
int untilJuceRestart (const Runtime& state)
{
    const auto left = state.lastEditorGone + juceKeptAfterLastEditor - std::chrono::steady_clock::now();
    return static_cast<int> (std::max<std::chrono::milliseconds::rep> (0, std::chrono::ceil<std::chrono::milliseconds> (left).count()));
}

// Wakes the own thread from waitForJuceEvents whenever JUCE's event sources change, such as when the
// first editor connects to the X server, so that it waits for the new set.
struct EventSourceWatch : juce::LinuxEventLoopInternal::Listener
{
    explicit EventSourceWatch (const Runtime& stateToWake) : state (stateToWake)
    {
        juce::LinuxEventLoopInternal::registerLinuxEventLoopListener (*this);
    }

    ~EventSourceWatch() override { juce::LinuxEventLoopInternal::deregisterLinuxEventLoopListener (*this); }

    void fdCallbacksChanged() override { wakeOwnThread (state); }

    const Runtime& state;
};

void runInItsPlace (Runtime& state, WorkList::iterator item)
{
    RunningWork running { item, state.running };
    state.running = &running;
    item->work();
    state.running = running.outer;
    state.claimed.inOrder.erase (item);
}

// Runs what was handed over before this call, in order, and what that work leaves for later in its
// place; without `unwound`, only the work that may run while the caller is still inside a call. Work
// handed over from now on is not the caller's. The caller holds JUCE; the lock is taken twice, however
// much work there is. Stops early once `goOn` says so.
template <typename GoOn>
void runHandedOver (Runtime& state, Lock& lock, bool unwound, GoOn goOn)
{
    auto& claimed = state.claimed;
    if (! state.handedOver.empty())
    {
        claimed.appendAll (state.handedOver);
        state.changed.notify_all();
    }
    lock.unlock();

    while (goOn())
    {
        if (unwound && ! claimed.empty())
        {
            const auto first = claimed.inOrder.begin();
            if (! first->afterUnwinding)
                claimed.whileInside.pop_front();
            runInItsPlace (state, first);
        }
        else if (! unwound && ! claimed.whileInside.empty())
        {
            const auto first = claimed.whileInside.front();
            claimed.whileInside.pop_front();
            runInItsPlace (state, first);
        }
        else
        {
            break;
        }
    }

    lock.lock();
}

void runHandedOver (Runtime& state, Lock& lock, bool unwound)
{
    runHandedOver (state, lock, unwound, [] { return true; });
}

void handOver (Runtime& state, std::function<void()> work, bool afterUnwinding)
{
    if (isHeldByCaller (state) && state.running != nullptr)
        state.claimed.inOrder.insert (state.running->item, { std::move (work), afterUnwinding });
    else
        state.handedOver.append (std::move (work), afterUnwinding);
}

// The caller becomes the holder, with `callsUnderWay` of its calls into the plug-in. From the own
// thread it waits until that thread has finished the message or the piece of work in hand: that thread
// never calls the host. Then it runs what was handed over before, as far as its calls under way allow:
// a close asked before this call closes the old editor, not one this call makes.
void take (Runtime& state, Lock& lock, int callsUnderWay)
{
    setOwner (state, Owner::hostThread, std::this_thread::get_id());
    state.holderDepth = callsUnderWay;

    if (state.ownThreadRunsJuce)
    {
        wakeOwnThread (state);
        state.changed.wait (lock, [&state] { return ! state.ownThreadRunsJuce; });
    }
    juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
    runHandedOver (state, lock, callsUnderWay == 0);
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
            // Whatever was asked before this call comes first, as when JUCE is taken.
            ++state.holderDepth;
            runHandedOver (state, lock, false);
            return true;
        }

        if (! waitForHolder || state.holderCallsToHost > 0)
            return false;

        state.changed.wait (lock);
    }
}

// The holder's outermost call has ended: it does the work handed to it so far and lets go. Work handed
// over from now on goes to whoever holds JUCE next. With no editor left that is the own thread, and
// the caller goes on only once that thread has claimed it, or a host thread has taken it first, since
// JUCE reads which thread is its message thread without a lock. With an editor open it is the next
// host thread to take JUCE, or the own thread if work is left and none comes first.
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

// The own thread runs what was left for it, until a host thread wants JUCE: then the rest goes back,
// ahead of anything handed over since, for that thread to run.
void runLeftWork (Runtime& state, Lock& lock)
{
    runHandedOver (state, lock, true, [&state] { return state.owner == Owner::ownThread; });
    state.handedOver.prependAll (state.claimed);
}

void becomeMessageThread (Runtime& state)
{
    juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
    state.ownThreadRunsJuce = true;
    state.changed.notify_all();
}

// JUCE's timer thread, started by an editor's timers, wakes ten times a second for as long as JUCE
// runs, with no editor left to time; only starting JUCE afresh ends it. The own thread holds JUCE
// meanwhile, so a host thread that wants it waits, as for any other piece of the own thread's work.
// Nothing outside an editor keeps anything of JUCE's GUI or message queue.
void restartJuce (Runtime& state, Lock& lock, std::optional<EventSourceWatch>& eventSources)
{
    state.editorsSinceJuceStarted = false;
    lock.unlock();
    eventSources.reset();
    juce::shutdownJuce_GUI();
    juce::initialiseJuce_GUI();
    eventSources.emplace (state);
    lock.lock();
    becomeMessageThread (state);
}

// JUCE's message thread while the runtime runs: it delivers JUCE's messages while JUCE is its own,
// runs the work left for it, starts JUCE afresh a while after the last editor has gone, and sleeps
// while there is none of that to do.
void serveUntilStopped (Runtime& state)
{
    Lock lock (state.lock);
    std::optional<EventSourceWatch> eventSources (std::in_place, state);
    state.phase = Phase::running;
    becomeMessageThread (state);

    while (state.phase != Phase::stopping)
    {
        // Work left while an editor is open is not left waiting for the next host call.
        if (state.owner == Owner::nobody && ! state.handedOver.empty())
            setOwner (state, Owner::ownThread);

        if (state.owner != Owner::ownThread)
        {
            state.ownThreadRunsJuce = false;
            state.changed.notify_all();
            state.ownThreadTurn.wait (lock, [&state] { return ownThreadHasWork (state); });
            continue;
        }

        if (! state.ownThreadRunsJuce)
            becomeMessageThread (state);

        if (! state.handedOver.empty())
        {
            runLeftWork (state, lock);
        }
        else if (state.editorWindows > 0)
        {
            setOwner (state, Owner::nobody);
        }
        else if (state.editorsSinceJuceStarted && untilJuceRestart (state) == 0)
        {
            restartJuce (state, lock, eventSources);
        }
        else
        {
            const auto timeoutMs = state.editorsSinceJuceStarted ? untilJuceRestart (state) : -1;
            lock.unlock();
            waitForJuceEvents (state, timeoutMs);
            for (int round = 0; round < maxDeliveryRounds && juce::dispatchNextMessageOnSystemQueue (true); ++round)
            {
            }
            lock.lock();
        }
    }

    // No instance and no host thread is left, so nothing more can be handed over.
    setOwner (state, Owner::ownThread);
    if (! state.ownThreadRunsJuce)
        becomeMessageThread (state);
    runHandedOver (state, lock, true);
    state.ownThreadRunsJuce = false;
}

void runOwnThread (Runtime& state)
{
    pthread_setname_np (pthread_self(), "Halvorn JUCE");
    juce::initialiseJuce_GUI();
    serveUntilStopped (state);
    juce::shutdownJuce_GUI();
}

// Called by the host thread that let go of the runtime last; nothing else uses it until it has stopped.
void stop (Runtime& state, Lock& lock)
{
    state.phase = Phase::stopping;
    state.ownThreadTurn.notify_one();
    wakeOwnThread (state);

    auto ownThread = std::move (state.ownThread);
    lock.unlock();
    ownThread.join();
    lock.lock();

    state.ownThreadId = {};
    state.phase = Phase::stopped;
    state.changed.notify_all();
}

// The one place that decides to stop: no instance left, and no host thread inside. The own thread,
// which may have freed the last instance itself, leaves the stop to the next host thread to leave.
void stopIfUnused (Runtime& state, Lock& lock)
{
    if (state.instances == 0 && state.hostThreadsInside == 0 && state.phase == Phase::running
        && std::this_thread::get_id() != state.ownThreadId)
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

    const auto insideCall = isHeldByCaller (state) && state.holderDepth > 0;
    if (isOwnThreadRunningJuce (state) || (isHeldByCaller (state) && ! (afterUnwinding && insideCall)))
    {
        lock.unlock();
        work();
        return;
    }

    if (state.owner == Owner::hostThread)
    {
        handOver (state, std::move (work), afterUnwinding);
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
    {
        // A host that makes instances faster than its closed ones are freed waits for the freeing, as an
        // editor request waits: only while the thread that frees them runs the plug-in's own code.
        state.changed.wait (lock, [&state] {
            return state.handedOver.inOrder.size() <= maxWorkBeforeNewInstancesWait || state.holderCallsToHost > 0
                   || isHeldByCaller (state);
        });
        return;
    }

    state.phase = Phase::starting;
    setOwner (state, Owner::ownThread);
    state.ownThread = std::thread (runOwnThread, std::ref (state));
    state.ownThreadId = state.ownThread.get_id();
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
    state.editorsSinceJuceStarted = true;
}

HostDeliversMessages::~HostDeliversMessages()
{
    auto& state = runtime();
    const std::lock_guard<std::mutex> lock (state.lock);
    if (--state.editorWindows == 0)
        state.lastEditorGone = std::chrono::steady_clock::now();
}
