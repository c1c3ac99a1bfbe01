// libFuzzer target: drives a concrete effect through the entry functions of its record with
// random opcodes and arguments, the way a careless host might: with valid buffers or, now and then,
// with no place at all where the opcode expects one.
// The effect below overrides what a real effect would (names, parameters, chunks, speaker
// arrangements, an editor), using the base's text and arrangement helpers, so that those are
// exercised with host-chosen values too. Its vendorSpecific opcode is a test door to the base's
// host calls, which no opcode reaches otherwise.

#include "AudioEffectX.h"
#include "Opcodes.h"
#include "ValueText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr int parameterCount = 5;
constexpr std::size_t bufferSize = 1024;
constexpr int maxChannels = 8;
constexpr int oneInThisManyPointersMissing = 8;

long long hostAnswer = 0;

long long fuzzHost(AEffect* /*effect*/, std::int32_t /*opcode*/, std::int32_t /*index*/, long long /*value*/,
                   void* /*ptr*/, float /*opt*/)
{
    return hostAnswer;
}

class FuzzEditor : public EffectEditor
{
public:
    bool queryBounds(EditorRect** rect) override
    {
        *rect = &bounds;
        return true;
    }
    bool openInWindow(void* parentWindow) override
    {
        open = parentWindow != nullptr;
        return open;
    }
    void closeView() override { open = false; }
    bool keyDownEvent(EditorKeyCode& keyCode) override { return keyCode.virtualKey != 0; }
    bool keyUpEvent(EditorKeyCode& keyCode) override { return keyCode.modifiers != 0; }
    bool setModeValue(int mode) override { return mode >= 0; }

private:
    EditorRect bounds { 0, 0, 110, 430 };
    bool open = false;
};

class FuzzEffect : public AudioEffectX
{
public:
    FuzzEffect(HostCallback callback, int programCount, bool withEditor, int canDoResult)
        : AudioEffectX(callback, programCount, parameterCount),
          programNames(static_cast<std::size_t>(std::max(programCount, 0))),
          canDoAnswer(canDoResult)
    {
        if (withEditor)
            editor.reset(new FuzzEditor());
        setNumInputs(2);
        setNumOutputs(2);
        programsAreChunks(true);
    }

    ~FuzzEffect() override
    {
        deallocateArrangement(&inputArrangement);
        deallocateArrangement(&outputArrangement);
    }

