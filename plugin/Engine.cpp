#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>

namespace
{
constexpr double antiDenormalOffset = 1.0e-18;
constexpr double twoPi = 6.283185307179586;
constexpr double feedbackCoefficient = -0.25;
constexpr double inputScale = 0.4;

constexpr double bufferTimeMs = 250.0;
constexpr double fadeInTimeMs = 80.0;
constexpr double fadeOutTimeMs = 10.0;
constexpr double changeThreshold = 0.01;

constexpr double inputDiffuserTimesMs[2] = { 4.771, 12.735 };
// Left first, left second, right first, right second.
constexpr double outputDiffuserTimesMs[4] = { 27.0, 31.0, 26.0, 30.5 };
constexpr double lineBaseLengthsMs[Engine::numLines] = { 32.13723, 26.357152, 23.120309, 20.379699,
                                                         18.768045, 17.380903, 15.288217, 13.719974 };

constexpr double firstInputDiffuserGainCap = 0.85;
constexpr double secondDiffuserGainCap = 0.625;

// The cut-off stays clear of the Nyquist frequency, where the input low-pass would lose its damping;
// only rates below about 1.1 kHz ever reach this limit.
constexpr double highestCutoffShareOfRate = 0.45;

int toSamples (double milliseconds, double samplesPerMillisecond) noexcept
{
    return static_cast<int> (milliseconds * samplesPerMillisecond + 0.5);
}

void store (std::atomic<double>& field, double value) noexcept { field.store (value, std::memory_order_relaxed); }
void store (std::atomic<int>& field, int value) noexcept { field.store (value, std::memory_order_relaxed); }

bool sameBits (float a, float b) noexcept
{
    return std::memcmp (&a, &b, sizeof (float)) == 0;
}

// Buffer roles: each allpass diffuser keeps an input history and an output history.
enum DelayBuffer
{
    predelayLine = 0,
    inputDiffuser1In = 1,
    inputDiffuser1Out = 2,
    inputDiffuser2In = 3,
    inputDiffuser2Out = 4,
    firstFeedbackLine = 5,
    leftDiffuser1In = 13,
    leftDiffuser1Out = 14,
    rightDiffuser1In = 15,
    rightDiffuser1Out = 16,
    leftDiffuser2In = 17,
    leftDiffuser2Out = 18,
    rightDiffuser2In = 19,
    rightDiffuser2Out = 20
};
} // namespace

Engine::Engine()
{
    parameterValues[mixParameter].store (0.5f);
    for (int index = 0; index < numParameters; ++index)
        publish (index);
}

Engine::~Engine() = default;

void Engine::setParameter (int index, float value) noexcept
{
    if (! isParameterIndex (index) || std::isnan (value))
        return;

    value = std::clamp (value, 0.0f, 1.0f);

    if (index == predelayParameter)
        triggerFadeIfMoved (lastPredelay, value);
    else if (index == decayParameter)
        triggerFadeIfMoved (lastDecay, value);

    parameterValues[index].store (value, std::memory_order_relaxed);
    publish (index);
}

float Engine::getParameter (int index) const noexcept
{
    return isParameterIndex (index) ? parameterValues[index].load (std::memory_order_relaxed) : 0.0f;
}

void Engine::triggerFadeIfMoved (std::atomic<float>& last, float value) noexcept
{
    const auto difference = static_cast<double> (std::abs (last.load (std::memory_order_relaxed) - value));

    if (difference > changeThreshold)
    {
        last.store (value, std::memory_order_relaxed);
        fadeRequests.fetch_add (1, std::memory_order_relaxed);
    }
}

// Several threads may set the same parameter at once. Each writer recomputes until the value and the
// rate it computed from are still current after its writes, so the last writer to finish always
// leaves coefficients that match the stored value.
void Engine::publish (int index) noexcept
{
    for (;;)
    {
        const auto value = parameterValues[index].load (std::memory_order_relaxed);
        const auto samplesPerMillisecond = samplesPerMs.load (std::memory_order_relaxed);

        recompute (index, value, samplesPerMillisecond);

        if (sameBits (value, parameterValues[index].load (std::memory_order_relaxed))
            && samplesPerMillisecond == samplesPerMs.load (std::memory_order_relaxed))
            break;
    }

    coefficientGeneration.fetch_add (1, std::memory_order_release);
}

