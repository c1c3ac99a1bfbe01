// The effect made in this process, as the plug-in's entry makes it, so that a test can hand JUCE's
// message queue the work an open editor gives it: an edit that the editor reports to the host, on
// whichever host thread delivers the editors' messages.

#include "HalvornVstEffect.h"
#include "ThreadCosts.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <thread>
#include <vector>

namespace
{
#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer's runtime may block inside any atomic operation, the host's own checks included, so
// under it a late call proves nothing about the plug-in.
constexpr bool lateCallsAreTold = false;
#else
constexpr bool lateCallsAreTold = true;
#endif

// How often the calling thread has been preempted so far.
long preemptions()
{
    rusage usage {};
    getrusage (RUSAGE_THREAD, &usage);
    return usage.ru_nivcsw;
}

// Taken on the delivering thread as an edit starts, so that the host can tell whether the thread was
// preempted on its way to it.
thread_local long preemptionsBeforeEdit = -1;

// The host's side of one instance.
struct Instance
{
    Instance()
    {
        record = (new HalvornVstEffect (&answer))->getAeffect();
        record->hostUserData = this;
        dispatch (EffectOpcode::open);
    }

    long long dispatch (std::int32_t opcode, std::int32_t index = 0, long long value = 0, void* ptr = nullptr)
    {
        return record->dispatcher (record, opcode, index, value, ptr, 0.0f);
    }

    bool openEditor()
    {
        EditorRect* rect = nullptr;
        return dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect) != 0;
    }

    void close()
    {
        closing = true;
        dispatch (EffectOpcode::close);
        closeReturned = true;
    }

    // An edit in the editor, which the effect reports to the host as automation.
    void postEdit (float value)
    {
        juce::MessageManager::callAsync ([this, value] {
            // The effect is deleted with JUCE held, so while this runs it is either gone already or here
            // until this delivery ends.
            JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
            if (closing)
                return;
            preemptionsBeforeEdit = preemptions();
            static_cast<HalvornVstEffect*> (record->effectObject)->getProcessor().setParameterNotifyingHost (0, value);
            JUCE_END_IGNORE_WARNINGS_GCC_LIKE
        });
    }

    static long long answer (AEffect* record, std::int32_t opcode, std::int32_t, long long, void*, float)
    {
        auto* instance = record != nullptr ? static_cast<Instance*> (record->hostUserData) : nullptr;
        if (instance == nullptr)
            return opcode == HostOpcode::getMasterVersion ? VstHostVersion : 0;

        // A call checked before the close can still be overtaken by the rest of the close on its last
        // few instructions here, if its thread loses the processor meanwhile: preempted, which shows
        // and does not count, or interrupted, which does not show but is rare.
        ++instance->requests;
        if (instance->closeReturned && preemptions() == preemptionsBeforeEdit)
            ++instance->callsAfterClose;
        if (opcode == HostOpcode::setParameterAutomated && instance->onAutomation)
            std::exchange (instance->onAutomation, nullptr)();
        return 0;
    }

    static constexpr long long VstHostVersion = 2400;

    AEffect* record = nullptr;
    std::atomic<bool> closing { false };
    std::atomic<bool> closeReturned { false };
    std::atomic<int> requests { 0 };
    std::atomic<int> callsAfterClose { 0 };
    // What the host does, once, inside the next automation request.
    std::function<void()> onAutomation;
};

// Delivers the editors' messages from the calling thread, as a host's idle calls do, until done.
void idleUntil (Instance& idled, const std::function<bool()>& done)
{
    while (! done())
        idled.dispatch (EffectOpcode::editorIdleTick);
}
} // namespace

// A host's GUI thread handles its own events inside the plug-in's request: meanwhile another thread
// closes an instance's editor and then the instance, both handed to the GUI thread, and the GUI thread
// makes an editor request, which runs the editor's close. When the GUI thread unwinds, the window goes
// before the instance it belongs to.
TEST (EffectThreads, AnEditorAndItsInstanceClosedForANestingHolderGoInTheOrderAsked)
{
    Instance stays;
    auto* closed = new Instance();
    ASSERT_TRUE (stays.openEditor());
    ASSERT_TRUE (closed->openEditor());

    std::atomic<bool> nested { false };
    stays.onAutomation = [&] {
        std::thread ([closed] {
            closed->dispatch (EffectOpcode::editorCloseView);
            closed->close();
        }).join();
        EXPECT_TRUE (stays.openEditor());
        nested = true;
    };
    stays.postEdit (0.25f);
    idleUntil (stays, [&] { return nested.load(); });

    EXPECT_EQ (stays.dispatch (EffectOpcode::editorCloseView), 0);
    EXPECT_TRUE (stays.openEditor()) << "the runtime goes on after the nested closes";
    stays.close();
    delete closed;
}

// Another thread closes an editor a hundred thousand times while the GUI thread is inside a host
// callback: the GUI thread runs each close it was handed once, in time that grows with their number
// only, and returns.
TEST (EffectThreads, AHolderRunsTheClosesHandedToItInTimeLinearInTheirNumber)
{
    constexpr int closes = 100000;
    constexpr auto generousBound = std::chrono::seconds (5);

    Instance idled, closedElsewhere;
    ASSERT_TRUE (idled.openEditor());
    std::chrono::steady_clock::time_point callbackReturned;
    std::atomic<bool> handedOver { false };
    idled.onAutomation = [&] {
        std::thread ([&closedElsewhere] {
            for (int close = 0; close < closes; ++close)
                closedElsewhere.dispatch (EffectOpcode::editorCloseView);
        }).join();
        handedOver = true;
        callbackReturned = std::chrono::steady_clock::now();
    };
    idled.postEdit (0.5f);
    idleUntil (idled, [&] { return handedOver.load(); });

    EXPECT_LT (std::chrono::steady_clock::now() - callbackReturned, generousBound);
    closedElsewhere.close();
    idled.close();
}

