#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

// Moves a slider on the editor's own account and recognises the notification that the move posts,
// so that the editor can tell its own moves from the user's even while the user holds the slider.
//
// The move notifies asynchronously, as a double-click reset does: a notification still pending from
// the user is folded into the move's, instead of arriving later with the moved value as if the user
// had chosen it.
class SliderRefresh
{
public:
    explicit SliderRefresh (juce::Slider& sliderToMove);

    void moveTo (double value);

    // Asked once for each notification from the slider: true if it only reports the last move, that
    // is, the slider still stands where the move put it. Either way the move counts as reported.
    bool isOwnNotification() noexcept;

private:
    juce::Slider& slider;
    std::optional<double> unreportedMove;

    JUCE_DECLARE_NON_COPYABLE (SliderRefresh)
};
