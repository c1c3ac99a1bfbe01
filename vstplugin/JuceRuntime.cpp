#include "JuceRuntime.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <future>
#include <mutex>
#include <thread>

namespace
{
std::mutex runtimeLock;
int users = 0;
std::promise<void> stopRequestPosted;

// A host may exit without closing its last instance: a thread still running then is let go, not
// destroyed (which would end the host with std::terminate).
struct MessageThread
{
    ~MessageThread()
    {
        if (thread.joinable())
            thread.detach();
    }

    std::thread thread;
} messageThread;

void runMessageThread (std::promise<void>& started, std::shared_future<void> mayShutDown)
{
    juce::initialiseJuce_GUI();
    juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
    started.set_value();
    juce::MessageManager::getInstance()->runDispatchLoop();

    // The thread that asked us to stop may still be inside the message queue it posted to.
    mayShutDown.wait();
    juce::shutdownJuce_GUI();
}
} // namespace

ScopedJuceRuntime::ScopedJuceRuntime()
{
    const std::lock_guard<std::mutex> lock (runtimeLock);

    if (users++ > 0)
        return;

    std::promise<void> started;
    auto ready = started.get_future();
    stopRequestPosted = std::promise<void>();
    messageThread.thread = std::thread (runMessageThread, std::ref (started), stopRequestPosted.get_future().share());
    ready.wait();
}

ScopedJuceRuntime::~ScopedJuceRuntime()
{
    const std::lock_guard<std::mutex> lock (runtimeLock);

    if (--users > 0)
        return;

    // The loop is stopped from inside, and the message manager goes only once the request is posted.
    juce::MessageManager::callAsync ([] { juce::MessageManager::getInstance()->stopDispatchLoop(); });
    stopRequestPosted.set_value();

    // A host that closes the last instance from inside one of our own messages cannot wait for the
    // message thread: let it finish by itself.
    if (messageThread.thread.get_id() == std::this_thread::get_id())
        messageThread.thread.detach();
    else
        messageThread.thread.join();
}
