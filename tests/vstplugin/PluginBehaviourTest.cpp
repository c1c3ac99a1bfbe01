#include "LoadedPlugin.h"
#include "EffectEditor.h"
#include "SpeakerArrangement.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

class PluginBehaviour : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plugin = loadPlugin (host);
        ASSERT_NE (plugin, nullptr);
        plugin->dispatch (EffectOpcode::open);
    }

    void resume (float sampleRate = 44100.0f, int blockSize = 512)
    {
        plugin->dispatch (EffectOpcode::setSampleRate, 0, 0, nullptr, sampleRate);
        plugin->dispatch (EffectOpcode::setBlockSize, 0, blockSize);
        plugin->dispatch (EffectOpcode::suspendOrResume, 0, 1);
    }

    std::vector<char> chunk (bool preset)
    {
        void* data = nullptr;
        const auto size = plugin->dispatch (EffectOpcode::getChunk, preset ? 1 : 0, 0, &data);
        const auto* bytes = static_cast<const char*> (data);
        return std::vector<char> (bytes, bytes + size);
    }

    RecordingHost host;
    std::unique_ptr<VstHostedEffect> plugin;
};

TEST_F (PluginBehaviour, Programs)
{
    for (int n = 0; n < 24; ++n)
    {
        const auto name = plugin->getText (EffectOpcode::getProgramNameIndexed, n, -1);
        EXPECT_EQ (name.substr (0, 2), (n < 10 ? "0" : "") + std::to_string (n));
        EXPECT_LT (name.size(), 24u);
    }
    EXPECT_EQ (plugin->getText (EffectOpcode::getProgramNameIndexed, 4), "04 - Medium room bright");

    char untouched[8] = "keep";
    EXPECT_EQ (plugin->dispatch (EffectOpcode::getProgramNameIndexed, 24, 0, untouched), 0);
    EXPECT_EQ (plugin->dispatch (EffectOpcode::getProgramNameIndexed, -1, 0, untouched), 0);
    EXPECT_STREQ (untouched, "keep");

    plugin->dispatch (EffectOpcode::setProgram, 0, 14);
    EXPECT_EQ (plugin->dispatch (EffectOpcode::getProgram), 14);
    EXPECT_EQ (plugin->getText (EffectOpcode::getProgramName), "14 - Mirror");
    EXPECT_EQ (plugin->getParameter (1), 1.0f);

    plugin->dispatch (EffectOpcode::setProgram, 0, 24);
    EXPECT_EQ (plugin->dispatch (EffectOpcode::getProgram), 14) << "the record's count bounds the program number";

    char longName[] = "A name much longer than the twenty-four bytes of the field";
    plugin->dispatch (EffectOpcode::setProgramName, 0, 0, longName);
    EXPECT_EQ (plugin->getText (EffectOpcode::getProgramName), "A name much longer than");
}

TEST_F (PluginBehaviour, ParametersNamesAndTexts)
{
    const char* names[] = { "Mix", "Predelay", "Decay", "FCut", "Volume" };
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ (plugin->getText (EffectOpcode::getParameterName, i), names[i]);
        EXPECT_EQ (plugin->getText (EffectOpcode::getParameterLabel, i), "");
        EXPECT_EQ (plugin->dispatch (EffectOpcode::canParameterBeAutomated, i), 1);
    }

    EXPECT_EQ (plugin->getText (EffectOpcode::getParameterDisplay, 0), "0.50");
    plugin->setParameter (2, 0.125f);
    EXPECT_EQ (plugin->getParameter (2), 0.125f);
    EXPECT_EQ (plugin->getText (EffectOpcode::getParameterDisplay, 2), "0.13");
    EXPECT_EQ (plugin->getText (EffectOpcode::getParameterDisplay, 7), "");
    EXPECT_EQ (plugin->getParameter (-1), 0.0f);

    char text[] = "0.75";
    EXPECT_EQ (plugin->dispatch (EffectOpcode::string2parameter, 0, 0, text), 1);
    EXPECT_EQ (plugin->getParameter (0), 0.75f);
    EXPECT_EQ (plugin->dispatch (EffectOpcode::string2parameter, 9, 0, text), 0);
}

