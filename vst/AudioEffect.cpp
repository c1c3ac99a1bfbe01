#include "AudioEffect.h"

#include "Opcodes.h"
#include "ValueText.h"

#include <cmath>

namespace
{
constexpr std::int32_t defaultUniqueID = fourCharCode("NoEf");
constexpr std::int32_t identifyAnswer = fourCharCode("NvEf");
} // namespace

AudioEffect::AudioEffect(HostCallback callback, int programCount, int parameterCount)
    : hostCallback(callback), numPrograms(programCount), numParameters(parameterCount)
{
    effectRecord.magic = effectMagic;
    effectRecord.dispatcher = &AudioEffect::dispatchEffectClass;
    effectRecord.process = &AudioEffect::__processClassDeprecated;
    effectRecord.setParameter = &AudioEffect::setParameterClass;
    effectRecord.getParameter = &AudioEffect::getParameterClass;
    effectRecord.numPrograms = programCount;
    effectRecord.numParameters = parameterCount;
    effectRecord.numInputs = 1;
    effectRecord.numOutputs = 2;
    effectRecord.flags = EffectFlag::canProcessReplacing;
    effectRecord.ioRatioDeprecated = 1.0f;
    effectRecord.effectObject = this;
    effectRecord.uniqueID = defaultUniqueID;
    effectRecord.version = 1;
    effectRecord.processReplacing = &AudioEffect::processClassReplacing;
    effectRecord.processDoubleReplacing = &AudioEffect::processClassDoubleReplacing;
}

AudioEffect::~AudioEffect() = default;

long long AudioEffect::dispatcher(int opcode, int index, long long value, void* ptr, float opt)
{
    if (EffectOpcode::lacksHostPointer(opcode, value, ptr))
        return 0;

    switch (opcode)
    {
        case EffectOpcode::open:
            open();
            return 0;
        case EffectOpcode::close:
            close();
            return 0;
        case EffectOpcode::setProgram:
            // Only the upper end is checked: a negative number reaches setProgram, whose
            // override must ignore it.
            if (value < static_cast<long long>(numPrograms))
                setProgram(static_cast<int>(value));
            return 0;
        case EffectOpcode::getProgram:
            return getProgram();
        case EffectOpcode::setProgramName:
            setProgramName(static_cast<char*>(ptr));
            return 0;
        case EffectOpcode::getProgramName:
            getProgramName(static_cast<char*>(ptr));
            return 0;
        case EffectOpcode::getParameterLabel:
            getParameterLabel(index, static_cast<char*>(ptr));
            return 0;
        case EffectOpcode::getParameterDisplay:
            getParameterDisplay(index, static_cast<char*>(ptr));
            return 0;
        case EffectOpcode::getParameterName:
            getParameterName(index, static_cast<char*>(ptr));
            return 0;
        case EffectOpcode::setSampleRate:
            setSampleRate(opt);
            return 0;
        case EffectOpcode::setBlockSize:
            setBlockSize(static_cast<int>(value));
            return 0;
        case EffectOpcode::suspendOrResume:
            if (value == 0)
                suspend();
            else
                resume();
            return 0;
        case EffectOpcode::editorQueryBounds:
            return editor != nullptr && editor->queryBounds(static_cast<EditorRect**>(ptr)) ? 1 : 0;
        case EffectOpcode::editorOpenInWindow:
            return editor != nullptr && editor->openInWindow(ptr) ? 1 : 0;
        case EffectOpcode::editorCloseView:
            if (editor != nullptr)
                editor->closeView();
            return 0;
        case EffectOpcode::editorIdleTick:
            if (editor != nullptr)
                editor->idleTick();
            return 0;
        case EffectOpcode::identify:
            return identifyAnswer;
        case EffectOpcode::getChunk:
            return getChunk(static_cast<void**>(ptr), index != 0);
        case EffectOpcode::setChunk:
            return setChunk(ptr, static_cast<int>(value), index != 0);
        default:
            return 0;
    }
}

void AudioEffect::setFlag(std::int32_t bit, bool state)
{
    setRecordField(effectRecord.flags, state ? (effectRecord.flags | bit) : (effectRecord.flags & ~bit));
}

void AudioEffect::setRecordField(std::int32_t& field, std::int32_t value)
{
    if (field != value)
        field = value;
}

void AudioEffect::dB2string(float gain, char* text, int maxLength)
{
    if (gain <= 0.0f)
    {
        ValueText::copyText(text, "-oo", maxLength);
        return;
    }
    float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(gain))), text, maxLength);
}

void AudioEffect::Hz2string(float samples, char* text, int maxLength)
{
    const float rate = getSampleRate();
    float2string(samples == 0.0f ? 0.0f : rate / samples, text, maxLength);
}

void AudioEffect::ms2string(float samples, char* text, int maxLength)
{
    const float rate = getSampleRate();
    const double milliseconds = static_cast<double>(samples) * 1000.0 / static_cast<double>(rate);
    float2string(static_cast<float>(milliseconds), text, maxLength);
}

void AudioEffect::float2string(float value, char* text, int maxLength)
{
    ValueText::formatFloat(value, text, maxLength);
}

void AudioEffect::int2string(int value, char* text, int maxLength)
{
    ValueText::formatInt(value, text, maxLength);
}

long long AudioEffect::dispatchEffectClass(AEffect* effect, int opcode, int index, long long value, void* ptr,
                                           float opt)
{
    AudioEffect* const object = effect->effectObject;
    const long long answer = object->dispatcher(opcode, index, value, ptr, opt);
    if (opcode != EffectOpcode::close)
        return answer;

    // The host lets go of the record with this call; the whole effect goes with it.
    delete object;
    return 1;
}

void AudioEffect::__processClassDeprecated(AEffect* effect, float** inputs, float** outputs, int sampleFrames)
{
    effect->effectObject->__processDeprecated(inputs, outputs, sampleFrames);
}

void AudioEffect::setParameterClass(AEffect* effect, int index, float value)
{
    effect->effectObject->setParameter(index, value);
}

float AudioEffect::getParameterClass(AEffect* effect, int index)
{
    return effect->effectObject->getParameter(index);
}

void AudioEffect::processClassReplacing(AEffect* effect, float** inputs, float** outputs, int sampleFrames)
{
    effect->effectObject->processReplacing(inputs, outputs, sampleFrames);
}

void AudioEffect::processClassDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                              int sampleFrames)
{
    effect->effectObject->processDoubleReplacing(inputs, outputs, sampleFrames);
}
