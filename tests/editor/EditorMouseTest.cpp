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

    std::unique_ptr<HeadlessWindow> window;
};
} // namespace

TEST_F (EditorMouse, DraggingTheKnobWritesEachValueToTheSelectedParameterAndTheHostUntilTheWindowIsDisabled)
{
    setRate (44100.0);
    automate (decayParameter, 0.5f);
    openWindow();
    click (rightButton());
    click (rightButton()); // Decay
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

TEST_F (EditorMouse, ProgramChangesWhileAControlIsHeldWriteNothingAndADragGoesOnWithMix)
{
    automate (mixParameter, 0.1234f);
    automate (decayParameter, 0.5f);
    automate (volumeParameter, 0.4321f);
    openWindow();

    // Held without moving, the level slider is moved by the refresh to a value off its grid.
    const auto thumbCentre = levelSlider().getBounds().toFloat().getCentre();
    window->press (thumbCentre);
    processor->setCurrentProgram (1);
    dispatchPendingMessages();
    window->release (thumbCentre);
    ASSERT_EQ (levelSlider().getValue(), snapped (0.8333333f));
    EXPECT_TRUE (host.changes.empty());
    EXPECT_EQ (processor->getParameter (volumeParameter), 0.8333333f);

    // Held with "Decay" selected, the knob is moved to "Mix".
    click (rightButton());
    click (rightButton());
    window->press (knobCentre());
    processor->setCurrentProgram (2);
    dispatchPendingMessages();
    EXPECT_TRUE (host.changes.empty());
    EXPECT_EQ (titles()[0], "Mix");
    EXPECT_EQ (processor->getParameter (mixParameter), 0.1234f);
    const auto programDecay = processor->getParameter (decayParameter);

    // The rest of the drag edits "Mix", a move right after a refresh included, before the
    // refresh's own notification has arrived.
    window->dragTo (knobCentre().translated (0.0f, -pixelsPerTenth));
    automate (mixParameter, 0.9f);
    editor->updateAllDisplays (1);
    window->dragTo (knobCentre().translated (0.0f, -2.0f * pixelsPerTenth));
    window->release (knobCentre().translated (0.0f, -2.0f * pixelsPerTenth));
    dispatchPendingMessages();

    ASSERT_EQ (host.changes.size(), 2u);
    EXPECT_EQ (host.changes[0].index, mixParameter);
    EXPECT_EQ (host.changes[1].index, mixParameter);
    EXPECT_EQ (host.changes[1].value, static_cast<float> (knob().getValue()));
    EXPECT_EQ (processor->getParameter (mixParameter), static_cast<float> (knob().getValue()));
    EXPECT_EQ (processor->getParameter (decayParameter), programDecay);
}