TEST_F (PluginBehaviour, ChunksTravelBothWaysByteForByte)
{
    const auto fresh = chunk (false);
    ASSERT_EQ (fresh.size(), 163u);
    EXPECT_EQ (std::memcmp (fresh.data(), "VC2!", 4), 0);
    EXPECT_EQ (chunk (true), fresh);

    plugin->dispatch (EffectOpcode::setProgram, 0, 9);
    plugin->setParameter (0, 0.3f);
    auto saved = chunk (false);

    RecordingHost otherHost;
    auto other = loadPlugin (otherHost);
    ASSERT_NE (other, nullptr);
    EXPECT_EQ (other->dispatch (EffectOpcode::setChunk, 0, static_cast<long long> (saved.size()), saved.data()), 0);

    void* data = nullptr;
    const auto size = other->dispatch (EffectOpcode::getChunk, 0, 0, &data);
    ASSERT_EQ (static_cast<size_t> (size), saved.size());
    EXPECT_EQ (std::memcmp (data, saved.data(), saved.size()), 0);
    EXPECT_EQ (other->dispatch (EffectOpcode::getProgram), 9);
    EXPECT_EQ (other->getParameter (0), 0.3f);

    // A host going back to a state it kept without copying hands the plug-in its own chunk.
    other->setParameter (0, 0.9f);
    other->setParameter (2, 0.05f);
    other->dispatch (EffectOpcode::setChunk, 0, size, data);
    EXPECT_EQ (other->getParameter (0), 0.3f);
    EXPECT_EQ (other->getParameter (2), plugin->getParameter (2));

    // A damaged chunk changes nothing.
    saved[0] = 'X';
    other->dispatch (EffectOpcode::setChunk, 1, static_cast<long long> (saved.size()), saved.data());
    EXPECT_EQ (other->getParameter (0), 0.3f);
}

// A host may save on one thread while another autosaves, and hand each chunk straight back: every
// chunk must stay whole and in place until its own thread asks again.
TEST_F (PluginBehaviour, ChunksOnTwoThreadsAtOnce)
{
    auto saveAndRestore = [this] (bool preset) {
        int broken = 0;
        for (int round = 0; round < 300; ++round)
        {
            void* data = nullptr;
            const auto size = plugin->dispatch (EffectOpcode::getChunk, preset ? 1 : 0, 0, &data);
            const auto* bytes = static_cast<const unsigned char*> (data);
            const std::vector<unsigned char> copy (bytes, bytes + size);
            const auto textLength = static_cast<long long> (bytes[4] | bytes[5] << 8 | bytes[6] << 16 | bytes[7] << 24);
            std::this_thread::yield();

            if (size < 9 || std::memcmp (bytes, "VC2!", 4) != 0 || textLength != size - 9 || bytes[size - 1] != 0
                || std::memcmp (bytes, copy.data(), copy.size()) != 0)
                ++broken;
            plugin->dispatch (EffectOpcode::setChunk, preset ? 1 : 0, size, data);
        }
        return broken;
    };

    int brokenOnOtherThread = 0;
    std::thread other ([&] { brokenOnOtherThread = saveAndRestore (true); });
    EXPECT_EQ (saveAndRestore (false), 0);
    other.join();
    EXPECT_EQ (brokenOnOtherThread, 0);
}

