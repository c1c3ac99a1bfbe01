#pragma once

// The five parameters and what their normalised 0..1 values mean in the units users hear. The engine,
// the factory programs and the editor's displays all read the values through these mappings.

enum ParameterIndex
{
    mixParameter = 0,
    predelayParameter = 1,
    decayParameter = 2,
    fcutParameter = 3,
    volumeParameter = 4
};

constexpr int numParameters = 5;

// True for the indices 0..4; negatives and everything above 4 name no parameter.
constexpr bool isParameterIndex (int index) noexcept
{
    return static_cast<unsigned> (index) < static_cast<unsigned> (numParameters);
}

// ln (8000 / 300) and ln (20000 / 30): decay time and room size grow exponentially with "Decay".
constexpr double decayTimeLogRange = 3.283414346005772;
constexpr double roomSizeLogRange = 6.502290170873972;

double predelayMs (double predelayValue) noexcept;
double decayTimeMs (double decayValue) noexcept;
double roomSize (double decayValue) noexcept;

constexpr double lowestCutoffHz = 500.0;

// The top of the cut-off range for a sample rate: 16 kHz above 32 kHz, below that the largest whole
// kilohertz that stays 500 Hz under the Nyquist frequency. Below 3 kHz no such kilohertz exists and
// the range collapses to the lowest cut-off, so that every rate has a defined, finite mapping.
int maxCutoffHz (double sampleRate) noexcept;
double cutoffHz (double fcutValue, double sampleRate) noexcept;

double outputGainDb (double volumeValue) noexcept;
double outputGain (double volumeValue) noexcept;
