#include "Opcodes.h"
#include "TestEffects.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
struct HostCall
{
    AEffect* effect;
    int opcode;
    int index;
    long long value;
    void* ptr;
    float opt;
};

// An effect whose host callback records every call into the effect itself (found through the
// record that the callback receives) and answers `hostAnswer`.
class HostRecordingEffect : public MinimalEffect
{
public:
    HostRecordingEffect() : MinimalEffect(&HostRecordingEffect::fakeHost) {}

    void setParameter(int index, float value) override
    {
        events.push_back("setParameter " + std::to_string(index) + " " + std::to_string(value));
    }
    int canDo(char* capability) override
    {
        events.push_back(std::string("canDo ") + capability);
        return canDoAnswer;
    }

    std::vector<HostCall> hostCalls;
    std::vector<std::string> events;
    long long hostAnswer = 0;
    int canDoAnswer = 0;

private:
    static long long fakeHost(AEffect* effect, std::int32_t opcode, std::int32_t index, long long value, void* ptr,
                              float opt)
    {
        auto* self = static_cast<HostRecordingEffect*>(effect->effectObject);
        self->hostCalls.push_back({ effect, opcode, index, value, ptr, opt });
        self->events.push_back("host " + std::to_string(opcode));
        return self->hostAnswer;
    }
};

enum class Result
{
    answer,
    boolean,
    zeroOrOne,
    masterVersion,
    connected,
};

long long expectedResult(Result kind, long long hostAnswer)
{
    const auto low32 = static_cast<std::int32_t>(hostAnswer);
    switch (kind)
    {
        case Result::answer:
            return hostAnswer;
        case Result::boolean:
        case Result::zeroOrOne:
            return hostAnswer != 0 ? 1 : 0;
        case Result::masterVersion:
            return low32 != 0 ? low32 : 1;
        case Result::connected:
            return low32 == 0 ? 1 : 0;
    }
    return 0;
}

char* const textPointer = reinterpret_cast<char*>(0x1000);
void* const somePointer = reinterpret_cast<void*>(0x2000);
constexpr auto highOption = static_cast<VstOfflineOption>(0x80000001u);

struct HostRow
{
    std::string operation;
    std::function<long long(AudioEffectX&)> call;
    int opcode;
    int index;
    long long value;
    void* ptr;
    float opt;
    Result result;
};

long long fromBool(bool value)
{
    return value ? 1 : 0;
}

