#pragma once

#include <cstddef>
#include <cstdint>

// The effect record that a VST 2.4 host holds for each plug-in instance, in the exact 64-bit
// layout the host reads. The host and the plug-in share this memory, so the layout is checked
// below field by field.

class AudioEffect;
struct AEffect;

static_assert(sizeof(void*) == 8 && sizeof(long long) == 8,
              "the effect record layout is defined for 64-bit hosts only");

// The host's function, and the shape of the record's dispatcher in the other direction:
// (record, opcode, index, value, pointer, opt) -> answer.
using HostCallback = long long (*)(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                   long long value, void* ptr, float opt);
using DispatcherFunction = HostCallback;
using ProcessFunction = void (*)(AEffect* effect, float** inputs, float** outputs,
                                 std::int32_t sampleFrames);
using ProcessDoubleFunction = void (*)(AEffect* effect, double** inputs, double** outputs,
                                       std::int32_t sampleFrames);
using SetParameterFunction = void (*)(AEffect* effect, std::int32_t index, float value);
using GetParameterFunction = float (*)(AEffect* effect, std::int32_t index);

// A four-character code as the host interface stores it: the first character in the most
// significant byte.
constexpr std::int32_t fourCharCode(const char (&code)[5])
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24)
                                     | (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16)
                                     | (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8)
                                     | static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])));
}

constexpr std::int32_t effectMagic = fourCharCode("VstP");
static_assert(effectMagic == 0x56737450);

// Bits of AEffect::flags.
namespace EffectFlag
{
constexpr std::int32_t hasEditor = 0x0001;
constexpr std::int32_t hasClipDeprecated = 0x0002;
constexpr std::int32_t hasVuDeprecated = 0x0004;
constexpr std::int32_t canMonoDeprecated = 0x0008;
constexpr std::int32_t canProcessReplacing = 0x0010;
constexpr std::int32_t programsAreChunks = 0x0020;
constexpr std::int32_t isSynth = 0x0100;
constexpr std::int32_t noTail = 0x0200;
constexpr std::int32_t wantAsyncOperationDeprecated = 0x0400;
constexpr std::int32_t hasExternalBufferDeprecated = 0x0800;
constexpr std::int32_t canDoubleReplacing = 0x1000;
} // namespace EffectFlag

struct AEffect
{
    std::int32_t magic;
    std::int32_t padding1;
    DispatcherFunction dispatcher;
    ProcessFunction process;
    SetParameterFunction setParameter;
    GetParameterFunction getParameter;
    std::int32_t numPrograms;
    std::int32_t numParameters;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    std::int32_t flags;
    std::int32_t padding2;
    std::int64_t reserved1;
    std::int64_t reserved2;
    std::int32_t initialDelay;
    std::int32_t realtimeQualities;
    std::int32_t offlineQualities;
    float ioRatioDeprecated;
    AudioEffect* effectObject;
    void* hostUserData;
    std::int32_t uniqueID;
    std::int32_t version;
    ProcessFunction processReplacing;
    ProcessDoubleFunction processDoubleReplacing;
    unsigned char reservedTail[56];
};

static_assert(sizeof(AEffect) == 0xC0);
static_assert(offsetof(AEffect, magic) == 0x00);
static_assert(offsetof(AEffect, padding1) == 0x04);
static_assert(offsetof(AEffect, dispatcher) == 0x08);
static_assert(offsetof(AEffect, process) == 0x10);
static_assert(offsetof(AEffect, setParameter) == 0x18);
static_assert(offsetof(AEffect, getParameter) == 0x20);
static_assert(offsetof(AEffect, numPrograms) == 0x28);
static_assert(offsetof(AEffect, numParameters) == 0x2C);
static_assert(offsetof(AEffect, numInputs) == 0x30);
static_assert(offsetof(AEffect, numOutputs) == 0x34);
static_assert(offsetof(AEffect, flags) == 0x38);
static_assert(offsetof(AEffect, padding2) == 0x3C);
static_assert(offsetof(AEffect, reserved1) == 0x40);
static_assert(offsetof(AEffect, reserved2) == 0x48);
static_assert(offsetof(AEffect, initialDelay) == 0x50);
static_assert(offsetof(AEffect, realtimeQualities) == 0x54);
static_assert(offsetof(AEffect, offlineQualities) == 0x58);
static_assert(offsetof(AEffect, ioRatioDeprecated) == 0x5C);
static_assert(offsetof(AEffect, effectObject) == 0x60);
static_assert(offsetof(AEffect, hostUserData) == 0x68);
static_assert(offsetof(AEffect, uniqueID) == 0x70);
static_assert(offsetof(AEffect, version) == 0x74);
static_assert(offsetof(AEffect, processReplacing) == 0x78);
static_assert(offsetof(AEffect, processDoubleReplacing) == 0x80);
static_assert(offsetof(AEffect, reservedTail) == 0x88);
