#pragma once

#include "EngineCoefficients.h"
#include "ParameterMapping.h"

#include <atomic>
#include <cstdint>
#include <memory>

// The reverb: five normalised parameter values, every coefficient derived from them and from the
// sample rate, the 21 delay memories and the change fade.
//
// Threads: setParameter may run on any thread, also while process runs on the audio thread. It
// rewrites a shared set of atomic coefficients and then bumps a generation counter; process reads the
// counter once per sample and takes a fresh copy when it moved, so every change takes effect from the
// next processed sample without a lock. prepare and the destructor must never overlap process (the
// plug-in's wrapper holds the processor's callback lock around processing).
class Engine
{
public:
    static constexpr int numDelayBuffers = 21;
    static constexpr int numLines = CoefficientSnapshot::numLines;

    // Rates outside this range leave the engine unprepared: audio passes through untouched.
    static constexpr double lowestSampleRate = 1000.0;
    static constexpr double highestSampleRate = 768000.0;

    Engine();
    ~Engine();

    // Values within 0..1 are stored bit for bit; others are limited to 0..1, and not-a-number is
    // ignored, so that no host or saved state can push a delay outside its memory.
    void setParameter (int index, float value) noexcept;
    float getParameter (int index) const noexcept;

    // Sizes and clears the delay memory for a rate, recomputes every coefficient and ends any fade.
    void prepare (double newSampleRate);
    // Silences the delay memories and filters. Costs the same at any memory size: the memories are not
    // written, every read of a sample written before this call is taken as silence instead.
    void clearMemories() noexcept;

    // Runs the reverb in place on one block. Does nothing while the engine is unprepared.
    void process (float* left, float* right, int numSamples) noexcept;

    bool isPrepared() const noexcept { return memory != nullptr; }

    struct FadeState
    {
        bool fadingOut;
        bool fadingIn;
        double fadeGain;
        double fadeInStep;
        double fadeOutStep;
        float lastPredelay;
        float lastDecay;
    };

    // Inspection, for tests and measurement; not for the audio thread.
    double getSampleRate() const noexcept { return sampleRate.load (std::memory_order_relaxed); }
    int getBufferLength() const noexcept { return bufferLength; }
    int getWriteIndex() const noexcept { return writeIndex; }
    CoefficientSnapshot getCoefficients() const noexcept;
    FadeState getFadeState() const noexcept;

private:
    void publish (int index) noexcept;
    void recompute (int index, float value, double samplesPerMillisecond) noexcept;
    void recomputeDecay (double decay, double samplesPerMillisecond) noexcept;
    void recomputeCutoff (double fcut) noexcept;
    void triggerFadeIfMoved (std::atomic<float>& last, float value) noexcept;
    void takeSnapshot (CoefficientSnapshot& into) noexcept;

    std::atomic<float> parameterValues[numParameters] {};
    std::atomic<double> sampleRate { 44100.0 };
    std::atomic<double> samplesPerMs { 44.1 };
    std::atomic<float> lastPredelay { 0.0f };
    std::atomic<float> lastDecay { 0.0f };

    SharedCoefficients sharedCoefficients {};
    std::atomic<std::uint32_t> coefficientGeneration { 0 };
    std::atomic<std::uint32_t> fadeRequests { 0 };

    // Owned by the audio thread (and by prepare, which never overlaps it).
    CoefficientSnapshot coefficients {};
    std::uint32_t snapshotGeneration = 0;
    std::uint32_t handledFadeRequests = 0;
    bool fadingOut = false;
    bool fadingIn = false;
    double fadeGain = 1.0;
    double fadeInStep = 0.0;
    double fadeOutStep = 0.0;
    int writeIndex = 0;
    int bufferLength = 0;
    // Samples processed since construction, and that count when the memories were last silenced.
    std::uint64_t samplesWritten = 0;
    std::uint64_t silentBefore = 0;
    std::unique_ptr<double[]> memory;
    double lowpassPrevInput = 0.0;
    double lowpassPrevOutput = 0.0;
    double dampingStates[numLines] {};
};