std::vector<HostRow> hostRows()
{
    using E = AudioEffectX;
    auto* file = reinterpret_cast<VstAudioFile*>(0x3000);
    auto* task = reinterpret_cast<VstOfflineTask*>(0x4000);
    auto* window = reinterpret_cast<__VstWindowDeprecated*>(0x5000);
    auto* selector = reinterpret_cast<VstFileSelect*>(0x6000);
    return {
        { "getMasterVersion", [](E& e) { return e.getMasterVersion(); }, 1, 0, 0, nullptr, 0.0f, Result::masterVersion },
        { "getCurrentUniqueId", [](E& e) { return e.getCurrentUniqueId(); }, 2, 0, 0, nullptr, 0.0f, Result::answer },
        { "masterIdle", [](E& e) { return e.masterIdle(); }, 3, 0, 0, nullptr, 0.0f, Result::answer },
        { "__isInputConnectedDeprecated", [](E& e) { return fromBool(e.__isInputConnectedDeprecated(3)); }, 4, 3, 0,
          nullptr, 0.0f, Result::connected },
        { "__isOutputConnectedDeprecated", [](E& e) { return fromBool(e.__isOutputConnectedDeprecated(-1)); }, 4, -1,
          1, nullptr, 0.0f, Result::connected },
        { "__wantEventsDeprecated", [](E& e) { return e.__wantEventsDeprecated(-2); }, 6, 0, -2, nullptr, 0.0f,
          Result::answer },
        { "getTimeInfo", [](E& e) { return reinterpret_cast<long long>(e.getTimeInfo(0xfe00)); }, 7, 0, 0xfe00,
          nullptr, 0.0f, Result::answer },
        { "__tempoAtDeprecated", [](E& e) { return e.__tempoAtDeprecated(441); }, 10, 0, 441, nullptr, 0.0f,
          Result::answer },
        { "__getNumAutomatableParametersDeprecated", [](E& e) { return e.__getNumAutomatableParametersDeprecated(); },
          11, 0, 0, nullptr, 0.0f, Result::answer },
        { "__getParameterQuantizationDeprecated", [](E& e) { return e.__getParameterQuantizationDeprecated(); }, 12, 0,
          0, nullptr, 0.0f, Result::answer },
        { "ioChanged", [](E& e) { return fromBool(e.ioChanged()); }, 13, 0, 0, nullptr, 0.0f, Result::boolean },
        { "__needIdleDeprecated", [](E& e) { return fromBool(e.__needIdleDeprecated()); }, 14, 0, 0, nullptr, 0.0f,
          Result::boolean },
        { "sizeWindow", [](E& e) { return fromBool(e.sizeWindow(430, -110)); }, 15, 430, -110, nullptr, 0.0f,
          Result::boolean },
        { "getInputLatency", [](E& e) { return e.getInputLatency(); }, 18, 0, 0, nullptr, 0.0f, Result::answer },
        { "getOutputLatency", [](E& e) { return e.getOutputLatency(); }, 19, 0, 0, nullptr, 0.0f, Result::answer },
        { "__getPreviousPlugDeprecated", [](E& e) { return e.__getPreviousPlugDeprecated(5); }, 20, 0, 0, nullptr,
          0.0f, Result::answer },
        { "__getNextPlugDeprecated", [](E& e) { return e.__getNextPlugDeprecated(5); }, 21, 0, 0, nullptr, 0.0f,
          Result::answer },
        { "__willProcessReplacingDeprecated", [](E& e) { return e.__willProcessReplacingDeprecated(); }, 22, 0, 0,
          nullptr, 0.0f, Result::answer },
        { "getCurrentProcessLevel", [](E& e) { return e.getCurrentProcessLevel(); }, 23, 0, 0, nullptr, 0.0f,
          Result::answer },
        { "getAutomationState", [](E& e) { return e.getAutomationState(); }, 24, 0, 0, nullptr, 0.0f, Result::answer },
        { "offlineStart", [file](E& e) { return fromBool(e.offlineStart(file, 3, 4)); }, 25, 4, 3, file, 0.0f,
          Result::boolean },
        { "offlineRead", [task](E& e) { return fromBool(e.offlineRead(task, highOption, true)); }, 26, 1,
          0x80000001LL, task, 0.0f, Result::boolean },
        { "offlineWrite", [task](E& e) { return fromBool(e.offlineWrite(task, highOption)); }, 27, 0,
          0x80000001LL, task, 0.0f, Result::boolean },
        { "offlineGetCurrentPass", [](E& e) { return e.offlineGetCurrentPass(); }, 28, 0, 0, nullptr, 0.0f,
          Result::zeroOrOne },
        { "offlineGetCurrentMetaPass", [](E& e) { return e.offlineGetCurrentMetaPass(); }, 29, 0, 0, nullptr, 0.0f,
          Result::zeroOrOne },
        { "__setOutputSamplerateDeprecated", [](E& e) { return e.__setOutputSamplerateDeprecated(22050.0f); }, 30, 0,
          0, nullptr, 22050.0f, Result::answer },
        { "__getOutputSpeakerArrangementDeprecated", [](E& e) { return e.__getOutputSpeakerArrangementDeprecated(); },
          31, 0, 0, nullptr, 0.0f, Result::answer },
        { "getHostVendorString", [](E& e) { return fromBool(e.getHostVendorString(textPointer)); }, 32, 0, 0,
          textPointer, 0.0f, Result::boolean },
        { "getHostProductString", [](E& e) { return fromBool(e.getHostProductString(textPointer)); }, 33, 0, 0,
          textPointer, 0.0f, Result::boolean },
        { "getHostVendorVersion", [](E& e) { return e.getHostVendorVersion(); }, 34, 0, 0, nullptr, 0.0f,
          Result::answer },
        { "hostVendorSpecific",
          [](E& e) { return e.hostVendorSpecific(-7, 0x123456789, somePointer, 1.5f); }, 35, -7, 0x123456789,
          somePointer, 1.5f, Result::answer },
        { "canHostDo", [](E& e) { return e.canHostDo(textPointer); }, 37, 0, 0, textPointer, 0.0f,
          Result::zeroOrOne },
        { "getHostLanguage", [](E& e) { return e.getHostLanguage(); }, 38, 0, 0, nullptr, 0.0f, Result::answer },
        { "__openWindowDeprecated", [window](E& e) { return e.__openWindowDeprecated(window); }, 39, 0, 0, window,
          0.0f, Result::answer },
        { "__closeWindowDeprecated", [window](E& e) { return fromBool(e.__closeWindowDeprecated(window)); }, 40, 0, 0,
          window, 0.0f, Result::boolean },
        { "getDirectory", [](E& e) { return e.getDirectory(); }, 41, 0, 0, nullptr, 0.0f, Result::answer },
        { "updateDisplay", [](E& e) { return fromBool(e.updateDisplay()); }, 42, 0, 0, nullptr, 0.0f,
          Result::boolean },
        { "beginEdit", [](E& e) { return fromBool(e.beginEdit(4)); }, 43, 4, 0, nullptr, 0.0f, Result::boolean },
        { "endEdit", [](E& e) { return fromBool(e.endEdit(4)); }, 44, 4, 0, nullptr, 0.0f, Result::boolean },
        { "openFileSelector", [selector](E& e) { return fromBool(e.openFileSelector(selector)); }, 45, 0, 0, selector,
          0.0f, Result::boolean },
        { "closeFileSelector", [selector](E& e) { return fromBool(e.closeFileSelector(selector)); }, 46, 0, 0,
          selector, 0.0f, Result::boolean },
        { "__getChunkFileDeprecated", [](E& e) { return fromBool(e.__getChunkFileDeprecated(somePointer)); }, 48, 0, 0,
          somePointer, 0.0f, Result::boolean },
        { "__getInputSpeakerArrangementDeprecated", [](E& e) { return e.__getInputSpeakerArrangementDeprecated(); },
          49, 0, 0, nullptr, 0.0f, Result::answer },
    };
}