    void processReplacing(float** inputs, float** outputs, int sampleFrames) override
    {
        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < sampleFrames; ++i)
                outputs[channel][i] = inputs[channel][i] * parameters[4];
    }

    void setParameter(int index, float value) override
    {
        if (index >= 0 && index < parameterCount)
            parameters[index] = value;
    }
    float getParameter(int index) override
    {
        return index >= 0 && index < parameterCount ? parameters[index] : 0.0f;
    }

    void setProgram(int program) override
    {
        if (program >= 0 && program < static_cast<int>(programNames.size()))
            currentProgram = program;
    }
    void setProgramName(char* name) override
    {
        if (currentProgram >= 0 && currentProgram < static_cast<int>(programNames.size()))
            ValueText::copyText(programNames[static_cast<std::size_t>(currentProgram)].text, name, 23);
    }
    void getProgramName(char* name) override
    {
        if (currentProgram >= 0 && currentProgram < static_cast<int>(programNames.size()))
            ValueText::copyText(name, programNames[static_cast<std::size_t>(currentProgram)].text, 23);
        else
            ValueText::copyText(name, "", 23);
    }
    bool getProgramNameIndexed(int /*category*/, int index, char* text) override
    {
        if (index < 0 || index >= static_cast<int>(programNames.size()))
            return false;
        ValueText::copyText(text, programNames[static_cast<std::size_t>(index)].text, 23);
        return true;
    }

    void getParameterName(int index, char* text) override { int2string(index, text, 15); }
    void getParameterLabel(int index, char* label) override { ValueText::copyText(label, index == 0 ? "dB" : "", 23); }

    // The low three bits of index pick a helper, the next six the length limit.
    void getParameterDisplay(int index, char* text) override
    {
        const float value = getParameter(index & 7);
        const int maxLength = (index >> 3) & 63;
        switch (index & 7)
        {
            case 0: dB2string(value, text, maxLength); break;
            case 1: Hz2string(value, text, maxLength); break;
            case 2: ms2string(value, text, maxLength); break;
            case 3: float2string(value, text, maxLength); break;
            default:
            {
                int bits;
                std::memcpy(&bits, &value, sizeof(bits));
                int2string(bits, text, maxLength);
            }
        }
    }

    bool string2parameter(int index, char* text) override
    {
        if (index < 0 || index >= parameterCount)
            return false;
        parameters[index] = static_cast<float>(std::strlen(text)) / 100.0f;
        return true;
    }

    int getChunk(void** data, bool /*isPreset*/) override
    {
        *data = chunk.data();
        return static_cast<int>(chunk.size());
    }
    int setChunk(void* data, int byteSize, bool /*isPreset*/) override
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        chunk.assign(bytes, bytes + std::max(byteSize, 0));
        return 0;
    }

    bool getEffectName(char* name) override
    {
        ValueText::copyText(name, "Fuzz", 63);
        return true;
    }
    bool getVendorString(char* text) override
    {
        ValueText::copyText(text, "Test", 63);
        return true;
    }

    int canDo(char* capability) override
    {
        return std::strcmp(capability, "receiveVstMidiEvent") == 0 ? canDoAnswer : -1;
    }

    bool setSpeakerArrangement(VstSpeakerArrangement* inputs, VstSpeakerArrangement* outputs) override
    {
        const bool inputsMatched = matchArrangement(&inputArrangement, inputs);
        const bool outputsMatched = matchArrangement(&outputArrangement, outputs);
        return inputsMatched && outputsMatched;
    }
    bool getSpeakerArrangement(VstSpeakerArrangement** inputs, VstSpeakerArrangement** outputs) override
    {
        *inputs = inputArrangement;
        *outputs = outputArrangement;
        return true;
    }

    long long vendorSpecific(int index, long long value, void* ptr, float opt) override
    {
        auto* text = static_cast<char*>(ptr);
        const int number = static_cast<int>(value);
        switch (static_cast<unsigned>(index) % 16)
        {
            case 0: return updateSampleRate() > 0.0 ? 1 : 0;
            case 1: return updateBlockSize();
            case 2: return getMasterVersion();
            case 3: return canHostDo(text);
            case 4: return sizeWindow(number, index) ? 1 : 0;
            case 5: return getTimeInfo(number) != nullptr ? 1 : 0;
            case 6: setParameterAutomated(number, opt); return 0;
            case 7: return __isInputConnectedDeprecated(number) ? 1 : 0;
            case 8: return getHostVendorString(text) ? 1 : 0;
            case 9: return offlineRead(nullptr, static_cast<VstOfflineOption>(number), value < 0) ? 1 : 0;
            case 10: isSynth((value & 1) != 0); return 0;
            case 11: return hostVendorSpecific(index, value, ptr, opt);
            case 12: return openFileSelector((value & 1) != 0 ? nullptr : static_cast<VstFileSelect*>(ptr)) ? 1 : 0;
            case 13: return offlineGetCurrentPass();
            case 14: noTail((value & 1) != 0); return 0;
            default: return beginEdit(number) && endEdit(number) ? 1 : 0;
        }
    }

private:
    struct ProgramName
    {
        char text[24] {};
    };

    float parameters[parameterCount] {};
    std::vector<ProgramName> programNames;
    std::vector<unsigned char> chunk = std::vector<unsigned char>(16, 0x5A);
    VstSpeakerArrangement* inputArrangement = nullptr;
    VstSpeakerArrangement* outputArrangement = nullptr;
    int canDoAnswer;
};

