#include "DecimalText.h"
#include "Engine.h"
#include "ParameterMapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>
#include <limits>
#include <numeric>

namespace
{
std::unique_ptr<Engine> preparedEngine (double sampleRate, float decay)
{
    auto engine = std::make_unique<Engine>();
    engine->setParameter (decayParameter, decay);
    engine->prepare (sampleRate);
    return engine;
}
} // namespace

TEST (ParameterMapping, CutoffRangeFollowsTheSampleRate)
{
    for (const auto& [rate, top] : { std::pair { 44100.0, 16000 }, { 48000.0, 16000 }, { 96000.0, 16000 }, { 32000.0, 15000 },
                                    { 24000.0, 11000 }, { 22050.0, 10000 }, { 16000.0, 7000 }, { 11025.0, 5000 },
                                    { 8000.0, 3000 }, { 3000.0, 1000 } })
        EXPECT_EQ (maxCutoffHz (rate), top) << rate;

    // Below 3 kHz the range collapses to its lowest cut-off instead of going to zero.
    for (const auto rate : { 2999.0, 1000.0, 0.0, -44100.0, std::numeric_limits<double>::quiet_NaN() })
        EXPECT_EQ (maxCutoffHz (rate), 500) << rate;

    EXPECT_NEAR (cutoffHz (0.5, 44100.0), 2828.43, 0.01);
    EXPECT_DOUBLE_EQ (cutoffHz (0.0, 1500.0), 500.0);
}

TEST (ParameterMapping, UnitsAtTheEndsOfTheRange)
{
    EXPECT_DOUBLE_EQ (predelayMs (0.0), 1.0);
    EXPECT_DOUBLE_EQ (predelayMs (1.0), 250.0);
    EXPECT_NEAR (decayTimeMs (1.0), 8000.0, 1e-9);
    EXPECT_NEAR (roomSize (1.0), 20000.0, 1e-9);
    EXPECT_NEAR (outputGain (0.0), 0.1778279410, 1e-10);
    EXPECT_NEAR (outputGain (1.0), 1.4125375446, 1e-10);
    EXPECT_NEAR (outputGain (0.8333333f), 1.0, 1e-6);
    EXPECT_NEAR (outputGainDb (0.8333333f), 0.0, 1e-5);
}

TEST (DecimalText, RoundsHalvesAwayFromZeroAndKeepsTheSign)
{
    EXPECT_EQ (formatDecimal (0.5, 2), "0.50");
    EXPECT_EQ (formatDecimal (0.125, 2), "0.13");
    EXPECT_EQ (formatDecimal (1.0, 2), "1.00");
    EXPECT_EQ (formatDecimal (-0.125, 2), "-0.13");
    EXPECT_EQ (formatDecimal (-0.001, 2), "-0.00");
    EXPECT_EQ (formatDecimal (0.005f, 2), "0.00");
    EXPECT_EQ (formatDecimal (0.8333333f, 2), "0.83");
    EXPECT_EQ (formatDecimal (2828.4271, 1), "2828.4");
    EXPECT_EQ (formatDecimal (16000.0, 0), "16000");
    EXPECT_EQ (formatDecimal (std::numeric_limits<double>::quiet_NaN(), 2), "nan");
    EXPECT_EQ (formatDecimal (-std::numeric_limits<double>::infinity(), 1), "-inf");
}

