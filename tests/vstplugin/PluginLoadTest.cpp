#include "LoadedPlugin.h"
#include "EffectEditor.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <thread>

TEST (PluginLoad, TheRecordAHostSees)
{
    RecordingHost host;
    auto plugin = loadPlugin (host);
    ASSERT_NE (plugin, nullptr);
    const auto& record = plugin->record();

    EXPECT_EQ (record.magic, 0x56737450);
    EXPECT_EQ (record.flags, 0x31);
    EXPECT_EQ (record.version, 300);
    EXPECT_EQ (record.uniqueID, fourCharCode ("hvrn"));
    EXPECT_EQ (record.numInputs, 2);
    EXPECT_EQ (record.numOutputs, 2);
    EXPECT_EQ (record.numPrograms, 24);
    EXPECT_EQ (record.numParameters, 5);
    EXPECT_EQ (record.initialDelay, 0);
    EXPECT_EQ (host.requestsWith (HostOpcode::getMasterVersion).size(), 1u);

    plugin->dispatch (EffectOpcode::open);
    EXPECT_EQ (record.flags, 0x31) << "the processor has an editor";
}

TEST (PluginLoad, NamesCategoryAndCapabilities)
{
    RecordingHost host;
    auto plugin = loadPlugin (host);
    ASSERT_NE (plugin, nullptr);

    EXPECT_EQ (plugin->getText (EffectOpcode::getEffectName), "Halvorn");
    EXPECT_EQ (plugin->getText (EffectOpcode::getVendorString), "TEVRAL Soft");
    EXPECT_EQ (plugin->getText (EffectOpcode::getProductString), "Halvorn");
    EXPECT_EQ (plugin->dispatch (EffectOpcode::getVendorVersion), 0x30000);
    EXPECT_EQ (plugin->dispatch (EffectOpcode::getPlugCategory), 1);
    EXPECT_EQ (plugin->dispatch (EffectOpcode::getGetTailSize), 0);
    EXPECT_EQ (plugin->dispatch (EffectOpcode::getVstVersion), 2400);

    char midi[] = "receiveVstMidiEvent";
    EXPECT_EQ (plugin->dispatch (EffectOpcode::canDo, 0, 0, midi), -1);
    char unknown[] = "somethingElse";
    EXPECT_EQ (plugin->dispatch (EffectOpcode::canDo, 0, 0, unknown), 0);

    // Resuming never asks the host for MIDI events.
    plugin->dispatch (EffectOpcode::suspendOrResume, 0, 1);
    EXPECT_TRUE (host.requestsWith (HostOpcode::wantEvents).empty());
    EXPECT_EQ (host.requestsWith (HostOpcode::getCurrentProcessLevel).size(), 1u);
}

TEST (PluginLoad, AHostThatCannotTellItsVersionIsRefused)
{
    RecordingHost host;
    host.versionAnswer = 0;
    std::string error;
    EXPECT_EQ (VstHostedEffect::load (HALVORN_VST_PLUGIN, error, host.handler()), nullptr);
    EXPECT_EQ (host.requestsWith (HostOpcode::getMasterVersion).size(), 1u);
}

TEST (PluginLoad, CloseDeletesTheEffectAndAnswersOne)
{
    RecordingHost host;
    auto plugin = loadPlugin (host);
    ASSERT_NE (plugin, nullptr);
    plugin->dispatch (EffectOpcode::open);
    plugin->dispatch (EffectOpcode::suspendOrResume, 0, 1);
    EXPECT_EQ (plugin->dispatch (EffectOpcode::close), 1);
}

// Hosts unload the library once its last instance is closed, and may load it again later in the same
// process. The library stays mapped, since a thread of JUCE's may still be finishing inside it.
TEST (PluginLoad, LoadedAgainAfterItsLibraryWasUnloaded)
{
    std::vector<float> firstOutput;
    for (int round = 0; round < 2; ++round)
    {
        RecordingHost host;
        auto plugin = loadPlugin (host);
        ASSERT_NE (plugin, nullptr);
        plugin->dispatch (EffectOpcode::open);
        plugin->dispatch (EffectOpcode::setSampleRate, 0, 0, nullptr, 44100.0f);
        plugin->dispatch (EffectOpcode::suspendOrResume, 0, 1);

        EditorRect* rect = nullptr;
        ASSERT_NE (plugin->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect), 0) << "round " << round;
        ASSERT_NE (rect, nullptr);
        EXPECT_EQ (rect->right, 430) << "round " << round;
        EXPECT_EQ (plugin->dispatch (EffectOpcode::editorIdleTick), 0);

        std::vector<float> left (4096, 0.0f), right (4096, 0.0f);
        left[0] = 1.0f;
        float* channels[] = { left.data(), right.data() };
        plugin->processReplacing (channels, channels, static_cast<std::int32_t> (left.size()));
        EXPECT_NE (std::count (left.begin(), left.end(), 0.0f), static_cast<long> (left.size())) << "round " << round;
        if (round == 0)
            firstOutput = left;
        else
            EXPECT_EQ (left, firstOutput) << "a new first instance sounds like the first one did";

        plugin.reset();
        void* stillMapped = dlopen (HALVORN_VST_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE (stillMapped, nullptr) << "round " << round << ": the library went with its last instance";
        if (stillMapped != nullptr)
            dlclose (stillMapped);
    }
}

TEST (PluginLoad, ManyInstancesOnManyThreads)
{
    std::vector<std::thread> threads;
    std::atomic<int> loaded { 0 };

    for (int t = 0; t < 4; ++t)
        threads.emplace_back ([&loaded] {
            for (int round = 0; round < 5; ++round)
            {
                RecordingHost host;
                auto first = loadPlugin (host);
                auto second = loadPlugin (host);
                if (first == nullptr || second == nullptr)
                    return;
                first->dispatch (EffectOpcode::suspendOrResume, 0, 1);
                std::vector<float> left (256, 0.25f), right (256, -0.25f);
                float* channels[] = { left.data(), right.data() };
                first->processReplacing (channels, channels, 256);
                second.reset();
                first.reset();
                loaded += 2;
            }
        });

    for (auto& thread : threads)
        thread.join();

    EXPECT_EQ (loaded, 40);
}