float anyFloat(FuzzedDataProvider& data)
{
    const auto bits = data.ConsumeIntegral<std::uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

FuzzEffect* makeEffect(FuzzedDataProvider& data)
{
    const HostCallback callback = data.ConsumeBool() ? &fuzzHost : nullptr;
    const int programCount = data.ConsumeIntegralInRange(0, 32);
    const bool withEditor = data.ConsumeBool();
    const int canDoResult = data.ConsumeIntegralInRange(-1, 2);
    return new FuzzEffect(callback, programCount, withEditor, canDoResult);
}

// Fills a speaker arrangement held in raw memory with a fuzzed channel count and contents.
VstSpeakerArrangement* makeArrangement(FuzzedDataProvider& data, std::vector<unsigned char>& memory)
{
    const int channelCount = data.ConsumeIntegralInRange(-2, maxChannels);
    memory.assign(speakerArrangementSize(maxChannels), 0);
    const std::vector<unsigned char> contents = data.ConsumeBytes<unsigned char>(memory.size());
    std::copy(contents.begin(), contents.end(), memory.begin());
    auto* arrangement = reinterpret_cast<VstSpeakerArrangement*>(memory.data());
    arrangement->channelCount = channelCount;
    return arrangement;
}

void dispatch(FuzzedDataProvider& data, FuzzEffect*& effect)
{
    AEffect* const record = effect->getAeffect();
    const int opcode = data.ConsumeBool() ? data.ConsumeIntegral<int>() : data.ConsumeIntegralInRange(-2, 82);
    const int index = data.ConsumeIntegral<int>();
    long long value = data.ConsumeIntegral<long long>();
    const float opt = anyFloat(data);

    // One buffer large enough for any text or record an opcode hands over, holding a
    // terminated fuzzed text for the opcodes that read one.
    alignas(16) char buffer[bufferSize] {};
    const std::string text = data.ConsumeRandomLengthString(bufferSize - 1);
    std::memcpy(buffer, text.data(), text.size());
    void* ptr = buffer;
    const auto pointerMissing = [&data] { return data.ConsumeIntegralInRange(1, oneInThisManyPointersMissing) == 1; };

    std::vector<unsigned char> inputMemory;
    std::vector<unsigned char> outputMemory;
    VstSpeakerArrangement* inputPlace = nullptr;
    VstSpeakerArrangement* outputPlace = nullptr;
    if (opcode == EffectOpcode::setSpeakerArrangement)
    {
        value = reinterpret_cast<long long>(data.ConsumeBool() ? makeArrangement(data, inputMemory) : nullptr);
        ptr = data.ConsumeBool() ? makeArrangement(data, outputMemory) : nullptr;
    }
    else if (opcode == EffectOpcode::getSpeakerArrangement)
    {
        value = pointerMissing() ? 0 : reinterpret_cast<long long>(&inputPlace);
        ptr = &outputPlace;
    }
    else if (opcode == EffectOpcode::setChunk)
    {
        value = data.ConsumeIntegralInRange<long long>(0, bufferSize);
    }

    if (pointerMissing())
        ptr = nullptr;
    record->dispatcher(record, opcode, index, value, ptr, opt);
    if (opcode == EffectOpcode::close)
        effect = makeEffect(data);
}

void process(FuzzedDataProvider& data, FuzzEffect& effect)
{
    AEffect* const record = effect.getAeffect();
    const int frames = data.ConsumeIntegralInRange(0, 64);
    float left[64] {}, right[64] {};
    float* channels[] = { left, right };
    double leftDouble[64] {}, rightDouble[64] {};
    double* doubleChannels[] = { leftDouble, rightDouble };
    switch (data.ConsumeIntegralInRange(0, 2))
    {
        case 0: record->processReplacing(record, channels, channels, frames); break;
        case 1: record->processDoubleReplacing(record, doubleChannels, doubleChannels, frames); break;
        default: record->process(record, channels, channels, frames); break;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    FuzzEffect* effect = makeEffect(data);

    while (data.remaining_bytes() > 0)
    {
        hostAnswer = data.ConsumeIntegral<long long>();
        AEffect* const record = effect->getAeffect();
        switch (data.ConsumeIntegralInRange(0, 3))
        {
            case 0: dispatch(data, effect); break;
            case 1: record->setParameter(record, data.ConsumeIntegral<int>(), anyFloat(data)); break;
            case 2: record->getParameter(record, data.ConsumeIntegral<int>()); break;
            default: process(data, *effect); break;
        }
    }

    AEffect* const record = effect->getAeffect();
    record->dispatcher(record, EffectOpcode::close, 0, 0, nullptr, 0.0f);
    return 0;
}
