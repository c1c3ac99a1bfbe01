#include "EditorTestSupport.h"
#include "HeadlessWindow.h"
#include "ParameterMapping.h"

namespace
{
// The framework's drag: the full range over 250 pixels of vertical movement, upward raising.
constexpr float pixelsPerTenth = 25.0f;

class EditorMouse : public EditorTest
{
protected:
    void openWindow()
    {
        openEditor();
        window = std::make_unique<HeadlessWindow> (*editor);
    }

    void TearDown() override
    {
        window.reset();
        EditorTest::TearDown();
    }

    juce::Point<float> knobCentre() const { return knob().getBounds().getCentre().toFloat(); }

    // From "Mix", two steps to the right.
    void selectDecay()
    {
        click (rightButton());
        click (rightButton());
    }

    // A host's program change and the editor's refresh after it.
    void changeProgram (int number)
    {
        processor->setCurrentProgram (number);
        dispatchChangeNotices();
    }

    std::unique_ptr<HeadlessWindow> window;
};
} // namespace

TEST_F (EditorMouse, DraggingTheKnobWritesEachValueToTheSelectedParameterAndTheHostUntilTheWindowIsDisabled)
{
    setRate (44100.0);
    automate (decayParameter, 0.5f);
    openWindow();
    selectDecay();
    const auto before = values();

    window->press (knobCentre());
    window->dragTo (knobCentre().translated (0.0f, -pixelsPerTenth));
    const auto firstValue = static_cast<float> (knob().getValue());
    EXPECT_EQ (firstValue, static_cast<float> (snapped (0.6)));
    window->dragTo (knobCentre().translated (0.0f, -2.0f * pixelsPerTenth));
    const auto secondValue = static_cast<float> (knob().getValue());

    // A closed editor's window stays disabled until it can be deleted: neither the rest of the drag
    // nor a notification posted before, here a double-click reset's, reaches the host.
    knob().mouseDoubleClick (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                               &knob(), &knob(), juce::Time::getCurrentTime(), {}, juce::Time::getCurrentTime(), 2, false));
    window->setEnabled (false);
    window->dragTo (knobCentre().translated (0.0f, -3.0f * pixelsPerTenth));
    dispatchPendingMessages();
    window->release (knobCentre().translated (0.0f, -3.0f * pixelsPerTenth));

    ASSERT_EQ (host.changes.size(), 2u);
    EXPECT_EQ (host.changes[0].index, decayParameter);
    EXPECT_EQ (host.changes[0].value, firstValue);
    EXPECT_EQ (host.changes[1].index, decayParameter);
    EXPECT_EQ (host.changes[1].value, secondValue);
    EXPECT_EQ (host.gestures, 0);
    EXPECT_EQ (processor->getParameter (decayParameter), secondValue);

    EXPECT_EQ (text ("Display1Val"), getDisplayText (decayParameter, secondValue, 0.0));
    EXPECT_EQ (text ("Display1Val"), "2987"); // 0.7
    EXPECT_EQ (text ("Display2Val"), before[1]);
    EXPECT_EQ (text ("Display3Val"), before[2]);
    EXPECT_EQ (text ("Display4Val"), before[3]);
}

TEST_F (EditorMouse, DraggingTheLevelSliderWritesTheVolumeItsTextAndTheMeter)
{
    automate (volumeParameter, 0.5f);
    openWindow();
    const auto thumbCentre = levelSlider().getBounds().toFloat().getCentre();

    window->press (thumbCentre);
    window->dragTo (thumbCentre.translated (0.0f, pixelsPerTenth));
    window->release (thumbCentre.translated (0.0f, pixelsPerTenth));

    const auto written = static_cast<float> (snapped (0.4));
    ASSERT_EQ (host.changes.size(), 1u);
    EXPECT_EQ (host.changes[0].index, volumeParameter);
    EXPECT_EQ (host.changes[0].value, written);
    EXPECT_EQ (processor->getParameter (volumeParameter), written);
    EXPECT_EQ (text ("Display5Val"), "-7.8");
    EXPECT_EQ (meter().getLevel(), written);
}

TEST_F (EditorMouse, ProgramChangesWithThePointerOnAControlWriteNothingAndTheUsersMovesGoOnWithMix)
{
    automate (mixParameter, 0.1234f);
    automate (decayParameter, 0.5f);
    automate (volumeParameter, 0.4321f);
    openWindow();

    // Resting over the level slider, no button down: the refresh moves it to a value off its grid.
    window->restPointerOver (levelSlider());
    changeProgram (1);
    ASSERT_EQ (levelSlider().getValue(), snapped (0.8333333f));
    EXPECT_EQ (processor->getParameter (volumeParameter), 0.8333333f);

    // Resting over the knob with "Decay" selected: the refresh moves it to "Mix".
    selectDecay();
    window->restPointerOver (knob());
    changeProgram (2);
    ASSERT_EQ (titles()[0], "Mix");

    EXPECT_TRUE (host.changes.empty());
    EXPECT_EQ (processor->getParameter (mixParameter), 0.1234f);

    // The wheel right after the program change edits "Mix".
    window->turnWheelUp();
    ASSERT_EQ (host.changes.size(), 1u);
    EXPECT_EQ (host.changes[0].index, mixParameter);
    EXPECT_EQ (host.changes[0].value, static_cast<float> (knob().getValue()));
    EXPECT_GT (knob().getValue(), snapped (0.1234f));

    // Held, the level slider and then the knob, with "Decay" selected again.
    automate (volumeParameter, 0.4321f);
    const auto thumbCentre = levelSlider().getBounds().toFloat().getCentre();
    window->press (thumbCentre);
    changeProgram (3);
    window->release (thumbCentre);
    selectDecay();
    window->press (knobCentre());
    changeProgram (4);
    EXPECT_EQ (titles()[0], "Mix");
    ASSERT_EQ (host.changes.size(), 1u);
    EXPECT_EQ (processor->getParameter (volumeParameter), 0.8333333f);
    const auto programDecay = processor->getParameter (decayParameter);

    // The rest of the drag edits "Mix", a move right after a refresh included, before the
    // refresh's own notification has arrived.
    window->dragTo (knobCentre().translated (0.0f, -pixelsPerTenth));
    automate (mixParameter, 0.9f);
    editor->updateAllDisplays (1);
    window->dragTo (knobCentre().translated (0.0f, -2.0f * pixelsPerTenth));
    window->release (knobCentre().translated (0.0f, -2.0f * pixelsPerTenth));
    dispatchPendingMessages();

    ASSERT_EQ (host.changes.size(), 3u);
    EXPECT_EQ (host.changes[1].index, mixParameter);
    EXPECT_EQ (host.changes[2].index, mixParameter);
    EXPECT_EQ (host.changes[2].value, static_cast<float> (knob().getValue()));
    EXPECT_EQ (processor->getParameter (mixParameter), static_cast<float> (knob().getValue()));
    EXPECT_EQ (processor->getParameter (decayParameter), programDecay);
}
