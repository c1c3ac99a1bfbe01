#include "Programs.h"

#include <algorithm>
#include <cmath>

namespace
{
struct FactoryProgram
{
    const char* name;
    double predelayMs;
    double decayTimeMs;
    double cutoffHz;
};

// Designed in the units a listener hears: pre-delay and decay time in milliseconds, cut-off in hertz.
constexpr FactoryProgram factoryPrograms[Programs::numPrograms] = {
    { "00 - Default", 33.0, 1200.0, 10000.0 },
    { "01 - Small room bright", 1.0, 400.0, 16000.0 },
    { "02 - Small room dark", 1.0, 450.0, 2500.0 },
    { "03 - Small room slapbk", 86.0, 650.0, 6500.0 },
    { "04 - Medium room bright", 30.0, 1100.0, 16000.0 },
    { "05 - Medium room dark", 30.0, 1400.0, 2200.0 },
    { "06 - Medium room warm", 30.0, 1150.0, 7000.0 },
    { "07 - Medium room slapbk", 150.0, 1350.0, 8500.0 },
    { "08 - Medium room fat", 1.0, 1450.0, 13500.0 },
    { "09 - Large room bright", 60.0, 2200.0, 16000.0 },
    { "10 - Large room dark", 88.0, 2650.0, 2500.0 },
    { "11 - Hall", 60.0, 2000.0, 6000.0 },
    { "12 - Long tail", 1.0, 4500.0, 6500.0 },
    { "13 - Huge bright space", 150.0, 8000.0, 16000.0 },
    { "14 - Mirror", 250.0, 300.0, 6500.0 },
    { "15 - Echoverb", 250.0, 2400.0, 1400.0 },
    { "16 - Ambience", 26.0, 840.0, 8815.0 },
    { "17 - Live house", 26.0, 1802.0, 12470.0 },
    { "18 - Chapel", 60.0, 3067.0, 1625.0 },
    { "19 - Distance", 26.4, 2000.0, 4392.0 },
    { "20 - Whitechapel", 26.4, 500.0, 4500.0 },
    { "21 - Thunder", 70.0, 8000.0, 500.0 },
    { "22 - Stepney on Sat.", 181.5, 1600.0, 4184.0 },
    { "23 - C.S.I.", 26.4, 1600.0, 3494.0 },
};

// The float nearest to 5/6: an output gain of 0 dB.
constexpr float unityVolumeValue = 0.8333333f;

// Inverses of the engine's pre-delay and decay mappings.
float predelayValueFor (double milliseconds) noexcept
{
    return static_cast<float> ((milliseconds - 1.0) / 249.0);
}

float decayValueFor (double milliseconds) noexcept
{
    return static_cast<float> (std::log (milliseconds / 300.0) / decayTimeLogRange);
}
} // namespace

Programs::Programs (double sampleRate)
{
    for (auto& record : records)
        record.name = "Empty";

    initPrograms (sampleRate);
}

// At 32 kHz and below the cut-off range shrinks and a program's cut-off may lie above it; such a
// value is limited to 1, the top of the range, like every other value the engine accepts.
float Programs::fcutValueFor (double cutoff, double sampleRate) noexcept
{
    if (! (sampleRate > 0.0))
        return 0.0f;

    const auto top = maxCutoffHz (sampleRate);
    if (top <= lowestCutoffHz)
        return 0.0f;

    const auto value = static_cast<float> (std::log (cutoff / lowestCutoffHz) / std::log (top / lowestCutoffHz));
    return std::clamp (value, 0.0f, 1.0f);
}

void Programs::initPrograms (double sampleRate)
{
    for (int number = 0; number < numPrograms; ++number)
    {
        const auto& factory = factoryPrograms[number];
        auto& record = records[number];

        {
            const std::lock_guard<std::mutex> lock (nameLock);
            record.name = factory.name;
        }

        record.values[predelayParameter].store (predelayValueFor (factory.predelayMs), std::memory_order_relaxed);
        record.values[decayParameter].store (decayValueFor (factory.decayTimeMs), std::memory_order_relaxed);
        record.values[fcutParameter].store (fcutValueFor (factory.cutoffHz, sampleRate), std::memory_order_relaxed);
        record.values[volumeParameter].store (unityVolumeValue, std::memory_order_relaxed);
    }
}

float Programs::getValue (int number, int parameterIndex) const noexcept
{
    return records[number].values[parameterIndex].load (std::memory_order_relaxed);
}

juce::String Programs::getName (int number) const
{
    const std::lock_guard<std::mutex> lock (nameLock);
    return records[number].name;
}

void Programs::setName (int number, const juce::String& newName)
{
    const std::lock_guard<std::mutex> lock (nameLock);
    records[number].name = newName;
}
