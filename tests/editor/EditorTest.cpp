#include "EditorTestSupport.h"
#include "ParameterMapping.h"

#include <chrono>
#include <thread>

using Strings = std::vector<juce::String>;

namespace
{
const Strings selection1Titles { "Mix", "Predly", "Decay", "LP Cut" };
const Strings selection2Titles { "Predly", "Decay", "LP Cut", "Mix" };
const Strings selection3Titles { "Decay", "LP Cut", "Mix", "Predly" };
const Strings selection4Titles { "LP Cut", "Mix", "Predly", "Decay" };
} // namespace

TEST_F (EditorTest, TheProcessorMakesTheEditor)
{
    EXPECT_TRUE (processor->hasEditor());
    openEditor();
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor->getAudioProcessor(), processor.get());
}

TEST_F (EditorTest, OpensAtTheBackgroundsSizeWithMixInBoldInColumnOne)
{
    openEditor();
    EXPECT_EQ (editor->getWidth(), 430);
    EXPECT_EQ (editor->getHeight(), 110);
    EXPECT_EQ (titles(), selection1Titles);

    for (const auto* name : { "Display1Txt", "Display1Val" })
    {
        EXPECT_TRUE (label (name).getFont().isBold()) << name;
        EXPECT_EQ (label (name).getFont().getHeight(), 13.0f) << name;
    }

    for (const auto* name : { "Display2Txt", "Display2Val", "Display3Txt", "Display3Val", "Display4Txt", "Display4Val" })
    {
        EXPECT_FALSE (label (name).getFont().isBold()) << name;
        EXPECT_EQ (label (name).getFont().getHeight(), 13.0f) << name;
    }

    EXPECT_FALSE (label ("Display5Val").getFont().isBold());
    EXPECT_EQ (label ("Display5Val").getFont().getHeight(), 12.0f);
}

TEST_F (EditorTest, FourteenChildrenStackInCreationOrderAtTheirPlaces)
{
    openEditor();
    ASSERT_EQ (editor->getNumChildComponents(), 14);

    EXPECT_EQ (knob().getBounds(), juce::Rectangle<int> (12, 14, 78, 79));
    EXPECT_EQ (leftButton().getName(), "Left");
    EXPECT_EQ (leftButton().getBounds(), juce::Rectangle<int> (91, 80, 19, 17));
    EXPECT_EQ (rightButton().getName(), "Right");
    EXPECT_EQ (rightButton().getBounds(), juce::Rectangle<int> (111, 80, 19, 17));
    EXPECT_EQ (levelSlider().getBounds(), juce::Rectangle<int> (382, 16, 23, 82));
    EXPECT_EQ (meter().getBounds(), juce::Rectangle<int> (316, 36, 6, 23));

    const struct
    {
        const char* name;
        juce::Rectangle<int> bounds;
    } labels[] = {
        { "Display1Txt", { 142, 34, 41, 13 } }, { "Display1Val", { 142, 47, 41, 13 } },
        { "Display2Txt", { 185, 34, 41, 13 } }, { "Display2Val", { 185, 47, 41, 13 } },
        { "Display3Txt", { 228, 34, 41, 13 } }, { "Display3Val", { 228, 47, 41, 13 } },
        { "Display4Txt", { 271, 34, 41, 13 } }, { "Display4Val", { 271, 47, 41, 13 } },
        { "Display5Val", { 286, 59, 41, 13 } },
    };

    for (int i = 0; i < 9; ++i)
    {
        auto* l = dynamic_cast<juce::Label*> (editor->getChildComponent (5 + i));
        ASSERT_NE (l, nullptr);
        EXPECT_EQ (l->getName(), labels[i].name);
        EXPECT_EQ (l->getBounds(), labels[i].bounds) << labels[i].name;
        EXPECT_EQ (l->getJustificationType(), juce::Justification::centredRight) << labels[i].name;
        EXPECT_FALSE (l->isEditable()) << labels[i].name;
        EXPECT_EQ (l->findColour (juce::Label::textColourId), juce::Colour (0xff000000)) << labels[i].name;
        EXPECT_TRUE (l->findColour (juce::Label::backgroundColourId).isTransparent()) << labels[i].name;
        EXPECT_TRUE (l->findColour (juce::Label::outlineColourId).isTransparent()) << labels[i].name;
    }

    for (auto* c : editor->getChildren())
        EXPECT_TRUE (c->isVisible());
}