// Work handed over while the GUI thread finishes what it was handed before is not the GUI thread's.
// With an editor open and no host thread calling again, it still runs, on the plug-in's own thread.
TEST (EffectThreads, WorkHandedOverAsTheHolderLetsGoRunsWithoutAnotherHostCall)
{
    constexpr auto generousBound = std::chrono::seconds (5);

    Instance idled;
    ASSERT_TRUE (idled.openEditor());
    std::atomic<bool> handedOver { false }, laterWorkRan { false };
    idled.onAutomation = [&] {
        std::thread ([&] {
            HostJuceCall::run ([&] {
                std::thread ([&] { HostJuceCall::run ([&] { laterWorkRan = true; }); }).join();
            });
        }).join();
        handedOver = true;
    };
    idled.postEdit (0.5f);
    idleUntil (idled, [&] { return handedOver.load(); });

    const auto deadline = std::chrono::steady_clock::now() + generousBound;
    while (! laterWorkRan && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    EXPECT_TRUE (laterWorkRan);
    idled.close();
}

// Closes race the editor deliveries that report edits to the host: once an instance's close has
// returned, no request for that instance reaches the host.
TEST (EffectThreads, NoHostCallForAnInstanceStartsAfterItsCloseHasReturned)
{
    constexpr int rounds = 1000;
    constexpr int editsPerRound = 64;

    Instance idled;
    ASSERT_TRUE (idled.openEditor());
    // Messages for an instance may still be queued after its round; its host side stays.
    std::deque<Instance> closedInstances;

    // Other threads of the host's idle too, and deliver whenever they find JUCE free.
    std::atomic<bool> idling { true };
    std::vector<std::thread> otherIdlers;
    for (int thread = 0; thread < 2; ++thread)
        otherIdlers.emplace_back ([&idled, &idling] { idleUntil (idled, [&idling] { return ! idling.load(); }); });

    for (int round = 0; round < rounds; ++round)
    {
        auto& instance = closedInstances.emplace_back();
        for (int edit = 0; edit < editsPerRound; ++edit)
            instance.postEdit (static_cast<float> (edit) / editsPerRound);

        // The close comes while the instance's edits are being delivered.
        std::thread closer ([&instance] {
            while (instance.requests < editsPerRound / 4)
                std::this_thread::yield();
            instance.close();
        });
        idleUntil (idled, [&instance] { return instance.closeReturned.load(); });
        closer.join();
    }
    idling = false;
    for (auto& thread : otherIdlers)
        thread.join();
    for (int idle = 0; idle < editsPerRound; ++idle)
        idled.dispatch (EffectOpcode::editorIdleTick);

    // Where the plug-in waits or makes a system call between the check and the call, dozens of calls a
    // run come late; a loaded machine takes the processor from the last instructions a few times in
    // a hundred runs.
    constexpr int lateCallsTheMachineMayCause = 3;
    int callsAfterClose = 0;
    for (const auto& instance : closedInstances)
        callsAfterClose += instance.callsAfterClose;
    if (lateCallsAreTold)
    {
        EXPECT_LE (callsAfterClose, lateCallsTheMachineMayCause);
    }
    idled.close();
}

// A host's audio thread changes programs and parameters, with and without an editor open. With one,
// the GUI thread idles once after each change, by when the editor has heard of it.
TEST (EffectThreads, ChangesOffTheJuceThreadCostNoAllocationLockOrWrite)
{
    constexpr int changes = 48;
    struct Listener : juce::ChangeListener
    {
        void changeListenerCallback (juce::ChangeBroadcaster*) override { ++changesHeard; }
        int changesHeard = 0;
    } editorSide;

    Instance instance;
    auto& processor = static_cast<HalvornVstEffect*> (instance.record->effectObject)->getProcessor();
    for (const bool withEditor : { false, true })
    {
        SCOPED_TRACE (withEditor ? "with an editor open" : "with no editor");
        if (withEditor)
        {
            ASSERT_TRUE (instance.openEditor());
            juce::MessageManager::callAsync ([&] { processor.addChangeListener (&editorSide); });
            instance.dispatch (EffectOpcode::editorIdleTick);
        }

        ThreadCosts costs;
        std::atomic<int> changed { 0 }, idled { 0 };
        std::thread audio ([&] {
            // The first calls on a new thread may set up what the thread keeps.
            for (int program = 0; program < 24; ++program)
                instance.dispatch (EffectOpcode::setProgram, 0, program);

            CountedThreadCosts counted;
            for (int change = 0; change < changes; ++change)
            {
                instance.dispatch (EffectOpcode::setProgram, 0, change % 24);
                instance.record->setParameter (instance.record, change % 5, static_cast<float> (change % 7) / 7.0f);
                ++changed;
                while (withEditor && idled < changed)
                {
                }
            }
            costs = counted.stop();
        });
        for (int change = 1; withEditor && change <= changes; ++change)
        {
            while (changed < change)
            {
            }
            instance.dispatch (EffectOpcode::editorIdleTick);
            EXPECT_EQ (editorSide.changesHeard, change);
            ++idled;
        }
        audio.join();

        if (CountedThreadCosts::countsExactly)
        {
            EXPECT_EQ (costs.allocations, 0);
            EXPECT_EQ (costs.locks, 0);
            EXPECT_EQ (costs.writes, 0);
        }
    }
    juce::MessageManager::callAsync ([&] { processor.removeChangeListener (&editorSide); });
    instance.dispatch (EffectOpcode::editorIdleTick);
    instance.close();
}