void Engine::recompute (int index, float value, double samplesPerMillisecond) noexcept
{
    const auto x = static_cast<double> (value);
    auto& shared = sharedCoefficients;

    switch (index)
    {
        case mixParameter:
            store (shared.wetGain, x);
            store (shared.dryGain, 1.0 - x);
            break;
        case predelayParameter:
            store (shared.predelaySamples, toSamples (predelayMs (x), samplesPerMillisecond));
            break;
        case decayParameter:
            recomputeDecay (x, samplesPerMillisecond);
            break;
        case fcutParameter:
            recomputeCutoff (x);
            break;
        case volumeParameter:
            store (shared.outputGain, outputGain (x));
            break;
        default:
            break;
    }
}

void Engine::recomputeDecay (double decay, double samplesPerMillisecond) noexcept
{
    auto& shared = sharedCoefficients;

    const auto decayTime = decayTimeMs (decay);
    const auto size = roomSize (decay);
    const auto diffusion = 0.5 * decay + 0.5;
    const auto damping = 0.55 * decay + 0.2;

    // Diffuser gains for a 60 dB decay in 188 ms times the diffusion, capped to stay smooth.
    const auto diffusionTime = 188.0 * diffusion;
    const auto firstGain = std::min (firstInputDiffuserGainCap,
                                     std::pow (10.0, (inputDiffuserTimesMs[0] * -3.0) / diffusionTime));
    const auto secondGain = std::min (secondDiffuserGainCap,
                                      std::pow (10.0, (inputDiffuserTimesMs[1] * -3.0) / diffusionTime));
    store (shared.inputDiffuserGains[0], firstGain);
    store (shared.inputDiffuserGains[1], secondGain);
    store (shared.outputDiffuserGains[0], secondGain);
    store (shared.outputDiffuserGains[1], secondGain);

    // Line lengths follow the cube root of the room size.
    const auto scale = std::pow (size * 10.0, 0.3333333333333333) * 0.1;
    // The reverberation time the lines are tuned to, bent from the decay time.
    const auto tunedTime = (0.00029103852 * decayTime + 0.71874413) * decayTime + 28.919049;

    double lineGains[numLines];
    double lossSum = 0.0;

    for (int k = 0; k < numLines; ++k)
    {
        const auto lengthMs = lineBaseLengthsMs[k] * scale;
        store (shared.lineLengths[k], toSamples (lengthMs, samplesPerMillisecond));
        lineGains[k] = std::pow (10.0, (lengthMs * -3.0) / tunedTime);
        lossSum += 1.0 - lineGains[k];
    }

    // High frequencies die away in (1 - damping) of the time that low ones take.
    const auto dampingExponent = 1.0 - 1.0 / (1.0 - damping);

    for (int k = 0; k < numLines; ++k)
    {
        store (shared.tapWeights[k], (1.0 - lineGains[k]) / lossSum);
        const auto feedback = 1.0 - 2.0 / (std::pow (lineGains[k], dampingExponent) + 1.0);
        store (shared.dampingCoefficients[k].J, feedback);
        store (shared.dampingCoefficients[k].b, (1.0 - feedback) * lineGains[k]);
    }
}

void Engine::recomputeCutoff (double fcut) noexcept
{
    const auto rate = sampleRate.load (std::memory_order_relaxed);
    const auto cutoff = std::min (cutoffHz (fcut, rate), highestCutoffShareOfRate * rate);
    const auto omega = cutoff * twoPi / rate;
    const auto pole = (1.0 - std::sin (omega)) / std::cos (omega);

    store (sharedCoefficients.lowpassPole, pole);
    store (sharedCoefficients.lowpassGain, (1.0 - pole) * 0.5 * inputScale);
}