TEST (EngineCoefficients, DelaysFollowTheSampleRate)
{
    const auto engine44 = preparedEngine (44100.0, 0.0f);
    const auto& at44 = *engine44;
    const auto c44 = at44.getCoefficients();
    EXPECT_EQ (at44.getBufferLength(), 11025);
    EXPECT_EQ (c44.inputDiffuserDelays[0], 210);
    EXPECT_EQ (c44.inputDiffuserDelays[1], 562);
    EXPECT_EQ (c44.outputDiffuserDelays[0], 1191);
    EXPECT_EQ (c44.outputDiffuserDelays[1], 1367);
    EXPECT_EQ (c44.outputDiffuserDelays[2], 1147);
    EXPECT_EQ (c44.outputDiffuserDelays[3], 1345);
    EXPECT_DOUBLE_EQ (at44.getFadeState().fadeOutStep, 1.0 / 441.0);
    EXPECT_DOUBLE_EQ (at44.getFadeState().fadeInStep, 1.0 / 3528.0);

    const auto engine48 = preparedEngine (48000.0, 0.0f);
    const auto& at48 = *engine48;
    const auto c48 = at48.getCoefficients();
    EXPECT_EQ (at48.getBufferLength(), 12000);
    EXPECT_EQ (c48.inputDiffuserDelays[0], 229);
    EXPECT_EQ (c48.inputDiffuserDelays[1], 611);
    EXPECT_EQ (c48.outputDiffuserDelays[0], 1296);
    EXPECT_EQ (c48.outputDiffuserDelays[1], 1488);
    EXPECT_EQ (c48.outputDiffuserDelays[2], 1248);
    EXPECT_EQ (c48.outputDiffuserDelays[3], 1464);
}

TEST (EngineCoefficients, DecayAtBothEnds)
{
    const auto shortest = preparedEngine (44100.0, 0.0f)->getCoefficients();
    const int shortLines[] = { 949, 778, 683, 602, 554, 513, 451, 405 };
    for (int k = 0; k < Engine::numLines; ++k)
        EXPECT_EQ (shortest.lineLengths[k], shortLines[k]) << k;
    EXPECT_NEAR (shortest.inputDiffuserGains[0], 0.7042616543, 1e-10);
    EXPECT_NEAR (shortest.inputDiffuserGains[1], 0.3922507926, 1e-10);
    EXPECT_NEAR (shortest.outputDiffuserGains[0], 0.3922507926, 1e-10);
    EXPECT_NEAR (shortest.outputDiffuserGains[1], 0.3922507926, 1e-10);

    const auto longest = preparedEngine (44100.0, 1.0f)->getCoefficients();
    const int longLines[] = { 8288, 6797, 5963, 5256, 4840, 4483, 3943, 3538 };
    for (int k = 0; k < Engine::numLines; ++k)
        EXPECT_EQ (longest.lineLengths[k], longLines[k]) << k;
    EXPECT_NEAR (longest.inputDiffuserGains[0], 0.8392029876, 1e-10);
    EXPECT_DOUBLE_EQ (longest.inputDiffuserGains[1], 0.625);
    EXPECT_DOUBLE_EQ (longest.outputDiffuserGains[0], 0.625);
    EXPECT_DOUBLE_EQ (longest.outputDiffuserGains[1], 0.625);
}

TEST (EngineCoefficients, TapWeightsAndDampingKeepTheLineGains)
{
    for (const auto decay : { 0.0f, 0.3f, 0.7f, 1.0f })
    {
        const auto c = preparedEngine (44100.0, decay)->getCoefficients();
        EXPECT_NEAR (std::accumulate (std::begin (c.tapWeights), std::end (c.tapWeights), 0.0), 1.0, 1e-12);

        const auto tunedTime = (0.00029103852 * decayTimeMs (decay) + 0.71874413) * decayTimeMs (decay) + 28.919049;
        const auto scale = std::pow (roomSize (decay) * 10.0, 0.3333333333333333) * 0.1;
        const double baseMs[] = { 32.13723, 26.357152, 23.120309, 20.379699, 18.768045, 17.380903, 15.288217, 13.719974 };

        for (int k = 0; k < Engine::numLines; ++k)
        {
            const auto& [b, J] = c.dampingCoefficients[k];
            const auto lineGain = std::pow (10.0, -3.0 * baseMs[k] * scale / tunedTime);
            EXPECT_NEAR (b / (1.0 - J), lineGain, 1e-12) << decay << " line " << k;
            EXPECT_LT (std::abs (J), 1.0);
        }
    }
}

