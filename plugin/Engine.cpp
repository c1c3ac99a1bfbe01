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

// From 3 kHz up the cut-off range ends at least 500 Hz below the Nyquist frequency and is used as it
// is. Below 3 kHz it collapses to its lowest cut-off, 500 Hz, which the Nyquist frequency of the
// lowest rates comes close to or falls under, and the input low-pass would lose its damping: there the
// cut-off is kept below 0.45 of the rate (which bites below about 1.1 kHz).
constexpr double lowestRateOfTheCutoffRange = 3000.0;
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

// The 21 delay memories: the pre-delay line, the eight feedback lines, and an input and an output
// history for each of the six allpass diffusers. A diffuser reads both of its histories at the same
// delay and writes both at the same position, so the two are kept side by side in one array: one
// memory stream per diffuser instead of two.
struct AllpassHistory
{
    double input;
    double output;
};

constexpr int numDiffusers = 6;
enum Diffuser
{
    inputDiffuser1,
    inputDiffuser2,
    leftDiffuser1,
    leftDiffuser2,
    rightDiffuser1,
    rightDiffuser2
};

// In the memory block, in units of one buffer length: the pre-delay line, the lines, the diffusers.
constexpr int predelayLineOffset = 0;
constexpr int firstFeedbackLineOffset = 1;
constexpr int firstDiffuserOffset = firstFeedbackLineOffset + Engine::numLines;
static_assert (firstDiffuserOffset + 2 * numDiffusers == Engine::numDelayBuffers);

// Two lanes of doubles: the per-sample path handles two lines, or the left and right side, at once.
// Each lane does exactly the operations a scalar would, in the same order.
using TwoLanes = double __attribute__ ((vector_size (16)));
constexpr int numLinePairs = Engine::numLines / 2;

// What a tap reads in place of a sample written before the memories were silenced. A stretch in which
// some tap reads silence is at most this long.
constexpr int longestSilentStretch = 256;
constexpr double silentSamples[longestSilentStretch] {};
constexpr AllpassHistory silentHistories[longestSilentStretch] {};

// One allpass step: out[n] = -g * in[n] + in[n - D] + g * out[n - D], from the history at delay D.
inline double allpass (double gain, double input, const AllpassHistory& delayed) noexcept
{
    return gain * (delayed.output - input) + delayed.input;
}
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
    const auto cutoff = rate < lowestRateOfTheCutoffRange ? std::min (cutoffHz (fcut, rate), highestCutoffShareOfRate * rate)
                                                          : cutoffHz (fcut, rate);
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
    memory.reset (new (std::nothrow) double[static_cast<size_t> (numDelayBuffers * length)]());

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
    silentBefore = samplesWritten;
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
// bad sample cannot poison the delay memories for good. Done for the whole block up front, where the
// test is cheap, rather than once per sample inside the reverb loop.
void silenceNonFiniteSamples (float* samples, int numSamples) noexcept
{
    constexpr auto largest = std::numeric_limits<float>::max();
    for (int i = 0; i < numSamples; ++i)
        samples[i] = std::abs (samples[i]) <= largest ? samples[i] : 0.0f;
}
} // namespace

