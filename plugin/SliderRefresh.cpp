#include "SliderRefresh.h"

SliderRefresh::SliderRefresh (juce::Slider& sliderToMove)
    : slider (sliderToMove)
{
}

void SliderRefresh::moveTo (double value)
{
    const auto before = slider.getValue();
    slider.setValue (value, juce::sendNotificationAsync);

    // A slider that does not move posts nothing, so there is nothing to recognise.
    if (slider.getValue() != before)
        unreportedMove = slider.getValue();
}

bool SliderRefresh::isOwnNotification() noexcept
{
    const auto own = unreportedMove.has_value() && slider.getValue() == *unreportedMove;
    unreportedMove.reset();
    return own;
}