void Engine::prepare (double newSampleRate)
{
    memory.reset();
    bufferLength = 0;

    if (! (newSampleRate >= lowestSampleRate && newSampleRate <= highestSampleRate))
        return;

    sampleRate.store (newSampleRate, std::memory_order_relaxed);
    const auto samplesPerMillisecond = 0.001 * newSampleRate;
    samplesPerMs.store (samplesPerMillisecond, std::memory_order_relaxed);

    const auto length = toSamples (bufferTimeMs, samplesPerMillisecond);
    memory.reset (new (std::nothrow) double[static_cast<size_t> (numDelayBuffers * length)]);

    if (memory == nullptr)
        return;

    bufferLength = length;
    clearMemories();

    for (int i = 0; i < 2; ++i)
        store (sharedCoefficients.inputDiffuserDelays[i], toSamples (inputDiffuserTimesMs[i], samplesPerMillisecond));
    for (int i = 0; i < 4; ++i)
        store (sharedCoefficients.outputDiffuserDelays[i], toSamples (outputDiffuserTimesMs[i], samplesPerMillisecond));

    for (int index = 0; index < numParameters; ++index)
        publish (index);

    fadingOut = false;
    fadingIn = false;
    fadeGain = 1.0;
    fadeInStep = 1.0 / (fadeInTimeMs * samplesPerMillisecond);
    fadeOutStep = 1.0 / (fadeOutTimeMs * samplesPerMillisecond);
    lastPredelay.store (getParameter (predelayParameter), std::memory_order_relaxed);
    lastDecay.store (getParameter (decayParameter), std::memory_order_relaxed);
    handledFadeRequests = fadeRequests.load (std::memory_order_relaxed);
    takeSnapshot (coefficients);
}

void Engine::clearMemories() noexcept
{
    if (memory != nullptr)
        std::fill_n (memory.get(), static_cast<size_t> (numDelayBuffers * bufferLength), 0.0);

    lowpassPrevInput = 0.0;
    lowpassPrevOutput = 0.0;
    std::fill (std::begin (dampingStates), std::end (dampingStates), 0.0);
}

// A copy taken while another thread rewrites the set may mix old and new values of one parameter for
// a sample or two; each delay is limited to its memory so that even such a mix stays safe.
void Engine::takeSnapshot (CoefficientSnapshot& into) noexcept
{
    snapshotGeneration = coefficientGeneration.load (std::memory_order_acquire);
    forEachCoefficient (sharedCoefficients, into, [] (auto& shared, auto& plain) {
        plain = shared.load (std::memory_order_relaxed);
    });

    const auto limit = [this] (int& delay) { delay = std::clamp (delay, 0, bufferLength); };
    limit (into.predelaySamples);
    for (auto& delay : into.inputDiffuserDelays)
        limit (delay);
    for (auto& delay : into.lineLengths)
        limit (delay);
    for (auto& delay : into.outputDiffuserDelays)
        limit (delay);

    const auto requests = fadeRequests.load (std::memory_order_relaxed);
    if (requests != handledFadeRequests)
    {
        handledFadeRequests = requests;
        fadingOut = true;
    }
}

Engine::FadeState Engine::getFadeState() const noexcept
{
    return { fadingOut, fadingIn, fadeGain, fadeInStep, fadeOutStep,
             lastPredelay.load (std::memory_order_relaxed), lastDecay.load (std::memory_order_relaxed) };
}

CoefficientSnapshot Engine::getCoefficients() const noexcept
{
    CoefficientSnapshot snapshot {};
    forEachCoefficient (sharedCoefficients, snapshot, [] (auto& shared, auto& plain) {
        plain = shared.load (std::memory_order_relaxed);
    });
    return snapshot;
}

namespace
{
// A sample the host hands over that is not a finite number enters the reverb as silence, so that one
// bad sample cannot poison the delay memories for good.
double finiteInput (float sample) noexcept
{
    return std::abs (sample) <= std::numeric_limits<float>::max() ? static_cast<double> (sample) : 0.0;
}
} // namespace

