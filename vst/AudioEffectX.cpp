#include "AudioEffectX.h"

#include "Opcodes.h"

#include <cstdint>

namespace
{
std::uint8_t keyModifiers(float opt)
{
    // Truncation toward zero, defined only inside the int32 range. Outside it (and for NaN)
    // the processor's own conversion gives the "integer indefinite" 0x80000000, whose low
    // byte is 0: the same modifiers without undefined behaviour.
    if (!(opt >= -2147483648.0f && opt < 2147483648.0f))
        return 0;
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(opt) & 0xFF);
}

EditorKeyCode makeKeyCode(int index, long long value, float opt)
{
    EditorKeyCode keyCode;
    keyCode.character = index;
    keyCode.virtualKey = static_cast<std::uint8_t>(value & 0xFF);
    keyCode.modifiers = keyModifiers(opt);
    return keyCode;
}

long long boolAnswer(bool result)
{
    return result ? 1 : 0;
}
} // namespace

AudioEffectX::AudioEffectX(HostCallback callback, int programCount, int parameterCount)
    : AudioEffect(callback, programCount, parameterCount)
{
}

long long AudioEffectX::dispatcher(int opcode, int index, long long value, void* ptr, float opt)
{
    if (EffectOpcode::lacksHostPointer(opcode, value, ptr))
        return 0;

    switch (opcode)
    {
        case EffectOpcode::processEvents:
            return processEvents(static_cast<VstEvents*>(ptr));
        case EffectOpcode::canParameterBeAutomated:
            return boolAnswer(canParameterBeAutomated(index));
        case EffectOpcode::string2parameter:
            return boolAnswer(string2parameter(index, static_cast<char*>(ptr)));
        case EffectOpcode::getProgramNameIndexed:
            return boolAnswer(getProgramNameIndexed(static_cast<int>(value), index, static_cast<char*>(ptr)));
        case EffectOpcode::getInputProperties:
            return boolAnswer(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
        case EffectOpcode::getOutputProperties:
            return boolAnswer(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
        case EffectOpcode::getPlugCategory:
            return static_cast<std::uint32_t>(getPlugCategory());
        case EffectOpcode::offlineNotify:
            return boolAnswer(offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<int>(value), index != 0));
        case EffectOpcode::offlinePrepare:
            return boolAnswer(offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<int>(value)));
        case EffectOpcode::offlineRun:
            return boolAnswer(offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<int>(value)));
        case EffectOpcode::processVariableIo:
            return boolAnswer(processVariableIo(static_cast<VstVariableIo*>(ptr)));
        case EffectOpcode::setSpeakerArrangement:
            return boolAnswer(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                                    static_cast<VstSpeakerArrangement*>(ptr)));
        case EffectOpcode::setBypass:
            return boolAnswer(setBypass(value != 0));
        case EffectOpcode::getEffectName:
            return boolAnswer(getEffectName(static_cast<char*>(ptr)));
        case EffectOpcode::getVendorString:
            return boolAnswer(getVendorString(static_cast<char*>(ptr)));
        case EffectOpcode::getProductString:
            return boolAnswer(getProductString(static_cast<char*>(ptr)));
        case EffectOpcode::getVendorVersion:
            return getVendorVersion();
        case EffectOpcode::vendorSpecific:
            return vendorSpecific(index, value, ptr, opt);
        case EffectOpcode::canDo:
            return canDo(static_cast<char*>(ptr));
        case EffectOpcode::getGetTailSize:
            return getGetTailSize();
        case EffectOpcode::getParameterProperties:
            return boolAnswer(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
        case EffectOpcode::getVstVersion:
            return getVstVersion();
        case EffectOpcode::editorKeyDown:
        {
            if (editor == nullptr)
                return 0;
            EditorKeyCode keyCode = makeKeyCode(index, value, opt);
            return boolAnswer(editor->keyDownEvent(keyCode));
        }
        case EffectOpcode::editorKeyUp:
        {
            if (editor == nullptr)
                return 0;
            EditorKeyCode keyCode = makeKeyCode(index, value, opt);
            return boolAnswer(editor->keyUpEvent(keyCode));
        }
        case EffectOpcode::editorSetModeValue:
            return boolAnswer(editor != nullptr && editor->setModeValue(static_cast<int>(value)));
        case EffectOpcode::getMidiProgramName:
            return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
        case EffectOpcode::getCurrentMidiProgram:
            return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
        case EffectOpcode::getMidiProgramCategory:
            return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
        case EffectOpcode::hasMidiProgramsChanged:
            return boolAnswer(hasMidiProgramsChanged(index));
        case EffectOpcode::getMidiKeyName:
            return boolAnswer(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
        case EffectOpcode::beginSetProgram:
            return boolAnswer(beginSetProgram());
        case EffectOpcode::endSetProgram:
            return boolAnswer(endSetProgram());
        case EffectOpcode::getSpeakerArrangement:
            return boolAnswer(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                                    static_cast<VstSpeakerArrangement**>(ptr)));
        case EffectOpcode::getNextShellPlugin:
            return getNextShellPlugin(static_cast<char*>(ptr));
        case EffectOpcode::startProcess:
            return startProcess();
        case EffectOpcode::stopProcess:
            return stopProcess();
        case EffectOpcode::setTotalSampleToProcess:
            return setTotalSampleToProcess(static_cast<int>(value));
        case EffectOpcode::setPanLaw:
            return boolAnswer(setPanLaw(static_cast<int>(value), opt));
        case EffectOpcode::beginLoadBank:
            return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
        case EffectOpcode::beginLoadProgram:
            return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
        case EffectOpcode::setProcessPrecision:
            return boolAnswer(setProcessPrecision(static_cast<int>(value)));
        case EffectOpcode::getNumMidiInputChannels:
            return getNumMidiInputChannels();
        case EffectOpcode::getNumMidiOutputChannels:
            return getNumMidiOutputChannels();
        default:
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

void AudioEffectX::resume()
{
    char receiveMidi[] = "receiveVstMidiEvent";
    if ((effectRecord.flags & EffectFlag::isSynth) != 0 || canDo(receiveMidi) == 1)
        __wantEventsDeprecated(1);
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** inputs, VstSpeakerArrangement** outputs)
{
    *inputs = nullptr;
    *outputs = nullptr;
    return false;
}

int AudioEffectX::getPlugCategory()
{
    constexpr int synthCategory = 2;
    constexpr int unknownCategory = 0;
    return (effectRecord.flags & EffectFlag::isSynth) != 0 ? synthCategory : unknownCategory;
}

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** holder, int channelCount)
{
    return allocateSpeakerArrangement(holder, channelCount);
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** holder)
{
    releaseSpeakerArrangement(holder);
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* target, VstSpeakerProperties* source)
{
    return copySpeakerProperties(target, source);
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** holder, VstSpeakerArrangement* source)
{
    if (source == nullptr)
        return false;
    // Matching an arrangement to itself would release the source before copying from it;
    // the holder already holds the copy.
    if (source == *holder)
        return true;

    if (!deallocateArrangement(holder))
        return false;
    if (!allocateArrangement(holder, source->channelCount))
        return false;

    VstSpeakerArrangement* const target = *holder;
    target->layoutCode = source->layoutCode;
    for (int i = 0; i < target->channelCount; ++i)
        if (!copySpeaker(&target->speakers()[i], &source->speakers()[i]))
            return false;
    return true;
}