// A careless host passes no place for what it asks: it gets 0 and nothing is read or written.
TEST_F (PluginBehaviour, OpcodesWithoutTheHostsPointerAnswerZero)
{
    for (auto opcode : { EffectOpcode::setProgramName, EffectOpcode::getProgramName, EffectOpcode::getParameterLabel,
                         EffectOpcode::getParameterDisplay, EffectOpcode::getParameterName, EffectOpcode::editorQueryBounds,
                         EffectOpcode::getChunk, EffectOpcode::setChunk, EffectOpcode::string2parameter,
                         EffectOpcode::getProgramNameIndexed, EffectOpcode::setSpeakerArrangement,
                         EffectOpcode::getEffectName, EffectOpcode::getVendorString, EffectOpcode::getProductString,
                         EffectOpcode::canDo, EffectOpcode::getSpeakerArrangement })
        EXPECT_EQ (plugin->dispatch (opcode, 0, 163, nullptr), 0) << opcode;

    VstSpeakerArrangement* untouched = nullptr;
    EXPECT_EQ (plugin->dispatch (EffectOpcode::getSpeakerArrangement, 0, 0, &untouched), 0);
    EXPECT_EQ (plugin->getText (EffectOpcode::getProgramName), "00 - Default");
}

TEST_F (PluginBehaviour, ImpulseTimingThroughProcessReplacing)
{
    plugin->setParameter (0, 1.0f);
    plugin->setParameter (1, 0.0f);
    plugin->setParameter (2, 0.0f);
    plugin->setParameter (3, 1.0f);
    plugin->setParameter (4, 5.0f / 6.0f);
    resume();

    std::vector<float> inLeft (600, 0.0f), inRight (600, 0.0f), outLeft (600, 9.0f), outRight (600, 9.0f);
    inLeft[0] = 1.0f;
    float* inputs[] = { inLeft.data(), inRight.data() };
    float* outputs[] = { outLeft.data(), outRight.data() };
    plugin->processReplacing (inputs, outputs, 600);

    for (int i = 0; i < 449; ++i)
        ASSERT_LT (std::abs (outLeft[i]), 1.0e-9f) << i;
    EXPECT_NEAR (outLeft[449], -0.0010244f, 1.0e-7f);
    EXPECT_NEAR (outRight[449], 0.0010244f, 1.0e-7f);
    EXPECT_EQ (inLeft[0], 1.0f) << "the host's input is left alone";
}

TEST_F (PluginBehaviour, TheFirstProcessCallResumesByItself)
{
    plugin->setParameter (0, 0.0f);
    std::vector<float> left (64, 0.5f), right (64, 0.5f);
    float* channels[] = { left.data(), right.data() };
    plugin->processReplacing (channels, channels, 64);

    EXPECT_NEAR (left[10], 0.5f, 1.0e-5f);
    EXPECT_EQ (host.requestsWith (HostOpcode::getCurrentProcessLevel).size(), 2u) << "at the resume and at the first call";
}

TEST_F (PluginBehaviour, MonoInputAndBypass)
{
    VstSpeakerArrangement* mono = nullptr;
    VstSpeakerArrangement* stereo = nullptr;
    ASSERT_TRUE (allocateSpeakerArrangement (&mono, 1));
    ASSERT_TRUE (allocateSpeakerArrangement (&stereo, 2));
    EXPECT_EQ (plugin->dispatch (EffectOpcode::setSpeakerArrangement, 0, reinterpret_cast<long long> (mono), stereo), 1);
    EXPECT_EQ (plugin->dispatch (EffectOpcode::setSpeakerArrangement, 0, reinterpret_cast<long long> (stereo), mono), 0);
    EXPECT_EQ (plugin->record().numInputs, 1);

    plugin->setParameter (0, 0.0f);
    resume();
    std::vector<float> in (32, 0.25f), left (32, 7.0f), right (32, 7.0f);
    float* inputs[] = { in.data() };
    float* outputs[] = { left.data(), right.data() };
    plugin->processReplacing (inputs, outputs, 32);
    EXPECT_EQ (left, right) << "a mono input plays in the middle";
    EXPECT_NEAR (left[5], 0.25f, 1.0e-5f);

    EXPECT_EQ (plugin->dispatch (EffectOpcode::setBypass, 0, 1), 1);
    std::vector<float> passLeft (32, 0.1f), passRight (32, 0.2f);
    float* passed[] = { passLeft.data(), passRight.data() };
    plugin->processReplacing (inputs, passed, 32);
    EXPECT_EQ (passLeft[3], 0.25f);
    EXPECT_EQ (passRight[3], 0.25f) << "bypassed, a mono input still plays in the middle";

    releaseSpeakerArrangement (&mono);
    releaseSpeakerArrangement (&stereo);
}

