#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// A desktop window without a native window behind it, so that mouse events can be played into the
// editor on a machine without a display. Only what the mouse needs is real: the bounds and the
// coordinate mapping. Whether the pointer is over a component is asked of the display, or of JUCE's
// stand-in for one, so hovering and the wheel are played only where the pointer rests, see
// restPointerOver.
class HeadlessPeer : public juce::ComponentPeer
{
public:
    HeadlessPeer (juce::Component& owner, int windowStyle) : juce::ComponentPeer (owner, windowStyle) {}

    void* getNativeHandle() const override { return nullptr; }
    void setVisible (bool) override {}
    void setTitle (const juce::String&) override {}
    void setBounds (const juce::Rectangle<int>& newBounds, bool) override { bounds = newBounds; }
    juce::Rectangle<int> getBounds() const override { return bounds; }
    juce::Point<float> localToGlobal (juce::Point<float> p) override { return p + bounds.getPosition().toFloat(); }
    juce::Point<float> globalToLocal (juce::Point<float> p) override { return p - bounds.getPosition().toFloat(); }
    using juce::ComponentPeer::globalToLocal;
    using juce::ComponentPeer::localToGlobal;
    void setMinimised (bool) override {}
    bool isMinimised() const override { return false; }
    void setFullScreen (bool) override {}
    bool isFullScreen() const override { return false; }
    void setIcon (const juce::Image&) override {}
    bool contains (juce::Point<int> p, bool) const override { return bounds.withZeroOrigin().contains (p); }
    OptionalBorderSize getFrameSizeIfPresent() const override { return {}; }
    juce::BorderSize<int> getFrameSize() const override { return {}; }
    bool setAlwaysOnTop (bool) override { return false; }
    void toFront (bool) override {}
    void toBehind (juce::ComponentPeer*) override {}
    bool isFocused() const override { return true; }
    void grabFocus() override {}
    void textInputRequired (juce::Point<int>, juce::TextInputTarget&) override {}
    void repaint (const juce::Rectangle<int>&) override {}
    void performAnyPendingRepaintsNow() override {}
    void setAlpha (float) override {}
    juce::StringArray getAvailableRenderingEngines() override { return { "Software Renderer" }; }

private:
    juce::Rectangle<int> bounds;
};

// Holds the editor as its only child and plays a left-button press, drag and release into it.
class HeadlessWindow : public juce::Component
{
public:
    explicit HeadlessWindow (juce::Component& content)
    {
        setBounds (content.getLocalBounds());
        addAndMakeVisible (content);
        addToDesktop (0);
        setVisible (true);
    }

    ~HeadlessWindow() override
    {
        // The pointer leaves first: with no component under it, nothing asks the display where it is.
        send ({ -10.0f, -10.0f }, 0);
        removeFromDesktop();
        removeAllChildren();
    }

    juce::ComponentPeer* createNewPeer (int styleFlags, void*) override { return new HeadlessPeer (*this, styleFlags); }

    // Moves the window under the pointer, wherever the display says it is, so that it rests over the
    // middle of `target`, with no button down.
    void restPointerOver (juce::Component& target)
    {
        const auto middle = getLocalArea (&target, target.getLocalBounds()).getCentre();
        setTopLeftPosition (juce::Desktop::getInstance().getMainMouseSource().getScreenPosition().roundToInt() - middle);
        send (middle.toFloat(), 0);
    }

    // One notch of the wheel, away from the user, where the pointer last was.
    void turnWheelUp()
    {
        time += 50;
        juce::MouseWheelDetails notch { 0.0f, 0.25f, false, false, false };
        getPeer()->handleMouseWheel (juce::MouseInputSource::InputSourceType::mouse, pointer, time, notch);
    }

    void press (juce::Point<float> at) { send (at, juce::ModifierKeys::leftButtonModifier); }
    void dragTo (juce::Point<float> at) { send (at, juce::ModifierKeys::leftButtonModifier); }
    void release (juce::Point<float> at) { send (at, 0); }

private:
    void send (juce::Point<float> at, int buttons)
    {
        pointer = at;
        time += 50;
        getPeer()->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at, juce::ModifierKeys (buttons),
                                     juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, time);
    }

    juce::Point<float> pointer;
    juce::int64 time = juce::Time::currentTimeMillis();
};