TEST(HostCalls, EachOperationSendsItsOpcodeAndConvertsTheAnswer)
{
    const long long hostAnswers[] = { 0, 1, -1, 2400, 0x100000000, static_cast<long long>(0xFFFFFFFF00000001ULL) };
    for (const HostRow& row : hostRows())
    {
        for (long long hostAnswer : hostAnswers)
        {
            SCOPED_TRACE(row.operation + ", host answer " + std::to_string(hostAnswer));
            HostRecordingEffect effect;
            effect.hostAnswer = hostAnswer;
            EXPECT_EQ(expectedResult(row.result, hostAnswer), row.call(effect));
            ASSERT_EQ(1u, effect.hostCalls.size());
            const HostCall& call = effect.hostCalls[0];
            EXPECT_EQ(effect.getAeffect(), call.effect);
            EXPECT_EQ(row.opcode, call.opcode);
            EXPECT_EQ(row.index, call.index);
            EXPECT_EQ(row.value, call.value);
            EXPECT_EQ(row.ptr, call.ptr);
            EXPECT_EQ(row.opt, call.opt);
        }
    }
}

TEST(HostCalls, WithoutACallbackEachOperationAnswersItsDefault)
{
    for (const HostRow& row : hostRows())
    {
        SCOPED_TRACE(row.operation);
        MinimalEffect effect(nullptr);
        const long long expected = (row.result == Result::masterVersion || row.result == Result::connected) ? 1 : 0;
        EXPECT_EQ(expected, row.call(effect));
    }

    MinimalEffect effect(nullptr);
    effect.setSampleRate(32000.0f);
    effect.setBlockSize(64);
    EXPECT_EQ(32000.0, effect.updateSampleRate());
    EXPECT_EQ(64, effect.updateBlockSize());
    EXPECT_FLOAT_EQ(32000.0f, effect.getSampleRate());
    EXPECT_EQ(64, effect.getBlockSize());
    effect.setParameterAutomated(1, 0.5f);
}

TEST(HostCalls, SetParameterAutomatedSetsLocallyFirstThenTellsTheHost)
{
    HostRecordingEffect effect;
    effect.hostAnswer = 99;
    effect.setParameterAutomated(2, 0.5f);
    const std::vector<std::string> expected = { "setParameter 2 0.500000", "host 0" };
    EXPECT_EQ(expected, effect.events);
    ASSERT_EQ(1u, effect.hostCalls.size());
    EXPECT_EQ(2, effect.hostCalls[0].index);
    EXPECT_EQ(0, effect.hostCalls[0].value);
    EXPECT_EQ(nullptr, effect.hostCalls[0].ptr);
    EXPECT_EQ(0.5f, effect.hostCalls[0].opt);
}

