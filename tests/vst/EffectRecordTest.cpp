#include "TestEffects.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{
std::int32_t readInt32(const unsigned char* bytes, std::size_t offset)
{
    std::int32_t value;
    std::memcpy(&value, bytes + offset, sizeof(value));
    return value;
}

const void* readPointer(const unsigned char* bytes, std::size_t offset)
{
    const void* value;
    std::memcpy(&value, bytes + offset, sizeof(value));
    return value;
}

template <typename Function>
const void* functionAddress(Function function)
{
    return reinterpret_cast<const void*>(function);
}

bool allZero(const unsigned char* bytes, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

TEST(EffectRecord, BytesAfterConstruction)
{
    MinimalEffect effect(nullptr, 24, 5);
    unsigned char bytes[0xC0];
    std::memcpy(bytes, effect.getAeffect(), sizeof(bytes));

    const unsigned char magicBytes[] = { 0x50, 0x74, 0x73, 0x56 };
    EXPECT_EQ(0, std::memcmp(bytes, magicBytes, sizeof(magicBytes)));
    EXPECT_EQ(0x56737450, readInt32(bytes, 0x00));
    EXPECT_TRUE(allZero(bytes, 0x04, 0x08));
    EXPECT_EQ(functionAddress(&AudioEffect::dispatchEffectClass), readPointer(bytes, 0x08));
    EXPECT_EQ(functionAddress(&AudioEffect::__processClassDeprecated), readPointer(bytes, 0x10));
    EXPECT_EQ(functionAddress(&AudioEffect::setParameterClass), readPointer(bytes, 0x18));
    EXPECT_EQ(functionAddress(&AudioEffect::getParameterClass), readPointer(bytes, 0x20));
    EXPECT_EQ(24, readInt32(bytes, 0x28));
    EXPECT_EQ(5, readInt32(bytes, 0x2C));
    EXPECT_EQ(1, readInt32(bytes, 0x30));
    EXPECT_EQ(2, readInt32(bytes, 0x34));
    EXPECT_EQ(0x10, readInt32(bytes, 0x38));
    EXPECT_TRUE(allZero(bytes, 0x3C, 0x54)) << "padding, both reserved words, initial delay";
    EXPECT_TRUE(allZero(bytes, 0x54, 0x5C)) << "realtime and offline qualities";
    EXPECT_EQ(0x3F800000, readInt32(bytes, 0x5C));
    EXPECT_EQ(static_cast<const void*>(&effect), readPointer(bytes, 0x60));
    EXPECT_TRUE(allZero(bytes, 0x68, 0x70)) << "host user data";
    EXPECT_EQ(0x4E6F4566, readInt32(bytes, 0x70));
    EXPECT_EQ(1, readInt32(bytes, 0x74));
    EXPECT_EQ(functionAddress(&AudioEffect::processClassReplacing), readPointer(bytes, 0x78));
    EXPECT_EQ(functionAddress(&AudioEffect::processClassDoubleReplacing), readPointer(bytes, 0x80));
    EXPECT_TRUE(allZero(bytes, 0x88, 0xC0)) << "reserved tail";
}

TEST(EffectRecord, InitialValuesOfTheObject)
{
    MinimalEffect effect;
    EXPECT_FLOAT_EQ(44100.0f, effect.getSampleRate());
    EXPECT_EQ(1024, effect.getBlockSize());
    EXPECT_EQ(0, effect.getProgram());
    EXPECT_EQ(nullptr, effect.getEditor());
    EXPECT_EQ(&effect.record(), effect.getAeffect());
}

TEST(EffectRecord, SettersWriteTheRecord)
{
    MinimalEffect effect;
    effect.setUniqueID(fourCharCode("hvrn"));
    effect.setNumInputs(2);
    effect.setNumOutputs(6);
    effect.setInitialDelay(-7);
    effect.__setRealtimeQualitiesDeprecated(3);
    effect.__setOfflineQualitiesDeprecated(4);
    effect.setSampleRate(-1.0f);
    effect.setBlockSize(0);

    const AEffect& record = *effect.getAeffect();
    EXPECT_EQ(0x6876726E, record.uniqueID);
    EXPECT_EQ(2, record.numInputs);
    EXPECT_EQ(6, record.numOutputs);
    EXPECT_EQ(-7, record.initialDelay);
    EXPECT_EQ(3, record.realtimeQualities);
    EXPECT_EQ(4, record.offlineQualities);
    EXPECT_FLOAT_EQ(-1.0f, effect.getSampleRate());
    EXPECT_EQ(0, effect.getBlockSize());

    effect.__setBlockSizeAndSampleRateDeprecated(256, 96000.0f);
    EXPECT_EQ(256, effect.getBlockSize());
    EXPECT_FLOAT_EQ(96000.0f, effect.getSampleRate());
}

TEST(EffectRecord, EachFlagSetterChangesOnlyItsBit)
{
    struct FlagSetter
    {
        std::string name;
        std::function<void(MinimalEffect&, bool)> set;
        std::int32_t bit;
    };
    const std::vector<FlagSetter> setters = {
        { "__hasClipDeprecated", [](MinimalEffect& e, bool s) { e.__hasClipDeprecated(s); }, 0x0002 },
        { "__hasVuDeprecated", [](MinimalEffect& e, bool s) { e.__hasVuDeprecated(s); }, 0x0004 },
        { "__canMonoDeprecated", [](MinimalEffect& e, bool s) { e.__canMonoDeprecated(s); }, 0x0008 },
        { "canProcessReplacing", [](MinimalEffect& e, bool s) { e.canProcessReplacing(s); }, 0x0010 },
        { "programsAreChunks", [](MinimalEffect& e, bool s) { e.programsAreChunks(s); }, 0x0020 },
        { "isSynth", [](MinimalEffect& e, bool s) { e.isSynth(s); }, 0x0100 },
        { "noTail", [](MinimalEffect& e, bool s) { e.noTail(s); }, 0x0200 },
        { "__wantAsyncOperationDeprecated", [](MinimalEffect& e, bool s) { e.__wantAsyncOperationDeprecated(s); },
          0x0400 },
        { "__hasExternalBufferDeprecated", [](MinimalEffect& e, bool s) { e.__hasExternalBufferDeprecated(s); },
          0x0800 },
        { "canDoubleReplacing", [](MinimalEffect& e, bool s) { e.canDoubleReplacing(s); }, 0x1000 },
    };

    for (const auto& setter : setters)
    {
        SCOPED_TRACE(setter.name);
        MinimalEffect effect;
        setter.set(effect, true);
        EXPECT_EQ(0x10 | setter.bit, effect.getAeffect()->flags);
        setter.set(effect, true);
        EXPECT_EQ(0x10 | setter.bit, effect.getAeffect()->flags);
        setter.set(effect, false);
        EXPECT_EQ(0x10 & ~setter.bit, effect.getAeffect()->flags);

        effect.record().flags = -1;
        setter.set(effect, false);
        EXPECT_EQ(~setter.bit, effect.getAeffect()->flags);
    }
}

TEST(EffectRecord, FlagExamples)
{
    MinimalEffect effect;
    effect.canProcessReplacing(false);
    EXPECT_EQ(0x00, effect.getAeffect()->flags);

    MinimalEffect other;
    other.programsAreChunks(true);
    EXPECT_EQ(0x30, other.getAeffect()->flags);
    other.programsAreChunks(false);
    EXPECT_EQ(0x10, other.getAeffect()->flags);
}

// Sets itself up the way the plug-in's VST wrapper does after the base construction.
class WrapperLikeEffect : public MinimalEffect
{
public:
    WrapperLikeEffect() : MinimalEffect(nullptr, 24, 5)
    {
        effectRecord.flags |= EffectFlag::hasEditor;
        effectRecord.version = 300;
        setUniqueID(fourCharCode("hvrn"));
        setNumInputs(2);
        setNumOutputs(2);
        canProcessReplacing(true);
        isSynth(false);
        setInitialDelay(0);
        programsAreChunks(true);
    }
};

TEST(EffectRecord, WhatTheHostSeesAfterTheWrapperSetsItUp)
{
    WrapperLikeEffect effect;
    const AEffect& record = *effect.getAeffect();
    EXPECT_EQ(0x31, record.flags);
    EXPECT_EQ(2, record.numInputs);
    EXPECT_EQ(2, record.numOutputs);
    EXPECT_EQ(300, record.version);
    EXPECT_EQ(0x6876726E, record.uniqueID);
    EXPECT_EQ(24, record.numPrograms);
    EXPECT_EQ(5, record.numParameters);
}

// Records what reaches it through the entry functions.
class EntryRecordingEffect : public MinimalEffect
{
public:
    void processReplacing(float** inputs, float** outputs, int sampleFrames) override
    {
        log.push_back("processReplacing");
        lastInputs = inputs;
        lastOutputs = outputs;
        lastFrames = sampleFrames;
    }
    void processDoubleReplacing(double** inputs, double** outputs, int sampleFrames) override
    {
        log.push_back("processDoubleReplacing");
        lastInputs = inputs;
        lastOutputs = outputs;
        lastFrames = sampleFrames;
    }
    void __processDeprecated(float** inputs, float** outputs, int sampleFrames) override
    {
        log.push_back("__processDeprecated");
        lastInputs = inputs;
        lastOutputs = outputs;
        lastFrames = sampleFrames;
    }
    void setParameter(int index, float value) override
    {
        log.push_back("setParameter " + std::to_string(index) + " " + std::to_string(value));
    }
    float getParameter(int index) override { return static_cast<float>(index) + 0.25f; }
    long long dispatcher(int opcode, int index, long long value, void* ptr, float opt) override
    {
        log.push_back("dispatcher " + std::to_string(opcode));
        lastDispatch = { index, value, ptr, opt };
        return opcode == 3 ? -5 : 0x123456789;
    }

    struct Dispatch
    {
        int index;
        long long value;
        void* ptr;
        float opt;
    };

    std::vector<std::string> log;
    void* lastInputs = nullptr;
    void* lastOutputs = nullptr;
    int lastFrames = 0;
    Dispatch lastDispatch {};
};

TEST(EffectRecord, EntryFunctionsReachTheObjectsOverrides)
{
    EntryRecordingEffect effect;
    AEffect* record = effect.getAeffect();
    float left[4] {}, right[4] {};
    float* channels[] = { left, right };
    double leftDouble[4] {};
    double* doubleChannels[] = { leftDouble };

    record->processReplacing(record, channels, channels + 1, 4);
    EXPECT_EQ(channels, effect.lastInputs);
    EXPECT_EQ(channels + 1, effect.lastOutputs);
    EXPECT_EQ(4, effect.lastFrames);

    record->processDoubleReplacing(record, doubleChannels, doubleChannels, 3);
    EXPECT_EQ(doubleChannels, effect.lastInputs);
    EXPECT_EQ(3, effect.lastFrames);

    record->process(record, channels, channels, 2);
    EXPECT_EQ(2, effect.lastFrames);

    record->setParameter(record, 3, 0.75f);
    EXPECT_EQ(3.25f, record->getParameter(record, 3));

    int place = 0;
    EXPECT_EQ(0x123456789, record->dispatcher(record, 7, -2, -3, &place, 0.5f));
    EXPECT_EQ(-2, effect.lastDispatch.index);
    EXPECT_EQ(-3, effect.lastDispatch.value);
    EXPECT_EQ(&place, effect.lastDispatch.ptr);
    EXPECT_EQ(0.5f, effect.lastDispatch.opt);
    EXPECT_EQ(-5, record->dispatcher(record, 3, 0, 0, nullptr, 0.0f));

    const std::vector<std::string> expected = { "processReplacing", "processDoubleReplacing", "__processDeprecated",
                                                "setParameter 3 0.750000", "dispatcher 7", "dispatcher 3" };
    EXPECT_EQ(expected, effect.log);
}

TEST(EffectRecord, DefaultEntriesLeaveBuffersAndAnswerZero)
{
    MinimalEffect effect;
    AEffect* record = effect.getAeffect();
    double samples[2] = { 0.5, -0.5 };
    double* channels[] = { samples };
    record->processDoubleReplacing(record, channels, channels, 2);
    EXPECT_EQ(0.5, samples[0]);
    EXPECT_EQ(-0.5, samples[1]);

    float floats[2] = { 0.25f, -0.25f };
    float* floatChannels[] = { floats };
    record->process(record, floatChannels, floatChannels, 2);
    EXPECT_EQ(0.25f, floats[0]);

    EXPECT_EQ(0.0f, record->getParameter(record, 2));
}

class CountingEditor : public EffectEditor
{
public:
    explicit CountingEditor(int& destroyedCounter) : destroyed(destroyedCounter) {}
    ~CountingEditor() override { ++destroyed; }

private:
    int& destroyed;
};

// Counts its close and destructor calls into counters that outlive it.
class LifetimeEffect : public MinimalEffect
{
public:
    LifetimeEffect(int& closedCounter, int& destroyedCounter, long long closeAnswer)
        : closed(closedCounter), destroyed(destroyedCounter), answerToClose(closeAnswer)
    {
    }
    ~LifetimeEffect() override { ++destroyed; }

    void close() override { ++closed; }
    long long dispatcher(int opcode, int index, long long value, void* ptr, float opt) override
    {
        const long long answer = MinimalEffect::dispatcher(opcode, index, value, ptr, opt);
        return opcode == 1 ? answerToClose : answer;
    }

private:
    int& closed;
    int& destroyed;
    long long answerToClose;
};

TEST(EffectRecord, CloseThroughTheEntryRunsCloseThenDeletesTheObjectOnce)
{
    for (long long closeAnswer : { 0LL, 1LL, -9LL })
    {
        int closed = 0;
        int destroyed = 0;
        int editorDestroyed = 0;
        auto* effect = new LifetimeEffect(closed, destroyed, closeAnswer);
        effect->attachEditor(new CountingEditor(editorDestroyed));
        AEffect* record = effect->getAeffect();

        EXPECT_EQ(1, record->dispatcher(record, 1, 0, 0, nullptr, 0.0f));
        EXPECT_EQ(1, closed);
        EXPECT_EQ(1, destroyed);
        EXPECT_EQ(1, editorDestroyed);
    }
}

TEST(EffectRecord, DestructorDeletesTheEditorOnly)
{
    int editorDestroyed = 0;
    {
        MinimalEffect effect;
        effect.attachEditor(new CountingEditor(editorDestroyed));
        EXPECT_NE(nullptr, effect.getEditor());
    }
    EXPECT_EQ(1, editorDestroyed);

    // Without an editor there is nothing else to delete; AddressSanitizer builds check it.
    delete new MinimalEffect();
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// In the Itanium C++ ABI a pointer to a virtual member function holds 1 + the byte offset of
// its slot in the vtable. The virtual destructor takes the first two slots.
template <typename MemberFunction>
std::ptrdiff_t vtableSlot(MemberFunction function)
{
    static_assert(sizeof(function) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t words[2];
    std::memcpy(words, &function, sizeof(words));
    return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(EffectRecord, VirtualOperationsKeepTheirSlotOrder)
{
    using X = AudioEffectX;
    const std::vector<std::ptrdiff_t> slots = {
        vtableSlot(&AudioEffect::dispatcher),
        vtableSlot(&AudioEffect::open),
        vtableSlot(&AudioEffect::close),
        vtableSlot(&AudioEffect::suspend),
        vtableSlot(&AudioEffect::resume),
        vtableSlot(&AudioEffect::setSampleRate),
        vtableSlot(&AudioEffect::setBlockSize),
        vtableSlot(&AudioEffect::processReplacing),
        vtableSlot(&AudioEffect::processDoubleReplacing),
        vtableSlot(&AudioEffect::setParameter),
        vtableSlot(&AudioEffect::getParameter),
        vtableSlot(&AudioEffect::setParameterAutomated),
        vtableSlot(&AudioEffect::getProgram),
        vtableSlot(&AudioEffect::setProgram),
        vtableSlot(&AudioEffect::setProgramName),
        vtableSlot(&AudioEffect::getProgramName),
        vtableSlot(&AudioEffect::getParameterLabel),
        vtableSlot(&AudioEffect::getParameterDisplay),
        vtableSlot(&AudioEffect::getParameterName),
        vtableSlot(&AudioEffect::getChunk),
        vtableSlot(&AudioEffect::setChunk),
        vtableSlot(&AudioEffect::setUniqueID),
        vtableSlot(&AudioEffect::setNumInputs),
        vtableSlot(&AudioEffect::setNumOutputs),
        vtableSlot(&AudioEffect::canProcessReplacing),
        vtableSlot(&AudioEffect::canDoubleReplacing),
        vtableSlot(&AudioEffect::programsAreChunks),
        vtableSlot(&AudioEffect::setInitialDelay),
        vtableSlot(&AudioEffect::getEditor),
        vtableSlot(&AudioEffect::getAeffect),
        vtableSlot(&AudioEffect::getSampleRate),
        vtableSlot(&AudioEffect::getBlockSize),
        vtableSlot(&AudioEffect::getMasterVersion),
        vtableSlot(&AudioEffect::getCurrentUniqueId),
        vtableSlot(&AudioEffect::masterIdle),
        vtableSlot(&AudioEffect::dB2string),
        vtableSlot(&AudioEffect::Hz2string),
        vtableSlot(&AudioEffect::ms2string),
        vtableSlot(&AudioEffect::float2string),
        vtableSlot(&AudioEffect::int2string),
        vtableSlot(&AudioEffect::__processDeprecated),
        vtableSlot(&AudioEffect::__getVuDeprecated),
        vtableSlot(&AudioEffect::__hasVuDeprecated),
        vtableSlot(&AudioEffect::__hasClipDeprecated),
        vtableSlot(&AudioEffect::__canMonoDeprecated),
        vtableSlot(&AudioEffect::__setRealtimeQualitiesDeprecated),
        vtableSlot(&AudioEffect::__setOfflineQualitiesDeprecated),
        vtableSlot(&AudioEffect::__isInputConnectedDeprecated),
        vtableSlot(&AudioEffect::__isOutputConnectedDeprecated),
        vtableSlot(&X::canParameterBeAutomated),
        vtableSlot(&X::string2parameter),
        vtableSlot(&X::getParameterProperties),
        vtableSlot(&X::beginEdit),
        vtableSlot(&X::endEdit),
        vtableSlot(&X::getProgramNameIndexed),
        vtableSlot(&X::beginSetProgram),
        vtableSlot(&X::endSetProgram),
        vtableSlot(&X::beginLoadBank),
        vtableSlot(&X::beginLoadProgram),
        vtableSlot(&X::ioChanged),
        vtableSlot(&X::updateSampleRate),
        vtableSlot(&X::updateBlockSize),
        vtableSlot(&X::getInputLatency),
        vtableSlot(&X::getOutputLatency),
        vtableSlot(&X::getInputProperties),
        vtableSlot(&X::getOutputProperties),
        vtableSlot(&X::setSpeakerArrangement),
        vtableSlot(&X::getSpeakerArrangement),
        vtableSlot(&X::setBypass),
        vtableSlot(&X::setPanLaw),
        vtableSlot(&X::setProcessPrecision),
        vtableSlot(&X::getNumMidiInputChannels),
        vtableSlot(&X::getNumMidiOutputChannels),
        vtableSlot(&X::getTimeInfo),
        vtableSlot(&X::getCurrentProcessLevel),
        vtableSlot(&X::getAutomationState),
        vtableSlot(&X::processEvents),
        vtableSlot(&X::startProcess),
        vtableSlot(&X::stopProcess),
        vtableSlot(&X::processVariableIo),
        vtableSlot(&X::setTotalSampleToProcess),
        vtableSlot(&X::getHostVendorString),
        vtableSlot(&X::getHostProductString),
        vtableSlot(&X::getHostVendorVersion),
        vtableSlot(&X::hostVendorSpecific),
        vtableSlot(&X::canHostDo),
        vtableSlot(&X::getHostLanguage),
        vtableSlot(&X::isSynth),
        vtableSlot(&X::noTail),
        vtableSlot(&X::getGetTailSize),
        vtableSlot(&X::getDirectory),
        vtableSlot(&X::getEffectName),
        vtableSlot(&X::getVendorString),
        vtableSlot(&X::getProductString),
        vtableSlot(&X::getVendorVersion),
        vtableSlot(&X::vendorSpecific),
        vtableSlot(&X::canDo),
        vtableSlot(&X::getVstVersion),
        vtableSlot(&X::getPlugCategory),
        vtableSlot(&X::getMidiProgramName),
        vtableSlot(&X::getCurrentMidiProgram),
        vtableSlot(&X::getMidiProgramCategory),
        vtableSlot(&X::hasMidiProgramsChanged),
        vtableSlot(&X::getMidiKeyName),
        vtableSlot(&X::updateDisplay),
        vtableSlot(&X::sizeWindow),
        vtableSlot(&X::openFileSelector),
        vtableSlot(&X::closeFileSelector),
        vtableSlot(&X::getNextShellPlugin),
        vtableSlot(&X::allocateArrangement),
        vtableSlot(&X::deallocateArrangement),
        vtableSlot(&X::copySpeaker),
        vtableSlot(&X::matchArrangement),
        vtableSlot(&X::offlineRead),
        vtableSlot(&X::offlineWrite),
        vtableSlot(&X::offlineStart),
        vtableSlot(&X::offlineGetCurrentPass),
        vtableSlot(&X::offlineGetCurrentMetaPass),
        vtableSlot(&X::offlineNotify),
        vtableSlot(&X::offlinePrepare),
        vtableSlot(&X::offlineRun),
        vtableSlot(&X::offlineGetNumPasses),
        vtableSlot(&X::offlineGetNumMetaPasses),
        vtableSlot(&X::__wantEventsDeprecated),
        vtableSlot(&X::__tempoAtDeprecated),
        vtableSlot(&X::__getNumAutomatableParametersDeprecated),
        vtableSlot(&X::__getParameterQuantizationDeprecated),
        vtableSlot(&X::__getNumCategoriesDeprecated),
        vtableSlot(&X::__copyProgramDeprecated),
        vtableSlot(&X::__needIdleDeprecated),
        vtableSlot(&X::__getPreviousPlugDeprecated),
        vtableSlot(&X::__getNextPlugDeprecated),
        vtableSlot(&X::__inputConnectedDeprecated),
        vtableSlot(&X::__outputConnectedDeprecated),
        vtableSlot(&X::__willProcessReplacingDeprecated),
        vtableSlot(&X::__wantAsyncOperationDeprecated),
        vtableSlot(&X::__hasExternalBufferDeprecated),
        vtableSlot(&X::__reportCurrentPositionDeprecated),
        vtableSlot(&X::__reportDestinationBufferDeprecated),
        vtableSlot(&X::__setOutputSamplerateDeprecated),
        vtableSlot(&X::__getInputSpeakerArrangementDeprecated),
        vtableSlot(&X::__getOutputSpeakerArrangementDeprecated),
        vtableSlot(&X::__openWindowDeprecated),
        vtableSlot(&X::__closeWindowDeprecated),
        vtableSlot(&X::__setBlockSizeAndSampleRateDeprecated),
        vtableSlot(&X::__getErrorTextDeprecated),
        vtableSlot(&X::__getIconDeprecated),
        vtableSlot(&X::__setViewPositionDeprecated),
        vtableSlot(&X::__fxIdleDeprecated),
        vtableSlot(&X::__keysRequiredDeprecated),
        vtableSlot(&X::__getChunkFileDeprecated),
    };

    for (std::size_t i = 0; i < slots.size(); ++i)
        EXPECT_EQ(static_cast<std::ptrdiff_t>(i) + 2, slots[i]) << "operation number " << i;
    EXPECT_EQ(vtableSlot(&AudioEffect::dispatcher), vtableSlot(&X::dispatcher));
    EXPECT_EQ(vtableSlot(&AudioEffect::resume), vtableSlot(&X::resume));
}
#endif
} // namespace
