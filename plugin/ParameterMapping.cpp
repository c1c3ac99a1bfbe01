#include "ParameterMapping.h"

#include <cmath>

namespace
{
constexpr double shortestPredelayMs = 1.0;
constexpr double predelayRangeMs = 249.0;
constexpr double shortestDecayMs = 300.0;
constexpr double smallestRoomSize = 30.0;
constexpr double fullRangeCutoffHz = 16000.0;
constexpr double fullRangeSampleRate = 32000.0;
constexpr double lowestGainDb = -15.0;
constexpr double gainRangeDb = 18.0;
} // namespace

double predelayMs (double predelayValue) noexcept
{
    return predelayValue * predelayRangeMs + shortestPredelayMs;
}

double decayTimeMs (double decayValue) noexcept
{
    return shortestDecayMs * std::exp (decayTimeLogRange * decayValue);
}

double roomSize (double decayValue) noexcept
{
    return smallestRoomSize * std::exp (roomSizeLogRange * decayValue);
}

int maxCutoffHz (double sampleRate) noexcept
{
    if (sampleRate > fullRangeSampleRate)
        return static_cast<int> (fullRangeCutoffHz);

    const auto wholeKilohertz = sampleRate > 0.0 ? static_cast<int> ((0.5 * sampleRate - lowestCutoffHz) * 0.001) : 0;
    return wholeKilohertz > 0 ? wholeKilohertz * 1000 : static_cast<int> (lowestCutoffHz);
}

double cutoffHz (double fcutValue, double sampleRate) noexcept
{
    return std::exp (std::log (maxCutoffHz (sampleRate) / lowestCutoffHz) * fcutValue) * lowestCutoffHz;
}

double outputGainDb (double volumeValue) noexcept
{
    return gainRangeDb * volumeValue + lowestGainDb;
}

double outputGain (double volumeValue) noexcept
{
    return std::pow (10.0, ((1.0 - volumeValue) * -gainRangeDb + 3.0) / 20.0);
}
