#include "ProcessorFixture.h"
#include "Programs.h"


namespace
{
struct ChangeCounter : juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
    int count = 0;
};

// "FCut" of every program at 44100 and 48000 Hz.
constexpr float fcutAt44100[Programs::numPrograms] = {
    0.8643856f, 1.0f, 0.46438563f, 0.7400879f, 1.0f, 0.4275007f, 0.761471f, 0.81749254f,
    0.9509775f, 1.0f, 0.46438563f, 0.7169925f, 0.7400879f, 1.0f, 0.7400879f, 0.29708537f,
    0.82799214f, 0.92807794f, 0.34008795f, 0.6269756f, 0.633985f, 0.0f, 0.61297655f, 0.5609759f
};
} // namespace

class ProgramSelection : public ProcessorTest
{
protected:
    int changesAfter (const std::function<void()>& action)
    {
        // What earlier steps posted arrives first, so that only the action's own broadcasts count.
        processor->deliverPendingProgramChange();
        ChangeCounter counter;
        processor->addProgramChangeListener (&counter);
        action();
        dispatchChangeNotices();
        processor->removeProgramChangeListener (&counter);
        return counter.count;
    }
};

TEST (ProgramTable, NamesAndValuesAtTheUsualRates)
{
    for (const auto rate : { 44100.0, 48000.0 })
    {
        const Programs programs (rate);
        for (int n = 0; n < Programs::numPrograms; ++n)
        {
            EXPECT_EQ (programs.getValue (n, fcutParameter), fcutAt44100[n]) << n << " at " << rate;
            EXPECT_EQ (programs.getValue (n, volumeParameter), 0.8333333f);
            EXPECT_LE (programs.getName (n).getNumBytesAsUTF8(), 23u);
        }
    }

    const Programs programs (44100.0);
    EXPECT_EQ (programs.getName (0), "00 - Default");
    EXPECT_EQ (programs.getName (23), "23 - C.S.I.");
    EXPECT_EQ (programs.getValue (0, predelayParameter), 0.12851405f);
    EXPECT_EQ (programs.getValue (22, predelayParameter), 0.7248996f);
    EXPECT_EQ (programs.getValue (17, decayParameter), 0.54603827f);
    EXPECT_EQ (programs.getValue (13, decayParameter), 1.0f);
    EXPECT_EQ (programs.getValue (14, decayParameter), 0.0f);
}

TEST (ProgramTable, LowAndMissingRates)
{
    const Programs at32k (32000.0);
    EXPECT_EQ (at32k.getValue (0, fcutParameter), 0.88078755f);
    EXPECT_EQ (at32k.getValue (1, fcutParameter), 1.0f) << "a cut-off above the range is limited to its top";

    const Programs atZero (0.0);
    for (int n = 0; n < Programs::numPrograms; ++n)
    {
        EXPECT_EQ (atZero.getValue (n, fcutParameter), 0.0f);
        EXPECT_EQ (atZero.getValue (n, predelayParameter), at32k.getValue (n, predelayParameter));
    }

    for (const auto rate : { 3000.0, 8000.0, 22050.0, 96000.0 })
        EXPECT_EQ (Programs (rate).getValue (21, fcutParameter), 0.0f) << rate;
    EXPECT_EQ (Programs (2000.0).getValue (0, fcutParameter), 0.0f);
}

TEST_F (ProgramSelection, SelectingAppliesFourValuesAndKeepsMix)
{
    processor->setParameter (mixParameter, 0.3f);
    EXPECT_EQ (changesAfter ([this] { processor->setCurrentProgram (14); }), 1);

    EXPECT_EQ (processor->getCurrentProgram(), 14);
    EXPECT_EQ (processor->getParameter (mixParameter), 0.3f);
    EXPECT_EQ (processor->getParameter (predelayParameter), 1.0f);
    EXPECT_EQ (processor->getParameter (decayParameter), 0.0f);
    EXPECT_EQ (processor->getParameter (fcutParameter), 0.7400879f);
    EXPECT_EQ (processor->getParameter (volumeParameter), 0.8333333f);

    EXPECT_EQ (changesAfter ([this] { processor->setCurrentProgram (14); }), 1) << "the current program again";
}

TEST_F (ProgramSelection, NumbersOutsideTheTableNameNoProgram)
{
    processor->setCurrentProgram (3);
    for (const auto number : { 24, -1, 1000 })
    {
        EXPECT_EQ (changesAfter ([&] { processor->setCurrentProgram (number); }), 0);
        EXPECT_EQ (processor->getCurrentProgram(), 3);
        EXPECT_EQ (processor->getProgramName (number), "Invalid");
        processor->changeProgramName (number, "x");
    }
    EXPECT_EQ (processor->getNumPrograms(), 24);
    EXPECT_EQ (processor->getProgramName (3), "03 - Small room slapbk");
}

TEST_F (ProgramSelection, ProgramChangesRightAfterARestoreAreDropped)
{
    juce::MemoryBlock blob;
    processor->getStateInformation (blob);

    ManualClock::now = 0xFFFFFF00u; // the counter wraps within the window
    processor->setStateInformation (blob.getData(), static_cast<int> (blob.getSize()));

    ManualClock::now = 0xFFFFFF00u + 199u;
    EXPECT_EQ (changesAfter ([this] { processor->setCurrentProgram (5); }), 0);
    EXPECT_EQ (processor->getCurrentProgram(), 0);

    ManualClock::now = 0xFFFFFF00u + 200u;
    EXPECT_EQ (changesAfter ([this] { processor->setCurrentProgram (5); }), 1);
    EXPECT_EQ (processor->getCurrentProgram(), 5);

    // A refused blob opens the window just the same.
    processor->setStateInformation ("junk", 4);
    EXPECT_EQ (changesAfter ([this] { processor->setCurrentProgram (7); }), 0);
    EXPECT_EQ (processor->getCurrentProgram(), 5);
}

TEST_F (ProgramSelection, RenamesLastUntilTheNextPreparation)
{
    processor->setCurrentProgram (9);
    processor->changeProgramName (5, juce::String::fromUTF8 ("Gr\xc3\xb6\xc3\x9f" "er Saal, viel l\xc3\xa4nger als 24 Bytes"));
    EXPECT_TRUE (processor->getProgramName (5).startsWith (juce::String::fromUTF8 ("Gr\xc3\xb6")));

    const auto values = std::array { processor->getParameter (1), processor->getParameter (2), processor->getParameter (3) };
    EXPECT_EQ (changesAfter ([this] { prepare (32000.0); }), 0);

    EXPECT_EQ (processor->getProgramName (5), "05 - Medium room dark");
    EXPECT_EQ (processor->getCurrentProgram(), 9);
    EXPECT_EQ ((std::array { processor->getParameter (1), processor->getParameter (2), processor->getParameter (3) }), values);
}