void Engine::process (float* left, float* right, int numSamples) noexcept
{
    if (memory == nullptr || numSamples <= 0)
        return;

    silenceNonFiniteSamples (left, numSamples);
    silenceNonFiniteSamples (right, numSamples);

    const int length = bufferLength;
    double* const base = memory.get();
    double* const predelayLine = base + static_cast<ptrdiff_t> (predelayLineOffset) * length;
    double* lines[numLines];
    for (int k = 0; k < numLines; ++k)
        lines[k] = base + static_cast<ptrdiff_t> (firstFeedbackLineOffset + k) * length;
    AllpassHistory* histories[numDiffusers];
    for (int d = 0; d < numDiffusers; ++d)
        histories[d] = reinterpret_cast<AllpassHistory*> (base + static_cast<ptrdiff_t> (firstDiffuserOffset + 2 * d) * length);

    // Working copies: the compiler can keep them in registers, since no buffer write can alias them.
    auto c = coefficients;
    auto lowpassIn = lowpassPrevInput;
    auto lowpassOut = lowpassPrevOutput;
    TwoLanes damped[numLinePairs];
    for (int p = 0; p < numLinePairs; ++p)
        damped[p] = TwoLanes { dampingStates[2 * p], dampingStates[2 * p + 1] };
    TwoLanes tapWeights[numLinePairs], dampingFeed[numLinePairs], dampingFeedback[numLinePairs];
    TwoLanes outputGain1, outputGain2;
    const auto pairUp = [&] {
        for (int p = 0; p < numLinePairs; ++p)
        {
            tapWeights[p] = TwoLanes { c.tapWeights[2 * p], c.tapWeights[2 * p + 1] };
            dampingFeed[p] = TwoLanes { c.dampingCoefficients[2 * p].b, c.dampingCoefficients[2 * p + 1].b };
            dampingFeedback[p] = TwoLanes { c.dampingCoefficients[2 * p].J, c.dampingCoefficients[2 * p + 1].J };
        }
        outputGain1 = TwoLanes { c.outputDiffuserGains[0], c.outputDiffuserGains[0] };
        outputGain2 = TwoLanes { c.outputDiffuserGains[1], c.outputDiffuserGains[1] };
    };
    pairUp();
    auto gain = fadeGain;
    const auto inStep = fadeInStep;
    const auto outStep = fadeOutStep;

    int n = 0;

    // The block runs in stretches in which neither the write position nor any read position wraps
    // around its buffer, so that inside a stretch every tap is a plain pointer walk.
    while (n < numSamples)
    {
        if (coefficientGeneration.load (std::memory_order_acquire) != snapshotGeneration)
        {
            takeSnapshot (coefficients);
            c = coefficients;
            pairUp();
        }

        if (static_cast<unsigned> (writeIndex) >= static_cast<unsigned> (length))
            writeIndex = 0;

        // The sample on which the fade-out ends silences the memories before anything reads them. It
        // always begins a stretch, so that each tap of a stretch reads the memory or silence throughout.
        if (fadingOut && gain - outStep < 0.0)
        {
            clearMemories();
            lowpassIn = 0.0;
            lowpassOut = 0.0;
            std::fill (std::begin (damped), std::end (damped), TwoLanes {});
        }

        const int w = writeIndex;
        int stretch = std::min (numSamples - n, length - w);
        // Within one buffer length of the silencing some slots still hold what was written before it.
        const auto sinceSilenced = static_cast<int> (std::min<std::uint64_t> (samplesWritten - silentBefore,
                                                                              static_cast<std::uint64_t> (length)));

        // A read position behind the write position by D samples; one that starts before the buffer
        // wraps to its end and may run for only as long as it takes to reach the end. A tap whose
        // sample was written before the memories were silenced reads silence, for as long as that lasts.
        const auto reader = [w, length, sinceSilenced, &stretch] (auto* line, const auto* silence, int delay) {
            // A delay of 0 reads the sample written a whole buffer ago, since reads come before writes.
            const auto age = delay > 0 ? delay : length;
            if (age > sinceSilenced)
            {
                stretch = std::min ({ stretch, age - sinceSilenced, longestSilentStretch });
                return silence;
            }

            const auto position = w - delay;
            if (position < 0)
            {
                stretch = std::min (stretch, -position);
                return static_cast<decltype (silence)> (line + position + length);
            }
            return static_cast<decltype (silence)> (line + position);
        };

        const double* const predelayTap = reader (predelayLine, silentSamples, c.predelaySamples);
        const double* lineTaps[numLines];
        for (int k = 0; k < numLines; ++k)
            lineTaps[k] = reader (lines[k], silentSamples, c.lineLengths[k]);

        const int diffuserDelays[numDiffusers] = { c.inputDiffuserDelays[0], c.inputDiffuserDelays[1],
                                                   c.outputDiffuserDelays[0], c.outputDiffuserDelays[1],
                                                   c.outputDiffuserDelays[2], c.outputDiffuserDelays[3] };
        const AllpassHistory* historyTaps[numDiffusers];
        for (int d = 0; d < numDiffusers; ++d)
            historyTaps[d] = reader (histories[d], silentHistories, diffuserDelays[d]);

        double* const predelayWrite = predelayLine + w;
        double* lineWrites[numLines];
        for (int k = 0; k < numLines; ++k)
            lineWrites[k] = lines[k] + w;
        AllpassHistory* historyWrites[numDiffusers];
        for (int d = 0; d < numDiffusers; ++d)
            historyWrites[d] = histories[d] + w;

        int i = 0;
        for (; i < stretch; ++i)
        {
            // A parameter change takes effect from the next sample: end the stretch and take it in. The
            // snapshot then synchronises with the writer; this quick look needs no ordering of its own.
            if (i > 0 && coefficientGeneration.load (std::memory_order_relaxed) != snapshotGeneration)
                break;

            // The change fade: out over 10 ms, silence every memory on the silent sample, in over 80 ms.
            if (fadingOut)
            {
                const auto faded = gain - outStep;
                if (faded < 0.0)
                {
                    // The silent sample begins a stretch of its own, which silenced the memories.
                    if (i > 0)
                        break;
                    gain = 0.0;
                    fadingOut = false;
                    fadingIn = true;
                }
                else
                {
                    gain = faded;
                }
            }
            else if (fadingIn)
            {
                gain += inStep;
                if (gain > 1.0)
                {
                    gain = 1.0;
                    fadingIn = false;
                }
            }

            const auto xl = static_cast<double> (left[n + i]) + antiDenormalOffset;
            const auto xr = static_cast<double> (right[n + i]) + antiDenormalOffset;

            // Mono sum through the input low-pass.
            const auto x = xl + xr;
            const auto lp = (lowpassIn + x) * c.lowpassGain + c.lowpassPole * lowpassOut;
            lowpassIn = x;
            lowpassOut = lp;

            const auto pre = predelayTap[i];

            // The lines in pairs: each pair of lines takes one two-lane operation per step.
            TwoLanes t[numLinePairs];
            TwoLanes u[numLinePairs];
            for (int p = 0; p < numLinePairs; ++p)
            {
                t[p] = TwoLanes { lineTaps[2 * p][i], lineTaps[2 * p + 1][i] };
                u[p] = tapWeights[p] * t[p];
            }

            const auto sum = u[0][0] + u[0][1] + u[1][0] + u[1][1] + u[2][0] + u[2][1] + u[3][0] + u[3][1];
            const auto mixL = u[0][0] + u[0][1] + u[1][0] + u[1][1] + u[2][0] - u[2][1] + u[3][0] - u[3][1];
            const auto mixR = u[0][0] - u[0][1] + u[1][0] - u[1][1] + u[2][0] + u[2][1] + u[3][0] + u[3][1];

            // Output diffusers, two in series on each side; left and right share each step.
            const auto& left1 = historyTaps[leftDiffuser1][i];
            const auto& right1 = historyTaps[rightDiffuser1][i];
            const auto firstOut = outputGain1 * (TwoLanes { left1.output, right1.output } - TwoLanes { mixL, mixR })
                                + TwoLanes { left1.input, right1.input };
            const auto& left2 = historyTaps[leftDiffuser2][i];
            const auto& right2 = historyTaps[rightDiffuser2][i];
            const auto secondOut = outputGain2 * (TwoLanes { left2.output, right2.output } - firstOut)
                                 + TwoLanes { left2.input, right2.input };
            const auto l1 = firstOut[0], r1 = firstOut[1], l2 = secondOut[0], r2 = secondOut[1];

            // Input diffusers on the pre-delayed signal.
            const auto d1 = allpass (c.inputDiffuserGains[0], pre, historyTaps[inputDiffuser1][i]);
            const auto d2 = allpass (c.inputDiffuserGains[1], d1, historyTaps[inputDiffuser2][i]);

            // Each line is fed its own damped tap plus the common feed.
            const auto feed = sum * feedbackCoefficient + d2;
            for (int p = 0; p < numLinePairs; ++p)
            {
                damped[p] = dampingFeedback[p] * damped[p] + dampingFeed[p] * t[p];
                const auto written = damped[p] + TwoLanes { feed, feed };
                lineWrites[2 * p][i] = written[0];
                lineWrites[2 * p + 1][i] = written[1];
            }

            predelayWrite[i] = lp;
            historyWrites[inputDiffuser1][i] = { pre, d1 };
            historyWrites[inputDiffuser2][i] = { d1, d2 };
            historyWrites[leftDiffuser1][i] = { mixL, l1 };
            historyWrites[leftDiffuser2][i] = { l1, l2 };
            historyWrites[rightDiffuser1][i] = { mixR, r1 };
            historyWrites[rightDiffuser2][i] = { r1, r2 };

            left[n + i] = static_cast<float> ((l2 * c.wetGain * gain + xl * c.dryGain) * c.outputGain);
            right[n + i] = static_cast<float> ((r2 * c.wetGain * gain + xr * c.dryGain) * c.outputGain);
        }

        writeIndex += i;
        samplesWritten += static_cast<std::uint64_t> (i);
        n += i;
    }

    fadeGain = gain;
    lowpassPrevInput = lowpassIn;
    lowpassPrevOutput = lowpassOut;
    for (int p = 0; p < numLinePairs; ++p)
    {
        dampingStates[2 * p] = damped[p][0];
        dampingStates[2 * p + 1] = damped[p][1];
    }
}
