// libFuzzer target: drives the plug-in's VST effect through its record like a careless host: random
// opcodes, indices, values, parameters and process calls, with valid buffers or, now and then, with no
// place at all where the opcode expects one. Opcode 1 (which deletes the effect) and opcode 14 (which
// needs a real window) are left out.

#include "HalvornVstEffect.h"
#include "SpeakerArrangement.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace
{
constexpr size_t scratchBytes = 4096;
constexpr int maxFrames = 1024;
constexpr int oneInThisManyPointersMissing = 8;

long long host (AEffect*, std::int32_t opcode, std::int32_t, long long, void*, float)
{
    return opcode == HostOpcode::getMasterVersion ? 2400 : 0;
}

// One effect for the whole run, never deleted: like a host that exits without closing it, so that it
// outlives JUCE's own shutdown at exit.
AEffect& effect()
{
    static auto* instance = new HalvornVstEffect (&host);
    return *instance->getAeffect();
}

struct Arrangements
{
    Arrangements()
    {
        allocateSpeakerArrangement (&inputs, 2);
        allocateSpeakerArrangement (&outputs, 2);
    }

    VstSpeakerArrangement* inputs = nullptr;
    VstSpeakerArrangement* outputs = nullptr;
};

void dispatchOne (FuzzedDataProvider& input, AEffect& record)
{
    alignas (16) static std::array<unsigned char, scratchBytes> scratch;
    static Arrangements arrangements;
    scratch.fill (0);

    auto opcode = input.ConsumeIntegralInRange<std::int32_t> (-2, 82);
    if (opcode == EffectOpcode::close || opcode == EffectOpcode::editorOpenInWindow)
        opcode = EffectOpcode::identify;

    const auto index = input.ConsumeIntegral<std::int32_t>();
    auto value = input.ConsumeIntegral<long long>();
    const auto opt = input.ConsumeFloatingPoint<float>();
    void* ptr = scratch.data();
    const auto pointerMissing = [&input] {
        return input.ConsumeIntegralInRange (1, oneInThisManyPointersMissing) == 1;
    };

    switch (opcode)
    {
        case EffectOpcode::setChunk:
            value = input.ConsumeIntegralInRange<long long> (-16, scratchBytes);
            input.ConsumeData (scratch.data(), static_cast<size_t> (std::max (0LL, value)));
            break;
        case EffectOpcode::setSpeakerArrangement:
            arrangements.inputs->channelCount = input.ConsumeIntegralInRange (0, 3);
            arrangements.outputs->channelCount = input.ConsumeIntegralInRange (0, 3);
            value = pointerMissing() ? 0 : reinterpret_cast<long long> (arrangements.inputs);
            ptr = arrangements.outputs;
            break;
        case EffectOpcode::getSpeakerArrangement:
            value = pointerMissing() ? 0 : reinterpret_cast<long long> (scratch.data());
            ptr = scratch.data() + 64;
            break;
        case EffectOpcode::setProgramName:
        case EffectOpcode::string2parameter:
        case EffectOpcode::canDo:
            input.ConsumeData (scratch.data(), input.ConsumeIntegralInRange<size_t> (0, 80));
            break;
        default:
            break;
    }

    if (pointerMissing())
        ptr = nullptr;
    record.dispatcher (&record, opcode, index, value, ptr, opt);
}

void processSome (FuzzedDataProvider& input, AEffect& record)
{
    static std::array<float, maxFrames> inLeft, inRight, outLeft, outRight;
    const auto frames = input.ConsumeIntegralInRange (0, maxFrames);
    for (int i = 0; i < frames; ++i)
    {
        inLeft[static_cast<size_t> (i)] = input.ConsumeFloatingPoint<float>();
        inRight[static_cast<size_t> (i)] = inLeft[static_cast<size_t> (i)] * 0.5f;
    }

    float* inputs[] = { inLeft.data(), inRight.data() };
    float* outputs[] = { outLeft.data(), outRight.data() };
    record.processReplacing (&record, inputs, outputs, frames);

    for (int i = 0; i < frames; ++i)
        if (! std::isfinite (outLeft[static_cast<size_t> (i)]) && std::isfinite (inLeft[static_cast<size_t> (i)]))
            std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, size_t size)
{
    FuzzedDataProvider input (data, size);
    auto& record = effect();

    while (input.remaining_bytes() > 0)
    {
        switch (input.ConsumeIntegralInRange (0, 3))
        {
            case 0: dispatchOne (input, record); break;
            case 1: record.setParameter (&record, input.ConsumeIntegral<std::int32_t>(), input.ConsumeFloatingPoint<float>()); break;
            case 2: record.getParameter (&record, input.ConsumeIntegral<std::int32_t>()); break;
            default: processSome (input, record); break;
        }
    }

    return 0;
}
