#include "ProcessorFixture.h"

#include <climits>
#include <cstring>


TEST_F (ProcessorTest, FixedAnswers)
{
    EXPECT_EQ (processor->getName(), "Halvorn");
    EXPECT_EQ (processor->getInputChannelName (0), "1");
    EXPECT_EQ (processor->getInputChannelName (2), "3");
    EXPECT_EQ (processor->getOutputChannelName (-2), "-1");
    EXPECT_EQ (processor->getInputChannelName (INT_MAX), "2147483648");
    EXPECT_EQ (processor->getOutputChannelName (INT_MAX), "2147483648");
    EXPECT_TRUE (processor->isInputChannelStereoPair (7));
    EXPECT_TRUE (processor->isOutputChannelStereoPair (-1));
    EXPECT_FALSE (processor->acceptsMidi());
    EXPECT_FALSE (processor->producesMidi());
    EXPECT_FALSE (processor->silenceInProducesSilenceOut());
    EXPECT_EQ (processor->getTailLengthSeconds(), 0.0);
    EXPECT_EQ (processor->wrapperType, juce::AudioProcessor::wrapperType_VST);
}

TEST_F (ProcessorTest, TheFactoryRecordsTheWrapperTypeOnlyForItsOwnProcessor)
{
    std::unique_ptr<juce::AudioProcessor> unit (createPluginFilterOfType (juce::AudioProcessor::wrapperType_AudioUnit));
    EXPECT_EQ (unit->wrapperType, juce::AudioProcessor::wrapperType_AudioUnit);

    juce::MemoryBlock a, b;
    unit->getStateInformation (a);
    processor->getStateInformation (b);
    EXPECT_EQ (a, b);
}

TEST_F (ProcessorTest, AFreshProcessorPlaysTheDefaultProgram)
{
    EXPECT_EQ (processor->getCurrentProgram(), 0);
    EXPECT_EQ (processor->getParameter (mixParameter), 0.5f);
    EXPECT_EQ (processor->getParameterText (mixParameter), "0.50");
    EXPECT_EQ (processor->getParameter (predelayParameter), 0.12851405f);
    EXPECT_EQ (processor->getParameter (decayParameter), 0.42221123f);
    EXPECT_EQ (processor->getParameter (fcutParameter), 0.8643856f);
    EXPECT_EQ (processor->getParameterText (volumeParameter), "0.83");
}

TEST_F (ProcessorTest, ParameterNamesTextsAndIndicesOutsideTheRange)
{
    EXPECT_EQ (processor->getNumParameters(), 5);
    const char* names[] = { "Mix", "Predelay", "Decay", "FCut", "Volume" };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ (processor->getParameterName (i), names[i]);

    EXPECT_EQ (processor->getParameterName (5), "");
    EXPECT_EQ (processor->getParameterText (-1), "");
    EXPECT_EQ (processor->getParameter (5), 0.0f);
    EXPECT_EQ (processor->getParameter (-1), 0.0f);

    juce::MemoryBlock before, after;
    processor->getStateInformation (before);
    processor->setParameter (5, 0.3f);
    processor->setParameter (-1, 0.3f);
    processor->getStateInformation (after);
    EXPECT_EQ (before, after);

    processor->setParameter (decayParameter, 0.125f);
    EXPECT_EQ (processor->getParameterText (decayParameter), "0.13");
    // The cut name that the VST effect hands hosts comes from JUCE's own (deprecated) two-argument form.
    JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE ("-Wdeprecated-declarations")
    EXPECT_EQ (processor->getParameterName (decayParameter, 3), "Dec");
    JUCE_END_IGNORE_WARNINGS_GCC_LIKE
}

TEST_F (ProcessorTest, ValuesWithinTheRangeReadBackBitForBit)
{
    juce::Random random (3);
    for (int i = 0; i < 1000; ++i)
    {
        const auto value = random.nextFloat();
        processor->setParameter (i % 5, value);
        const auto back = processor->getParameter (i % 5);
        ASSERT_EQ (std::memcmp (&value, &back, sizeof (float)), 0);
    }
}

TEST_F (ProcessorTest, AFailedOrMissingPreparationNeverProcesses)
{
    juce::AudioBuffer<float> buffer (2, 16);
    buffer.clear();
    buffer.setSample (0, 3, 0.5f);

    prepare (0.0);
    process (buffer);
    EXPECT_EQ (buffer.getSample (0, 3), 0.5f);
    EXPECT_EQ (buffer.getSample (1, 3), 0.0f);

    prepare (44100.0);
    process (buffer);
    EXPECT_NE (buffer.getSample (0, 3), 0.5f);
}

