#include "JuceRuntime.h"

#include "PluginXConnection.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

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
std::mutex lifecycleLock;
int users = 0;

// Who runs JUCE's messages: the plug-in's own thread, or a host thread while it drives JUCE. The first
// instance makes it and the last one deletes it, once the thread has ended; a host that exits with
// instances still open leaves it, and the thread waiting on it, alone.
struct Runtime
{
    std::thread ownThread;
    std::promise<void> stopRequestPosted;

    std::mutex lock;
    std::condition_variable changed;
    bool stopRequested = false;
    bool hostDrives = false;
    std::thread::id hostThread;
    int hostLeases = 0;
    bool delivering = false;
    bool ownThreadPaused = false;

    // Called with the lock held.
    bool isDrivenBy (std::thread::id thread) const noexcept { return hostDrives && hostThread == thread; }
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

// Once no lease is left and no delivery is under way, JUCE goes back to the plug-in's own thread. The
// caller waits until that thread has taken over, since JUCE reads which thread is its message thread
// without a lock (the message manager lock, for one, does).
void handBackIfDone (Runtime& state, std::unique_lock<std::mutex>& lock)
{
    if (state.hostLeases > 0 || state.delivering)
        return;

    state.hostDrives = false;
    state.hostThread = {};
    state.changed.notify_all();
    state.changed.wait (lock, [&state] { return ! state.ownThreadPaused || state.hostDrives; });
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
            if (state.hostDrives && ! state.stopRequested)
            {
                state.ownThreadPaused = true;
                state.changed.notify_all();
                state.changed.wait (lock, [&state] { return ! state.hostDrives || state.stopRequested; });
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
        state.stopRequested = true;
        state.changed.notify_all();
    }
    // JUCE's message manager goes only once this wake-up is posted.
    wakeOwnThread();
    state.stopRequestPosted.set_value();

    // A host that closes the last instance from inside one of our own messages cannot wait for the
    // message thread: let it finish by itself, with what it needs.
    if (state.ownThread.get_id() == std::this_thread::get_id())
    {
        state.ownThread.detach();
    }
    else
    {
        state.ownThread.join();
        delete current;
    }
    current = nullptr;
}

std::unique_ptr<HostMessageThread> HostMessageThread::take()
{
    auto& state = runtime();
    std::unique_lock<std::mutex> lock (state.lock);
    const auto caller = std::this_thread::get_id();

    if (state.hostDrives && ! state.isDrivenBy (caller))
        return {};

    ++state.hostLeases;
    if (! state.hostDrives)
    {
        // The plug-in's own thread calls nothing of the host's, so waiting for it to finish the
        // message in hand cannot close a circle through a host's lock.
        state.hostDrives = true;
        state.hostThread = caller;
        wakeOwnThread();
        state.changed.wait (lock, [&state] { return state.ownThreadPaused; });
        juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
    }

    return std::unique_ptr<HostMessageThread> (new HostMessageThread());
}

HostMessageThread::~HostMessageThread()
{
    auto& state = runtime();
    std::unique_lock<std::mutex> lock (state.lock);
    --state.hostLeases;
    handBackIfDone (state, lock);
}

bool HostMessageThread::isCallingThread()
{
    auto& state = runtime();
    const std::lock_guard<std::mutex> lock (state.lock);
    return state.isDrivenBy (std::this_thread::get_id());
}

void HostMessageThread::deliverPendingMessages()
{
    auto& state = runtime();
    {
        const std::lock_guard<std::mutex> lock (state.lock);
        if (! state.isDrivenBy (std::this_thread::get_id()) || state.delivering)
            return;
        state.delivering = true;
    }

    {
        const ScopedPluginXErrorTrap trap;
        PluginXConnection::handleQueuedEvents();
        for (int round = 0; round < maxDeliveryRounds && juce::dispatchNextMessageOnSystemQueue (true); ++round)
        {
        }
    }

    // An editor closed from inside the delivery (by a host answering one of its requests) lets go of
    // JUCE only now, when nothing of JUCE's runs on this thread any more.
    std::unique_lock<std::mutex> lock (state.lock);
    state.delivering = false;
    handBackIfDone (state, lock);
}