// A host switches between mono and stereo input while nothing reads the record; then one of its threads
// reads the record, unguarded, while another resumes and hands the plug-in the same arrangement again.
TEST_F (PluginBehaviour, TheRecordIsReadWhileAnotherThreadResumesWithTheSameArrangement)
{
    VstSpeakerArrangement* mono = nullptr;
    VstSpeakerArrangement* stereo = nullptr;
    ASSERT_TRUE (allocateSpeakerArrangement (&mono, 1));
    ASSERT_TRUE (allocateSpeakerArrangement (&stereo, 2));
    const AEffect& record = plugin->record();

    for (auto* inputs : { mono, stereo, mono, stereo })
    {
        const auto arrange = [&] {
            plugin->dispatch (EffectOpcode::setSpeakerArrangement, 0, reinterpret_cast<long long> (inputs), stereo);
        };
        arrange();
        std::atomic<bool> reading { true };
        int unexpected = 0;
        std::thread reader ([&] {
            while (reading)
                if (record.numInputs != inputs->channelCount || record.numOutputs != 2 || record.initialDelay != 0
                    || record.flags != 0x31)
                    ++unexpected;
        });
        for (int round = 0; round < 20; ++round)
        {
            resume();
            arrange();
        }
        reading = false;
        reader.join();
        EXPECT_EQ (unexpected, 0) << inputs->channelCount << " inputs";
    }
    releaseSpeakerArrangement (&mono);
    releaseSpeakerArrangement (&stereo);
}

// Hosts may switch between mono and stereo input, or bypass, while the audio thread is processing.
TEST_F (PluginBehaviour, ArrangementAndBypassChangeWhileProcessing)
{
    VstSpeakerArrangement* mono = nullptr;
    VstSpeakerArrangement* stereo = nullptr;
    ASSERT_TRUE (allocateSpeakerArrangement (&mono, 1));
    ASSERT_TRUE (allocateSpeakerArrangement (&stereo, 2));
    resume();

    std::atomic<bool> running { true };
    bool allFinite = true;
    std::thread audio ([&] {
        std::vector<float> inLeft (128, 0.25f), inRight (128, -0.25f), outLeft (128), outRight (128);
        float* inputs[] = { inLeft.data(), inRight.data() };
        float* outputs[] = { outLeft.data(), outRight.data() };
        while (running)
        {
            plugin->processReplacing (inputs, outputs, 128);
            for (size_t i = 0; i < outLeft.size(); ++i)
                allFinite = allFinite && std::isfinite (outLeft[i]) && std::isfinite (outRight[i]);
        }
    });

    for (int change = 0; change < 200; ++change)
    {
        auto* inputs = change % 2 == 0 ? mono : stereo;
        EXPECT_EQ (plugin->dispatch (EffectOpcode::setSpeakerArrangement, 0, reinterpret_cast<long long> (inputs), stereo), 1);
        plugin->dispatch (EffectOpcode::setBypass, 0, change % 3 == 0 ? 1 : 0);
        std::this_thread::yield();
    }
    running = false;
    audio.join();

    EXPECT_TRUE (allFinite);
    releaseSpeakerArrangement (&mono);
    releaseSpeakerArrangement (&stereo);
}