TEST (EngineCoefficients, PredelayCutoffVolumeAndMix)
{
    Engine engine;
    engine.prepare (44100.0);

    engine.setParameter (predelayParameter, 1.0f);
    EXPECT_EQ (engine.getCoefficients().predelaySamples, engine.getBufferLength());
    engine.setParameter (predelayParameter, 0.0f);
    EXPECT_EQ (engine.getCoefficients().predelaySamples, 44);

    for (const auto fcut : { 0.0f, 0.5f, 1.0f })
    {
        engine.setParameter (fcutParameter, fcut);
        const auto c = engine.getCoefficients();
        EXPECT_NEAR (2.0 * c.lowpassGain / (1.0 - c.lowpassPole), 0.4, 1e-12) << "DC gain at " << fcut;
    }

    engine.setParameter (volumeParameter, 0.0f);
    EXPECT_NEAR (engine.getCoefficients().outputGain, 0.1778279410, 1e-10);

    engine.setParameter (mixParameter, 0.25f);
    EXPECT_DOUBLE_EQ (engine.getCoefficients().wetGain, 0.25);
    EXPECT_DOUBLE_EQ (engine.getCoefficients().dryGain, 0.75);
}

TEST (EngineCoefficients, CutoffPoleFollowsItsFormulaFromThreeKilohertzUp)
{
    for (const auto& [rate, top] : { std::pair { 8000.0, 3000.0 }, { 11025.0, 5000.0 }, { 22050.0, 10000.0 },
                                    { 32000.0, 15000.0 }, { 44100.0, 16000.0 } })
        for (const auto fcut : { 0.0f, 0.5f, 1.0f })
        {
            Engine engine;
            engine.setParameter (fcutParameter, fcut);
            engine.prepare (rate);

            const auto cutoff = std::exp (std::log (top / 500.0) * fcut) * 500.0;
            const auto omega = cutoff * 6.283185307179586 / rate;
            EXPECT_DOUBLE_EQ (engine.getCoefficients().lowpassPole, (1.0 - std::sin (omega)) / std::cos (omega))
                << "FCut " << fcut << " at " << rate << " Hz";
        }
}

