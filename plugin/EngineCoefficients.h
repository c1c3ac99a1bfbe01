#pragma once

#include <atomic>

// Everything the per-sample path reads that a parameter change or a new sample rate can alter.
//
// The engine keeps one shared set of atomics that any thread may rewrite, and the audio thread copies
// it into a plain set whenever it has changed. Storage is a template so the two sets cannot drift
// apart; forEachCoefficient pairs their fields up for the copy.
template <template <typename> class Storage>
struct EngineCoefficients
{
    static constexpr int numLines = 8;

    struct DampingPair
    {
        Storage<double> b;
        Storage<double> J;
    };

    Storage<double> wetGain;
    Storage<double> dryGain;
    Storage<double> outputGain;
    Storage<double> lowpassGain;
    Storage<double> lowpassPole;
    Storage<int> predelaySamples;
    Storage<int> inputDiffuserDelays[2];
    Storage<double> inputDiffuserGains[2];
    Storage<int> lineLengths[numLines];
    Storage<double> tapWeights[numLines];
    DampingPair dampingCoefficients[numLines];
    Storage<int> outputDiffuserDelays[4];
    Storage<double> outputDiffuserGains[2];
};

template <typename T>
using PlainStorage = T;

template <typename T>
using SharedStorage = std::atomic<T>;

using CoefficientSnapshot = EngineCoefficients<PlainStorage>;
using SharedCoefficients = EngineCoefficients<SharedStorage>;

template <typename A, typename B, typename Visit>
void forEachCoefficient (A& a, B& b, Visit&& visit)
{
    visit (a.wetGain, b.wetGain);
    visit (a.dryGain, b.dryGain);
    visit (a.outputGain, b.outputGain);
    visit (a.lowpassGain, b.lowpassGain);
    visit (a.lowpassPole, b.lowpassPole);
    visit (a.predelaySamples, b.predelaySamples);

    for (int i = 0; i < 2; ++i)
    {
        visit (a.inputDiffuserDelays[i], b.inputDiffuserDelays[i]);
        visit (a.inputDiffuserGains[i], b.inputDiffuserGains[i]);
        visit (a.outputDiffuserGains[i], b.outputDiffuserGains[i]);
    }

    for (int k = 0; k < CoefficientSnapshot::numLines; ++k)
    {
        visit (a.lineLengths[k], b.lineLengths[k]);
        visit (a.tapWeights[k], b.tapWeights[k]);
        visit (a.dampingCoefficients[k].b, b.dampingCoefficients[k].b);
        visit (a.dampingCoefficients[k].J, b.dampingCoefficients[k].J);
    }

    for (int i = 0; i < 4; ++i)
        visit (a.outputDiffuserDelays[i], b.outputDiffuserDelays[i]);
}