// The number after `key` in a /proc status file, 0 where there is none.
static long statusValue (const std::filesystem::path& status, const std::string& key)
{
    std::ifstream file (status);
    for (std::string line; std::getline (file, line);)
        if (line.rfind (key + ":", 0) == 0)
            return std::stol (line.substr (key.size() + 1));
    return 0;
}

// How often the plug-in's threads, and JUCE's, have been switched to so far.
static long contextSwitchesOfPluginThreads()
{
    long switches = 0;
    for (const auto& task : std::filesystem::directory_iterator ("/proc/self/task"))
    {
        std::ifstream nameFile (task.path() / "comm");
        std::string name;
        std::getline (nameFile, name);
        if (name.rfind ("Halvorn", 0) == 0 || name.rfind ("JUCE", 0) == 0)
            switches += statusValue (task.path() / "status", "voluntary_ctxt_switches")
                        + statusValue (task.path() / "status", "nonvoluntary_ctxt_switches");
    }
    return switches;
}

// Instances that a host has loaded, changed and left alone, with no editor open any more: no thread
// of theirs wakes, once the last editor has been closed for a second.
TEST_F (PluginBehaviour, InstancesWithNoEditorOpenWakeNoThread)
{
    EditorRect* rect = nullptr;
    ASSERT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0);
    plugin->dispatch (EffectOpcode::editorIdleTick);
    plugin->dispatch (EffectOpcode::editorCloseView);

    constexpr int instances = 16;
    RecordingHost otherHost;
    std::vector<std::unique_ptr<VstHostedEffect>> loaded;
    for (int instance = 0; instance < instances; ++instance)
    {
        loaded.push_back (loadPlugin (otherHost));
        ASSERT_NE (loaded.back(), nullptr);
        loaded.back()->dispatch (EffectOpcode::open);
        loaded.back()->dispatch (EffectOpcode::setProgram, 0, instance % 24);
    }
    resume();

    // On a loaded machine the threads may still be on their way to sleep.
    constexpr int settlingSteps = 30;
    auto before = contextSwitchesOfPluginThreads();
    for (int step = 0; step < settlingSteps; ++step)
    {
        std::this_thread::sleep_for (std::chrono::milliseconds (100));
        const auto now = contextSwitchesOfPluginThreads();
        const auto settled = now == before;
        before = now;
        if (settled)
            break;
    }
    std::this_thread::sleep_for (std::chrono::seconds (1));
    EXPECT_EQ (contextSwitchesOfPluginThreads() - before, 0);
}

TEST_F (PluginBehaviour, EditorBoundsWithoutAWindow)
{
    for (int round = 0; round < 3; ++round)
    {
        EditorRect* rect = nullptr;
        const auto answer = plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect);
        ASSERT_NE (rect, nullptr);
        EXPECT_EQ (answer, reinterpret_cast<long long> (rect));
        EXPECT_EQ (rect->top, 0);
        EXPECT_EQ (rect->left, 0);
        EXPECT_EQ (rect->bottom, 110);
        EXPECT_EQ (rect->right, 430);
        EXPECT_EQ (plugin->dispatch (EffectOpcode::editorIdleTick), 0);
        EXPECT_EQ (plugin->dispatch (EffectOpcode::editorCloseView), 0);
        EXPECT_EQ (rect->right, 430) << "hosts read the rectangle they were given after closing the editor";
    }

    EditorRect* rect = nullptr;
    plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect);
    // The plug-in closes with its editor still there.
}