TEST_F (EditorTest, OpeningShowsTheProcessorsValuesAndTellsNobody)
{
    setRate (48000.0);
    automate (mixParameter, 0.1234f); // off the sliders' grid: a write-back would show
    automate (predelayParameter, 0.5f);
    automate (decayParameter, 1.0f);
    automate (fcutParameter, 0.5f);
    automate (volumeParameter, 0.4567f);

    openEditor();
    EXPECT_EQ (values(), (Strings { "0.12", "126", "8000", "2828", "-6.8" }));
    EXPECT_EQ (knob().getValue(), snapped (0.1234f));
    EXPECT_EQ (levelSlider().getValue(), snapped (0.4567f));
    EXPECT_EQ (meter().getLevel(), static_cast<float> (snapped (0.4567f)));

    dispatchPendingMessages();
    EXPECT_TRUE (host.changes.empty());
    EXPECT_EQ (processor->getParameter (mixParameter), 0.1234f);
    EXPECT_EQ (processor->getParameter (volumeParameter), 0.4567f);
}

TEST_F (EditorTest, RightStepsForwardThroughTheFourParametersAndWraps)
{
    automate (mixParameter, 0.2f);
    automate (predelayParameter, 0.3f);
    automate (decayParameter, 0.4f);
    automate (fcutParameter, 0.6f);
    openEditor();

    const struct
    {
        Strings titles;
        int parameter;
        float value;
    } expected[] = {
        { selection2Titles, predelayParameter, 0.3f },
        { selection3Titles, decayParameter, 0.4f },
        { selection4Titles, fcutParameter, 0.6f },
        { selection1Titles, mixParameter, 0.2f },
    };

    for (const auto& step : expected)
    {
        click (rightButton());
        EXPECT_EQ (titles(), step.titles);
        EXPECT_EQ (knob().getValue(), snapped (step.value));
        EXPECT_EQ (text ("Display1Val"), getDisplayText (step.parameter, step.value, 0.0));
    }

    EXPECT_TRUE (host.changes.empty());
}

TEST_F (EditorTest, LeftStepsBackwardAndWrapsFromMixToCutoff)
{
    openEditor();

    click (leftButton());
    EXPECT_EQ (titles(), selection4Titles);
    click (leftButton());
    EXPECT_EQ (titles(), selection3Titles);
    click (leftButton());
    EXPECT_EQ (titles(), selection2Titles);
    click (leftButton());
    EXPECT_EQ (titles(), selection1Titles);
}

TEST_F (EditorTest, ColumnsRotateWithTheirValues)
{
    setRate (44100.0);
    automate (mixParameter, 0.5f);
    automate (predelayParameter, 0.0f);
    automate (decayParameter, 0.5f);
    automate (fcutParameter, 1.0f);
    automate (volumeParameter, 1.0f);
    openEditor();

    EXPECT_EQ (values(), (Strings { "0.50", "1", "1549", "16000", "3.0" }));
    click (rightButton());
    click (rightButton());
    EXPECT_EQ (values(), (Strings { "1549", "16000", "0.50", "1", "3.0" }));
}

TEST_F (EditorTest, OnlySelectionsLandingOnMixMoveTheLevelSliderAndMeter)
{
    automate (volumeParameter, 0.5f);
    openEditor();
    click (rightButton()); // selection 2
    click (rightButton()); // 3
    click (rightButton()); // 4

    automate (volumeParameter, 1.0f);
    click (leftButton()); // 3
    EXPECT_EQ (text ("Display5Val"), "3.0");
    EXPECT_EQ (levelSlider().getValue(), snapped (0.5));
    EXPECT_EQ (meter().getLevel(), static_cast<float> (snapped (0.5)));

    click (rightButton()); // 4
    click (rightButton()); // wraps to 1
    EXPECT_EQ (levelSlider().getValue(), 1.0);
    EXPECT_EQ (meter().getLevel(), 1.0f);

    automate (volumeParameter, 0.0f);
    click (leftButton()); // 1 to 4 leaves them
    EXPECT_EQ (levelSlider().getValue(), 1.0);
    EXPECT_EQ (meter().getLevel(), 1.0f);
    EXPECT_EQ (text ("Display5Val"), "-15.0");
}

TEST_F (EditorTest, SelectionsOutsideOneToFourActLikeMix)
{
    openEditor();

    for (const short selection : { short (0), short (5), short (-1) })
    {
        SCOPED_TRACE (selection);
        editor->updateAllDisplays (3);
        automate (mixParameter, 0.25f);
        automate (volumeParameter, 0.0f);

        editor->updateAllDisplays (selection);
        EXPECT_EQ (titles(), selection1Titles);
        EXPECT_EQ (text ("Display1Val"), "0.25");
        EXPECT_EQ (knob().getValue(), snapped (0.25));
        EXPECT_EQ (levelSlider().getValue(), 0.0);
        EXPECT_EQ (meter().getLevel(), 0.0f);

        automate (volumeParameter, 1.0f);
        editor->updateAllDisplays (selection);
        EXPECT_EQ (levelSlider().getValue(), 1.0);
    }
}

