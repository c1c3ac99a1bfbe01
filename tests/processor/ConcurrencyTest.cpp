#include "ProcessorFixture.h"

#include <thread>


// Hosts change parameters, programs and state from their own threads while audio runs. Under
// ThreadSanitizer this test shows the engine's hand-over to be free of data races; in every build
// it shows that no output turns non-finite meanwhile.
TEST_F (ProcessorTest, ChangesFromOtherThreadsWhileBlocksAreProcessed)
{
    prepare (44100.0);
    juce::MemoryBlock blob;
    processor->getStateInformation (blob);

    std::atomic<bool> running { true };
    std::atomic<int> blocks { 0 };
    bool allFinite = true;

    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::Random random (1);
        while (running)
        {
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < 256; ++i)
                    buffer.setSample (ch, i, random.nextFloat() - 0.5f);
            process (buffer);
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < 256; ++i)
                    allFinite = allFinite && std::isfinite (buffer.getSample (ch, i));
            ++blocks;
        }
    });

    std::thread automation ([&] {
        juce::Random random (2);
        for (int i = 0; i < 3000; ++i)
            processor->setParameter (random.nextInt (5), random.nextFloat() * 1.4f - 0.2f);
    });

    std::thread programsAndNames ([&] {
        for (int i = 0; i < 300; ++i)
        {
            processor->setCurrentProgram (i % 24);
            processor->changeProgramName (i % 24, "Renamed");
            EXPECT_FALSE (processor->getProgramName ((i + 1) % 24).isEmpty());
        }
    });

    std::thread state ([&] {
        for (int i = 0; i < 200; ++i)
        {
            processor->setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));
            juce::MemoryBlock copy;
            processor->getStateInformation (copy);
            ManualClock::now += 250;
        }
    });

    automation.join();
    programsAndNames.join();
    state.join();

    // The host re-prepares between blocks, as a resume does, while names are being read.
    std::thread reader ([&] {
        for (int i = 0; i < 200; ++i)
            EXPECT_FALSE (processor->getProgramName (i % 24).isEmpty());
    });
    for (int i = 0; i < 20; ++i)
        prepare (i % 2 == 0 ? 48000.0 : 44100.0);
    reader.join();

    while (blocks < 50)
        std::this_thread::yield();
    running = false;
    audio.join();

    EXPECT_TRUE (allFinite);
}