void Engine::process (float* left, float* right, int numSamples) noexcept
{
    if (memory == nullptr || numSamples <= 0)
        return;

    const int length = bufferLength;
    double* const base = memory.get();
    const auto buffer = [base, length] (int role) { return base + static_cast<ptrdiff_t> (role) * length; };

    // Working copies: the compiler can keep them in registers, since no buffer write can alias them.
    auto c = coefficients;
    auto lowpassIn = lowpassPrevInput;
    auto lowpassOut = lowpassPrevOutput;
    double damped[numLines];
    std::copy (std::begin (dampingStates), std::end (dampingStates), damped);

    int n = 0;

    // The block runs in stretches in which neither the write position nor any read position wraps
    // around its buffer, so that inside a stretch every tap is a plain pointer walk.
    while (n < numSamples)
    {
        if (coefficientGeneration.load (std::memory_order_acquire) != snapshotGeneration)
        {
            takeSnapshot (coefficients);
            c = coefficients;
        }

        if (static_cast<unsigned> (writeIndex) >= static_cast<unsigned> (length))
            writeIndex = 0;

        const int w = writeIndex;
        int stretch = std::min (numSamples - n, length - w);

        // A read position behind the write position by D samples; one that starts before the buffer
        // wraps to its end and may run for only as long as it takes to reach the end.
        const auto reader = [w, length, &stretch] (double* line, int delay) {
            const auto position = w - delay;
            if (position < 0)
            {
                stretch = std::min (stretch, -position);
                return line + position + length;
            }
            return line + position;
        };

        const double* const predelayTap = reader (buffer (predelayLine), c.predelaySamples);
        const double* const in1InTap = reader (buffer (inputDiffuser1In), c.inputDiffuserDelays[0]);
        const double* const in1OutTap = reader (buffer (inputDiffuser1Out), c.inputDiffuserDelays[0]);
        const double* const in2InTap = reader (buffer (inputDiffuser2In), c.inputDiffuserDelays[1]);
        const double* const in2OutTap = reader (buffer (inputDiffuser2Out), c.inputDiffuserDelays[1]);
        const double* const l1InTap = reader (buffer (leftDiffuser1In), c.outputDiffuserDelays[0]);
        const double* const l1OutTap = reader (buffer (leftDiffuser1Out), c.outputDiffuserDelays[0]);
        const double* const l2InTap = reader (buffer (leftDiffuser2In), c.outputDiffuserDelays[1]);
        const double* const l2OutTap = reader (buffer (leftDiffuser2Out), c.outputDiffuserDelays[1]);
        const double* const r1InTap = reader (buffer (rightDiffuser1In), c.outputDiffuserDelays[2]);
        const double* const r1OutTap = reader (buffer (rightDiffuser1Out), c.outputDiffuserDelays[2]);
        const double* const r2InTap = reader (buffer (rightDiffuser2In), c.outputDiffuserDelays[3]);
        const double* const r2OutTap = reader (buffer (rightDiffuser2Out), c.outputDiffuserDelays[3]);
        const double* lineTaps[numLines];
        double* lineWrites[numLines];
        for (int k = 0; k < numLines; ++k)
        {
            lineTaps[k] = reader (buffer (firstFeedbackLine + k), c.lineLengths[k]);
            lineWrites[k] = buffer (firstFeedbackLine + k) + w;
        }

        double* const predelayWrite = buffer (predelayLine) + w;
        double* const in1InWrite = buffer (inputDiffuser1In) + w;
        double* const in1OutWrite = buffer (inputDiffuser1Out) + w;
        double* const in2InWrite = buffer (inputDiffuser2In) + w;
        double* const in2OutWrite = buffer (inputDiffuser2Out) + w;
        double* const l1InWrite = buffer (leftDiffuser1In) + w;
        double* const l1OutWrite = buffer (leftDiffuser1Out) + w;
        double* const l2InWrite = buffer (leftDiffuser2In) + w;
        double* const l2OutWrite = buffer (leftDiffuser2Out) + w;
        double* const r1InWrite = buffer (rightDiffuser1In) + w;
        double* const r1OutWrite = buffer (rightDiffuser1Out) + w;
        double* const r2InWrite = buffer (rightDiffuser2In) + w;
        double* const r2OutWrite = buffer (rightDiffuser2Out) + w;

        int i = 0;
        for (; i < stretch; ++i)
        {
            // A parameter change takes effect from the next sample: end the stretch and take it in.
            if (i > 0 && coefficientGeneration.load (std::memory_order_acquire) != snapshotGeneration)
                break;

            // The change fade: out over 10 ms, clear every memory on the silent sample, in over 80 ms.
            if (fadingOut)
            {
                fadeGain -= fadeOutStep;
                if (fadeGain < 0.0)
                {
                    fadeGain = 0.0;
                    clearMemories();
                    lowpassIn = 0.0;
                    lowpassOut = 0.0;
                    std::fill (std::begin (damped), std::end (damped), 0.0);
                    fadingOut = false;
                    fadingIn = true;
                }
            }
            else if (fadingIn)
            {
                fadeGain += fadeInStep;
                if (fadeGain > 1.0)
                {
                    fadeGain = 1.0;
                    fadingIn = false;
                }
            }

            const auto xl = finiteInput (left[n + i]) + antiDenormalOffset;
            const auto xr = finiteInput (right[n + i]) + antiDenormalOffset;

            // Mono sum through the input low-pass.
            const auto x = xl + xr;
            const auto lp = (lowpassIn + x) * c.lowpassGain + c.lowpassPole * lowpassOut;
            lowpassIn = x;
            lowpassOut = lp;

            const auto pre = predelayTap[i];

            double t[numLines];
            double u[numLines];
            for (int k = 0; k < numLines; ++k)
            {
                t[k] = lineTaps[k][i];
                u[k] = c.tapWeights[k] * t[k];
            }

            const auto sum = u[0] + u[1] + u[2] + u[3] + u[4] + u[5] + u[6] + u[7];
            const auto mixL = u[0] + u[1] + u[2] + u[3] + u[4] - u[5] + u[6] - u[7];
            const auto mixR = u[0] - u[1] + u[2] - u[3] + u[4] + u[5] + u[6] + u[7];

            // Output diffusers, two in series on each side.
            const auto go1 = c.outputDiffuserGains[0];
            const auto go2 = c.outputDiffuserGains[1];
            const auto l1 = go1 * (l1OutTap[i] - mixL) + l1InTap[i];
            const auto r1 = go1 * (r1OutTap[i] - mixR) + r1InTap[i];
            const auto l2 = go2 * (l2OutTap[i] - l1) + l2InTap[i];
            const auto r2 = go2 * (r2OutTap[i] - r1) + r2InTap[i];

            // Input diffusers on the pre-delayed signal.
            const auto d1 = c.inputDiffuserGains[0] * (in1OutTap[i] - pre) + in1InTap[i];
            const auto d2 = c.inputDiffuserGains[1] * (in2OutTap[i] - d1) + in2InTap[i];

            // Each line is fed its own damped tap plus the common feed.
            const auto feed = sum * feedbackCoefficient + d2;
            for (int k = 0; k < numLines; ++k)
            {
                damped[k] = c.dampingCoefficients[k].J * damped[k] + c.dampingCoefficients[k].b * t[k];
                lineWrites[k][i] = damped[k] + feed;
            }

            predelayWrite[i] = lp;
            in1InWrite[i] = pre;
            in1OutWrite[i] = d1;
            in2InWrite[i] = d1;
            in2OutWrite[i] = d2;
            l1InWrite[i] = mixL;
            l1OutWrite[i] = l1;
            l2InWrite[i] = l1;
            l2OutWrite[i] = l2;
            r1InWrite[i] = mixR;
            r1OutWrite[i] = r1;
            r2InWrite[i] = r1;
            r2OutWrite[i] = r2;

            left[n + i] = static_cast<float> ((l2 * c.wetGain * fadeGain + xl * c.dryGain) * c.outputGain);
            right[n + i] = static_cast<float> ((r2 * c.wetGain * fadeGain + xr * c.dryGain) * c.outputGain);
        }

        writeIndex += i;
        n += i;
    }

    lowpassPrevInput = lowpassIn;
    lowpassPrevOutput = lowpassOut;
    std::copy (std::begin (damped), std::end (damped), dampingStates);
}