TEST_F (EditorTest, SelectionsTwoToFourLeaveTheLevelControlsButRewriteTheVolumeText)
{
    automate (volumeParameter, 0.5f);
    openEditor();
    automate (volumeParameter, 1.0f);

    for (const short selection : { short (2), short (3), short (4) })
    {
        editor->updateAllDisplays (selection);
        EXPECT_EQ (levelSlider().getValue(), snapped (0.5));
        EXPECT_EQ (meter().getLevel(), static_cast<float> (snapped (0.5)));
        EXPECT_EQ (text ("Display5Val"), "3.0");
    }

    editor->updateAllDisplays (3);
    EXPECT_EQ (titles(), selection3Titles);
}

TEST_F (EditorTest, UpdatingOneDisplayWritesOnlyItsLabel)
{
    setRate (44100.0);
    automate (mixParameter, 0.5f);
    automate (predelayParameter, 0.5f);
    automate (decayParameter, 0.5f);
    automate (fcutParameter, 0.5f);
    automate (volumeParameter, 0.5f);
    openEditor();
    const auto before = values();

    automate (volumeParameter, 1.0f);
    automate (mixParameter, 0.75f);
    editor->updateSelectedDisplay (5);
    EXPECT_EQ (values(), (Strings { before[0], before[1], before[2], before[3], "3.0" }));
    EXPECT_EQ (levelSlider().getValue(), snapped (0.5));

    editor->updateSelectedDisplay (3);
    EXPECT_EQ (text ("Display1Val"), "1549");
    EXPECT_EQ (titles(), selection1Titles);

    editor->updateSelectedDisplay (4);
    EXPECT_EQ (text ("Display1Val"), "2828");
    editor->updateSelectedDisplay (2);
    EXPECT_EQ (text ("Display1Val"), "126");

    for (const short which : { short (0), short (6), short (1) })
    {
        editor->updateSelectedDisplay (3);
        editor->updateSelectedDisplay (which);
        EXPECT_EQ (text ("Display1Val"), "0.75") << which;
    }

    EXPECT_EQ (text ("Display2Val"), before[1]);
    EXPECT_EQ (knob().getValue(), snapped (0.5));
}

TEST_F (EditorTest, CutoffTextFollowsTheProcessorsCurrentRate)
{
    automate (fcutParameter, 1.0f);
    openEditor();
    EXPECT_EQ (text ("Display4Val"), "16000"); // no rate yet

    setRate (32000.0);
    editor->updateAllDisplays (1);
    EXPECT_EQ (text ("Display4Val"), "15000");

    setRate (22050.0);
    editor->updateAllDisplays (1);
    EXPECT_EQ (text ("Display4Val"), "10000");
}

TEST_F (EditorTest, AProgramChangeSelectsMixAndRefreshesEverything)
{
    setRate (44100.0);
    automate (mixParameter, 0.5f);
    openEditor();
    click (rightButton());
    click (rightButton());
    ASSERT_EQ (titles(), selection3Titles);
    automate (volumeParameter, 0.0f);

    processor->setCurrentProgram (0);
    EXPECT_EQ (titles(), selection3Titles); // the broadcast arrives through the message loop
    dispatchChangeNotices();

    EXPECT_EQ (titles(), selection1Titles);
    EXPECT_EQ (values(), (Strings { "0.50", "33", "1200", "10000", "0.0" }));
    EXPECT_EQ (knob().getValue(), snapped (0.5));
    EXPECT_EQ (levelSlider().getValue(), snapped (0.8333333f));
    EXPECT_EQ (meter().getLevel(), 0.8330000638961792f);

    click (rightButton()); // the selection starts again from Mix
    EXPECT_EQ (titles(), selection2Titles);
    EXPECT_TRUE (host.changes.empty());
}