TEST (EngineParameters, OutOfRangeValuesNeverLeaveZeroToOne)
{
    Engine engine;
    engine.prepare (44100.0);

    engine.setParameter (predelayParameter, 0.3f);
    engine.setParameter (predelayParameter, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ (engine.getParameter (predelayParameter), 0.3f) << "not-a-number is ignored";

    engine.setParameter (predelayParameter, 7.0f);
    EXPECT_EQ (engine.getParameter (predelayParameter), 1.0f);
    EXPECT_LE (engine.getCoefficients().predelaySamples, engine.getBufferLength());

    engine.setParameter (decayParameter, std::numeric_limits<float>::infinity());
    EXPECT_EQ (engine.getParameter (decayParameter), 1.0f);

    engine.setParameter (volumeParameter, -std::numeric_limits<float>::infinity());
    EXPECT_EQ (engine.getParameter (volumeParameter), 0.0f);

    // Values inside the range are kept bit for bit.
    for (const auto value : { 0.0f, -0.0f, 1.0e-30f, 0.1f, 0.99999994f, 1.0f })
    {
        engine.setParameter (fcutParameter, value);
        const auto stored = engine.getParameter (fcutParameter);
        EXPECT_EQ (std::memcmp (&stored, &value, sizeof (float)), 0) << value;
    }

    engine.setParameter (5, 0.3f);
    engine.setParameter (-1, 0.3f);
    EXPECT_EQ (engine.getParameter (5), 0.0f);
    EXPECT_EQ (engine.getParameter (-1), 0.0f);
}

TEST (EngineFade, TriggerMeasuresFromTheLastTrigger)
{
    Engine engine;
    engine.setParameter (predelayParameter, 0.5f);
    engine.prepare (44100.0);
    float left = 0, right = 0;

    engine.setParameter (predelayParameter, 0.505f);
    engine.process (&left, &right, 1);
    EXPECT_FALSE (engine.getFadeState().fadingOut);

    engine.setParameter (predelayParameter, 0.512f);
    engine.process (&left, &right, 1);
    EXPECT_TRUE (engine.getFadeState().fadingOut);
    EXPECT_EQ (engine.getFadeState().lastPredelay, 0.512f);

    // The single-precision difference of 0.5 and 0.51 lies just below the threshold.
    Engine other;
    other.setParameter (predelayParameter, 0.5f);
    other.prepare (44100.0);
    other.setParameter (predelayParameter, 0.51f);
    other.process (&left, &right, 1);
    EXPECT_FALSE (other.getFadeState().fadingOut);
}

TEST (EngineFade, PrepareEndsAnyFade)
{
    Engine engine;
    engine.prepare (44100.0);
    engine.setParameter (decayParameter, 0.9f);
    engine.prepare (44100.0);

    const auto fade = engine.getFadeState();
    EXPECT_FALSE (fade.fadingOut);
    EXPECT_FALSE (fade.fadingIn);
    EXPECT_EQ (fade.fadeGain, 1.0);
    EXPECT_EQ (fade.lastDecay, 0.9f);

    float left = 0, right = 0;
    engine.process (&left, &right, 1);
    EXPECT_FALSE (engine.getFadeState().fadingOut);
}

TEST (EngineSampleRates, UnusableRatesLeaveTheAudioUntouched)
{
    for (const auto rate : { 0.0, -48000.0, 999.0, 1.0e9, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity() })
    {
        Engine engine;
        engine.prepare (rate);
        EXPECT_FALSE (engine.isPrepared()) << rate;

        float left[] = { 0.25f, -0.5f };
        float right[] = { 0.75f, 1.0f };
        engine.process (left, right, 2);
        EXPECT_EQ (left[0], 0.25f);
        EXPECT_EQ (right[1], 1.0f);
    }
}

TEST (EngineSampleRates, LowRatesStayFiniteAndStable)
{
    for (const auto rate : { 1000.0, 2000.0, 2999.0, 8000.0, 768000.0 })
    {
        Engine engine;
        engine.setParameter (decayParameter, 1.0f);
        engine.setParameter (fcutParameter, 1.0f);
        engine.setParameter (mixParameter, 1.0f);
        engine.prepare (rate);
        ASSERT_TRUE (engine.isPrepared()) << rate;

        std::vector<float> left (static_cast<size_t> (rate), 0.0f), right (left.size(), 0.0f);
        left[0] = 1.0f;
        engine.process (left.data(), right.data(), static_cast<int> (left.size()));

        float peak = 0.0f;
        for (size_t i = 0; i < left.size(); ++i)
        {
            ASSERT_TRUE (std::isfinite (left[i]) && std::isfinite (right[i])) << rate << " at " << i;
            peak = std::max ({ peak, std::abs (left[i]), std::abs (right[i]) });
        }
        EXPECT_LT (peak, 1.0f) << rate;
    }
}

TEST (EngineSampleRates, ALowerRateRestartsTheWriteIndex)
{
    Engine engine;
    engine.prepare (96000.0);
    std::vector<float> left (20000, 0.0f), right (20000, 0.0f);
    engine.process (left.data(), right.data(), 20000);
    EXPECT_EQ (engine.getWriteIndex(), 20000);

    engine.prepare (44100.0);
    EXPECT_EQ (engine.getWriteIndex(), 20000);
    engine.process (left.data(), right.data(), 1);
    EXPECT_EQ (engine.getWriteIndex(), 1);
}

TEST (EngineMemories, ClearingKeepsPositionAndFade)
{
    Engine engine;
    engine.prepare (44100.0);
    std::vector<float> left (1000, 0.5f), right (1000, 0.5f);
    engine.setParameter (predelayParameter, 0.9f);
    engine.process (left.data(), right.data(), 100);
    const auto before = engine.getFadeState();

    engine.clearMemories();

    EXPECT_EQ (engine.getWriteIndex(), 100);
    EXPECT_EQ (engine.getFadeState().fadeGain, before.fadeGain);
    EXPECT_EQ (engine.getFadeState().fadingOut, before.fadingOut);
}