// The thread that opens the editors drives them, from its idle calls, and reopens one, while the
// audio thread changes programs and so posts change messages to them, and now and then prepares
// playing at another rate, which the editors show. Another thread may drive them too while this one is
// not inside the plug-in, and may close one.
TEST_F (PluginBehaviour, EditorsOfTwoInstancesWhileTheAudioThreadChangesProgramsAndRates)
{
    RecordingHost secondHost;
    auto second = loadPlugin (secondHost);
    ASSERT_NE (second, nullptr);
    second->dispatch (EffectOpcode::open);

    EditorRect* rect = nullptr;
    ASSERT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0);
    ASSERT_NE (second->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0);
    std::thread ([&second] {
        EditorRect* elsewhere = nullptr;
        EXPECT_NE (second->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &elsewhere), 0);
        EXPECT_EQ (elsewhere->right, 430);
        second->dispatch (EffectOpcode::editorIdleTick);
    }).join();

    std::atomic<bool> playing { true };
    std::thread audio ([&] {
        bool higherRate = false;
        for (int program = 0; playing; program = (program + 1) % 24)
        {
            plugin->dispatch (EffectOpcode::setProgram, 0, program);
            second->dispatch (EffectOpcode::setProgram, 0, program);
            if (program == 0)
                resume ((higherRate = ! higherRate) ? 48000.0f : 44100.0f);
        }
    });
    for (int tick = 0; tick < 50; ++tick)
    {
        plugin->dispatch (EffectOpcode::editorCloseView);
        plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect);
        plugin->dispatch (EffectOpcode::editorIdleTick);
        second->dispatch (EffectOpcode::editorIdleTick);
        std::this_thread::sleep_for (std::chrono::milliseconds (2));
    }
    playing = false;
    audio.join();

    EXPECT_EQ (plugin->dispatch (EffectOpcode::editorCloseView), 0);
    EXPECT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0);
    // The first closes with its editor open, while the second's editor still needs JUCE.
    plugin->close();

    // A host that closes an editor from another thread, while its GUI thread goes on idling.
    std::atomic<bool> closed { false };
    std::thread closer ([&] {
        second->dispatch (EffectOpcode::editorCloseView);
        closed = true;
    });
    while (! closed)
        second->dispatch (EffectOpcode::editorIdleTick);
    closer.join();

    EXPECT_NE (second->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0) << "a new editor after the old one went elsewhere";
    second->close();
}

// Runs step on a worker of its own and waits for it, as a host's GUI thread joins a worker. A step that
// has not returned in time has hung the host; the test process ends there, since a hung thread cannot
// be taken back.
static void returnsInTime (const char* what, std::function<void()> step)
{
    constexpr auto hostCallLimit = std::chrono::seconds (10);
    std::packaged_task<void()> task (std::move (step));
    auto returned = task.get_future();
    std::thread worker (std::move (task));
    if (returned.wait_for (hostCallLimit) == std::future_status::timeout)
    {
        std::fprintf (stderr, "FAILED: %s did not return within %lld s\n", what, static_cast<long long> (hostCallLimit.count()));
        std::_Exit (1);
    }
    worker.join();
}

// Closing an instance or an editor never waits for another host thread, which may be waiting for the
// closing one: for a GUI thread that joins its worker, for one whose editor call was its last act, and
// for one that waits for the host's own lock.
TEST_F (PluginBehaviour, ClosingNeverWaitsForAnotherHostThread)
{
    RecordingHost otherHost;
    auto second = loadPlugin (otherHost);
    auto third = loadPlugin (otherHost);
    ASSERT_TRUE (second != nullptr && third != nullptr);

    EditorRect* rect = nullptr;
    ASSERT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0);
    plugin->dispatch (EffectOpcode::editorIdleTick);
    returnsInTime ("closing another instance on a worker", [&] { second->close(); });
    returnsInTime ("closing the editor on a worker", [&] { plugin->dispatch (EffectOpcode::editorCloseView); });

    std::thread ([&] { EXPECT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0); }).join();
    std::thread ([&] { plugin->dispatch (EffectOpcode::editorIdleTick); }).join();
    returnsInTime ("closing an editor that an ended thread opened", [&] { plugin->dispatch (EffectOpcode::editorCloseView); });

    std::mutex hostLock;
    std::atomic<bool> idling { true };
    std::thread gui ([&] {
        {
            const std::lock_guard<std::mutex> held (hostLock);
            EXPECT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0);
        }
        while (idling)
        {
            {
                const std::lock_guard<std::mutex> held (hostLock);
                plugin->dispatch (EffectOpcode::editorIdleTick);
            }
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
    });
    std::this_thread::sleep_for (std::chrono::milliseconds (20));
    returnsInTime ("closing an instance under the host's lock", [&] {
        const std::lock_guard<std::mutex> held (hostLock);
        third->close();
    });
    idling = false;
    gui.join();
}