// Without a host callback the local step still runs.
class ParameterEffect : public MinimalEffect
{
public:
    void setParameter(int index, float value) override
    {
        if (index >= 0 && index < 5)
            values[index] = value;
    }
    float getParameter(int index) override { return index >= 0 && index < 5 ? values[index] : 0.0f; }

private:
    float values[5] {};
};

TEST(HostCalls, SetParameterAutomatedWithoutAHostStillSetsTheParameter)
{
    ParameterEffect effect;
    effect.setParameterAutomated(2, 0.5f);
    EXPECT_EQ(0.5f, effect.getParameter(2));
}

TEST(HostCalls, UpdateSampleRateStoresOnlyPositiveAnswers)
{
    HostRecordingEffect effect;
    effect.hostAnswer = 48000;
    EXPECT_EQ(48000.0, effect.updateSampleRate());
    EXPECT_FLOAT_EQ(48000.0f, effect.getSampleRate());

    for (long long answer : { 0LL, -1LL, static_cast<long long>(0x8000000000000000ULL) })
    {
        effect.hostAnswer = answer;
        EXPECT_EQ(48000.0, effect.updateSampleRate()) << answer;
        EXPECT_FLOAT_EQ(48000.0f, effect.getSampleRate());
    }
    EXPECT_EQ(16, effect.hostCalls.back().opcode);
}

TEST(HostCalls, UpdateBlockSizeReadsTheAnswerAsA32BitNumber)
{
    HostRecordingEffect effect;
    effect.hostAnswer = 512;
    EXPECT_EQ(512, effect.updateBlockSize());
    effect.hostAnswer = 0;
    EXPECT_EQ(512, effect.updateBlockSize());
    effect.hostAnswer = -64;
    EXPECT_EQ(512, effect.updateBlockSize());
    effect.hostAnswer = 0x100000000; // low 32 bits are 0
    EXPECT_EQ(512, effect.updateBlockSize());
    effect.hostAnswer = 0x100000080;
    EXPECT_EQ(128, effect.updateBlockSize());
    EXPECT_EQ(128, effect.getBlockSize());
    EXPECT_EQ(17, effect.hostCalls.back().opcode);
}

TEST(HostCalls, NullPointersToFileSelectorsAndChunkFilesSendNothing)
{
    HostRecordingEffect effect;
    effect.hostAnswer = 1;
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.__getChunkFileDeprecated(nullptr));
    EXPECT_TRUE(effect.hostCalls.empty());
}

TEST(HostCalls, ResumeAsksForEventsOnlyForSynthsAndMidiReceivers)
{
    for (int canDoAnswer : { -1, 0, 2 })
    {
        HostRecordingEffect effect;
        effect.canDoAnswer = canDoAnswer;
        effect.resume();
        EXPECT_TRUE(effect.hostCalls.empty()) << canDoAnswer;
        EXPECT_EQ(std::vector<std::string> { "canDo receiveVstMidiEvent" }, effect.events);
    }

    HostRecordingEffect receiver;
    receiver.canDoAnswer = 1;
    receiver.resume();
    ASSERT_EQ(1u, receiver.hostCalls.size());
    EXPECT_EQ(6, receiver.hostCalls[0].opcode);
    EXPECT_EQ(1, receiver.hostCalls[0].value);

    HostRecordingEffect synth;
    synth.isSynth(true);
    synth.resume();
    EXPECT_EQ(std::vector<std::string> { "host 6" }, synth.events) << "canDo is not asked";

    HostRecordingEffect throughDispatcher;
    throughDispatcher.canDoAnswer = 1;
    throughDispatcher.dispatcher(12, 0, 1, nullptr, 0.0f);
    EXPECT_EQ(1u, throughDispatcher.hostCalls.size());
}

TEST(HostCalls, SynthFlagAndCategory)
{
    MinimalEffect effect;
    effect.record().flags = 0x31;
    effect.isSynth(true);
    EXPECT_EQ(0x131, effect.getAeffect()->flags);
    EXPECT_EQ(2, effect.getPlugCategory());
    effect.isSynth(false);
    EXPECT_EQ(0x31, effect.getAeffect()->flags);
    EXPECT_EQ(0, effect.getPlugCategory());
}
} // namespace