TEST_F (EditorTest, ProgramChangesFromAnotherThreadLeaveEveryDrainShortAndTheLastProgramShown)
{
    // Stands for a window whose refresh costs more than a program change does.
    struct SlowWindow : juce::ChangeListener
    {
        void changeListenerCallback (juce::ChangeBroadcaster*) override { std::this_thread::sleep_for (std::chrono::milliseconds (1)); }
    } slowWindow;

    setRate (44100.0);
    openEditor();
    click (rightButton());
    processor->addChangeListener (&slowWindow);

    constexpr int lastProgram = 3;
    std::atomic<bool> stop { false };
    std::atomic<int> programChanges { 0 };

    // A host's audio thread changing programs as fast as it can; it gives up by itself after a
    // while, so that a drain that never ends shows as a failure instead of a hang.
    std::thread audioThread ([&] {
        const auto giveUp = juce::Time::getMillisecondCounter() + 5000;
        for (int i = 0; ! stop && juce::Time::getMillisecondCounter() < giveUp; ++i)
        {
            processor->setCurrentProgram (1 + i % 2);
            ++programChanges;
        }
        processor->setCurrentProgram (lastProgram);
    });

    while (programChanges == 0)
        std::this_thread::yield();

    double longestDrainMs = 0.0;
    for (int drain = 0; drain < 20; ++drain)
    {
        const auto start = juce::Time::getMillisecondCounterHiRes();
        dispatchPendingMessages();
        longestDrainMs = std::max (longestDrainMs, juce::Time::getMillisecondCounterHiRes() - start);
        std::this_thread::sleep_for (std::chrono::milliseconds (2));
    }

    stop = true;
    audioThread.join();
    EXPECT_LT (longestDrainMs, 2000.0);

    // What is still to come arrives within a few timer periods.
    for (int drain = 0; drain < 50; ++drain)
    {
        dispatchPendingMessages();
        std::this_thread::sleep_for (std::chrono::milliseconds (2));
    }

    EXPECT_EQ (titles(), selection1Titles);
    Strings expected;
    for (const auto parameter : { mixParameter, predelayParameter, decayParameter, fcutParameter, volumeParameter })
        expected.push_back (getDisplayText (parameter, processor->getParameter (parameter), 44100.0));
    EXPECT_EQ (values(), expected);
    processor->removeChangeListener (&slowWindow);
}

TEST_F (EditorTest, AutomationShowsOnlyAfterTheNextRefresh)
{
    openEditor();
    const auto before = values();

    automate (decayParameter, 1.0f);
    automate (volumeParameter, 0.0f);
    dispatchPendingMessages();
    EXPECT_EQ (values(), before);
    EXPECT_NE (levelSlider().getValue(), 0.0);

    click (rightButton());
    EXPECT_EQ (text ("Display2Val"), "8000");
    EXPECT_EQ (text ("Display5Val"), "-15.0");
}

TEST_F (EditorTest, RefreshMovesAreNotWrittenBack)
{
    automate (mixParameter, 0.1234f);
    automate (predelayParameter, 0.5678f);
    automate (volumeParameter, 0.4321f);
    openEditor();

    click (rightButton()); // the knob moves to an off-grid pre-delay
    processor->setCurrentProgram (2);
    dispatchChangeNotices(); // the knob and the slider move again, with their notifications queued
    dispatchPendingMessages();

    EXPECT_TRUE (host.changes.empty());
    EXPECT_EQ (processor->getParameter (mixParameter), 0.1234f);
    EXPECT_EQ (levelSlider().getValue(), snapped (processor->getParameter (volumeParameter)));
}

TEST_F (EditorTest, ASliderNotificationWithoutMouseOrPointerChangesNothing)
{
    automate (decayParameter, 0.1234f);
    automate (volumeParameter, 0.4321f);
    openEditor();
    dispatchPendingMessages();
    click (rightButton());
    click (rightButton()); // Decay selected
    const auto before = values();

    knob().setValue (0.9, juce::sendNotificationSync);
    levelSlider().setValue (0.1, juce::sendNotificationSync);
    knob().mouseDoubleClick (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                               &knob(), &knob(), juce::Time::getCurrentTime(), {}, juce::Time::getCurrentTime(), 2, false));
    dispatchPendingMessages();

    EXPECT_TRUE (host.changes.empty());
    EXPECT_EQ (processor->getParameter (decayParameter), 0.1234f);
    EXPECT_EQ (processor->getParameter (volumeParameter), 0.4321f);
    EXPECT_EQ (values(), before);
    EXPECT_EQ (meter().getLevel(), static_cast<float> (snapped (0.4321f)));
}

TEST_F (EditorTest, ReopeningStartsAgainWithMix)
{
    openEditor();
    click (rightButton());
    ASSERT_EQ (titles(), selection2Titles);

    closeEditor();
    openEditor();
    EXPECT_EQ (titles(), selection1Titles);
}

TEST_F (EditorTest, NothingPendingReachesAClosedEditor)
{
    openEditor(); // queues the first refresh's slider notifications
    processor->setCurrentProgram (4);
    closeEditor();
    dispatchChangeNotices();

    openEditor();
    click (rightButton());
    processor->setCurrentProgram (6);
    closeEditor();
    dispatchChangeNotices();
    EXPECT_TRUE (host.changes.empty());
}