// Starts both calls at the same moment, each on a thread of its own, and waits for both within the
// hang limit.
static void atTheSameMoment (const char* what, std::function<void()> first, std::function<void()> second)
{
    returnsInTime (what, [&first, &second] {
        std::atomic<int> ready { 0 };
        const auto startTogether = [&ready] {
            ++ready;
            while (ready < 2)
                std::this_thread::yield();
        };
        std::thread other ([&] {
            startTogether();
            first();
        });
        startTogether();
        second();
        other.join();
    });
}

// A host that unloads plug-ins on worker threads closes the last two at once: the runtime stops once,
// after both threads are done with it, and starts again for the next instance.
TEST_F (PluginBehaviour, TheLastTwoInstancesCloseOnTwoThreadsAtOnce)
{
    constexpr int rounds = 3000;
    plugin->close();

    for (int round = 0; round < rounds; ++round)
    {
        auto first = loadPlugin (host);
        auto second = loadPlugin (host);
        ASSERT_TRUE (first != nullptr && second != nullptr);
        atTheSameMoment ("closing the last two instances at once", [&] { first->close(); }, [&] { second->close(); });
    }
}

// A sanitizer keeps freed memory, and memory of its own, for its checks.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool residentMemoryIsTheProgramsOwn = false;
#else
constexpr bool residentMemoryIsTheProgramsOwn = true;
#endif

// The process's resident memory so far, at its peak, in kilobytes.
static long peakResidentKilobytes()
{
    return statusValue ("/proc/self/status", "VmHWM");
}

// A plug-in scanner's threads load and close instances as fast as they can, beside busy threads of the
// host's own: no close waits long, and the instances closed while another thread holds JUCE are freed
// about as fast as they come, instead of piling up.
TEST_F (PluginBehaviour, ThreadsThatLoadAndCloseInstancesAtOnce)
{
    constexpr int scanners = 8;
    constexpr int busyThreads = 8;
    constexpr auto churning = std::chrono::seconds (2);
    constexpr auto generousCloseBound = std::chrono::seconds (2);
    constexpr long generousGrowthKilobytes = 64 * 1024;

    const auto peakBefore = peakResidentKilobytes();
    std::atomic<bool> going { true };
    std::vector<std::thread> threads;
    for (int thread = 0; thread < busyThreads; ++thread)
        threads.emplace_back ([&going] {
            for (volatile long spin = 0; going; spin = spin + 1)
            {
            }
        });

    std::atomic<long> longestCloseNs { 0 };
    for (int thread = 0; thread < scanners; ++thread)
        threads.emplace_back ([this, &going, &longestCloseNs] {
            while (going)
            {
                auto scanned = loadPlugin (host);
                ASSERT_NE (scanned, nullptr);
                scanned->dispatch (EffectOpcode::open);
                const auto start = std::chrono::steady_clock::now();
                scanned->close();
                const long took = std::chrono::nanoseconds (std::chrono::steady_clock::now() - start).count();
                for (long longest = longestCloseNs; took > longest && ! longestCloseNs.compare_exchange_weak (longest, took);)
                {
                }
            }
        });
    std::this_thread::sleep_for (churning);
    going = false;
    for (auto& thread : threads)
        thread.join();

    EXPECT_LT (longestCloseNs.load(), std::chrono::nanoseconds (generousCloseBound).count());
    if (residentMemoryIsTheProgramsOwn)
    {
        EXPECT_LT (peakResidentKilobytes() - peakBefore, generousGrowthKilobytes);
    }
}

// A host that removes a plug-in on one thread while another thread opens the first editor of another:
// neither waits for the other's editor. And a host that closes an editor on one thread while another
// opens it again: whichever comes second, the editor is left whole and opens again.
TEST_F (PluginBehaviour, ClosesRaceTheFirstEditorsOpen)
{
    constexpr int rounds = 1500;
    RecordingHost otherHost;
    auto second = loadPlugin (otherHost);
    ASSERT_NE (second, nullptr);

    const auto makeFirstEditor = [this] {
        EditorRect* rect = nullptr;
        EXPECT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0);
    };
    const auto reopenAndIdle = [&makeFirstEditor, this] {
        makeFirstEditor();
        plugin->dispatch (EffectOpcode::editorIdleTick);
    };
    for (int round = 0; round < rounds; ++round)
    {
        auto closing = loadPlugin (otherHost);
        ASSERT_NE (closing, nullptr);
        atTheSameMoment ("closing an instance while another thread makes the first editor", [&] { closing->close(); }, makeFirstEditor);
        plugin->dispatch (EffectOpcode::editorCloseView);

        atTheSameMoment ("closing an editor that is not open while another thread makes the first editor",
                         [&] { second->dispatch (EffectOpcode::editorCloseView); }, makeFirstEditor);

        atTheSameMoment ("closing an editor while another thread opens it again",
                         [&] { plugin->dispatch (EffectOpcode::editorCloseView); }, reopenAndIdle);
        makeFirstEditor();
        plugin->dispatch (EffectOpcode::editorCloseView);
    }
}

// A host that keeps closing an editor on one thread while another makes the first editor and closes
// it again: the closes handed to the thread that makes the editor are a bounded share, so every
// editor request returns while the closes go on.
TEST_F (PluginBehaviour, EditorRequestsReturnWhileAnotherThreadKeepsClosingEditors)
{
    constexpr int rounds = 200;
    RecordingHost otherHost;
    auto second = loadPlugin (otherHost);
    ASSERT_NE (second, nullptr);

    std::atomic<bool> closing { true };
    std::thread closer ([&] {
        while (closing)
            second->dispatch (EffectOpcode::editorCloseView);
    });
    for (int round = 0; round < rounds; ++round)
        returnsInTime ("making the first editor while another thread keeps closing editors", [this] {
            EditorRect* rect = nullptr;
            EXPECT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0);
            plugin->dispatch (EffectOpcode::editorCloseView);
        });
    closing = false;
    closer.join();
}

// An editor request waits for a thread that is delivering the editors' messages, which runs only the
// plug-in's own code, instead of answering that there is no editor.
TEST_F (PluginBehaviour, AnEditorRequestWaitsForAThreadThatIsIdling)
{
    constexpr int deliveriesToOverlap = 2000;
    RecordingHost otherHost;
    auto second = loadPlugin (otherHost);
    ASSERT_NE (second, nullptr);
    EditorRect* rect = nullptr;
    ASSERT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0);

    // Program changes give each delivery something to do.
    std::atomic<bool> idling { true };
    std::atomic<int> deliveries { 0 };
    std::thread gui ([&] {
        for (int program = 0; idling; program = (program + 1) % 24)
        {
            plugin->dispatch (EffectOpcode::setProgram, 0, program);
            plugin->dispatch (EffectOpcode::editorIdleTick);
            ++deliveries;
        }
    });
    while (deliveries == 0)
        std::this_thread::yield();

    int requests = 0, refused = 0;
    for (const auto last = deliveries + deliveriesToOverlap; deliveries < last; ++requests)
        if (second->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect) == 0)
            ++refused;
    idling = false;
    gui.join();

    EXPECT_EQ (refused, 0) << "of " << requests;
}
