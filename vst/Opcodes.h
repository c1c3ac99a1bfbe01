#pragma once

#include <cstdint>

// Opcodes of the host interface. Each is named after the effect operation it reaches (host to
// effect) or the effect operation that sends it (effect to host). Numbers without a name here
// have no row and are answered with 0 or never sent.

namespace EffectOpcode
{
constexpr std::int32_t open = 0;
constexpr std::int32_t close = 1;
constexpr std::int32_t setProgram = 2;
constexpr std::int32_t getProgram = 3;
constexpr std::int32_t setProgramName = 4;
constexpr std::int32_t getProgramName = 5;
constexpr std::int32_t getParameterLabel = 6;
constexpr std::int32_t getParameterDisplay = 7;
constexpr std::int32_t getParameterName = 8;
constexpr std::int32_t setSampleRate = 10;
constexpr std::int32_t setBlockSize = 11;
constexpr std::int32_t suspendOrResume = 12;
constexpr std::int32_t editorQueryBounds = 13;
constexpr std::int32_t editorOpenInWindow = 14;
constexpr std::int32_t editorCloseView = 15;
constexpr std::int32_t editorIdleTick = 19;
constexpr std::int32_t identify = 22;
constexpr std::int32_t getChunk = 23;
constexpr std::int32_t setChunk = 24;
constexpr std::int32_t processEvents = 25;
constexpr std::int32_t canParameterBeAutomated = 26;
constexpr std::int32_t string2parameter = 27;
constexpr std::int32_t getProgramNameIndexed = 29;
constexpr std::int32_t getInputProperties = 33;
constexpr std::int32_t getOutputProperties = 34;
constexpr std::int32_t getPlugCategory = 35;
constexpr std::int32_t offlineNotify = 38;
constexpr std::int32_t offlinePrepare = 39;
constexpr std::int32_t offlineRun = 40;
constexpr std::int32_t processVariableIo = 41;
constexpr std::int32_t setSpeakerArrangement = 42;
constexpr std::int32_t setBypass = 44;
constexpr std::int32_t getEffectName = 45;
constexpr std::int32_t getVendorString = 47;
constexpr std::int32_t getProductString = 48;
constexpr std::int32_t getVendorVersion = 49;
constexpr std::int32_t vendorSpecific = 50;
constexpr std::int32_t canDo = 51;
constexpr std::int32_t getGetTailSize = 52;
constexpr std::int32_t getParameterProperties = 56;
constexpr std::int32_t getVstVersion = 58;
constexpr std::int32_t editorKeyDown = 59;
constexpr std::int32_t editorKeyUp = 60;
constexpr std::int32_t editorSetModeValue = 61;
constexpr std::int32_t getMidiProgramName = 62;
constexpr std::int32_t getCurrentMidiProgram = 63;
constexpr std::int32_t getMidiProgramCategory = 64;
constexpr std::int32_t hasMidiProgramsChanged = 65;
constexpr std::int32_t getMidiKeyName = 66;
constexpr std::int32_t beginSetProgram = 67;
constexpr std::int32_t endSetProgram = 68;
constexpr std::int32_t getSpeakerArrangement = 69;
constexpr std::int32_t getNextShellPlugin = 70;
constexpr std::int32_t startProcess = 71;
constexpr std::int32_t stopProcess = 72;
constexpr std::int32_t setTotalSampleToProcess = 73;
constexpr std::int32_t setPanLaw = 74;
constexpr std::int32_t beginLoadBank = 75;
constexpr std::int32_t beginLoadProgram = 76;
constexpr std::int32_t setProcessPrecision = 77;
constexpr std::int32_t getNumMidiInputChannels = 78;
constexpr std::int32_t getNumMidiOutputChannels = 79;

// Opcodes whose operation reads or fills a text or record through the host's pointer. Without that
// pointer there is nothing to read or fill, so the dispatchers answer 0 and call nothing. The
// vendor-specific opcode is not among them: its pointer means whatever the vendor says.
constexpr bool usesHostPointer(std::int32_t opcode)
{
    switch (opcode)
    {
        case setProgramName:
        case getProgramName:
        case getParameterLabel:
        case getParameterDisplay:
        case getParameterName:
        case editorQueryBounds:
        case editorOpenInWindow:
        case getChunk:
        case setChunk:
        case processEvents:
        case string2parameter:
        case getProgramNameIndexed:
        case getInputProperties:
        case getOutputProperties:
        case offlineNotify:
        case offlinePrepare:
        case offlineRun:
        case processVariableIo:
        case setSpeakerArrangement:
        case getEffectName:
        case getVendorString:
        case getProductString:
        case canDo:
        case getParameterProperties:
        case getMidiProgramName:
        case getCurrentMidiProgram:
        case getMidiProgramCategory:
        case getMidiKeyName:
        case getSpeakerArrangement:
        case getNextShellPlugin:
        case beginLoadBank:
        case beginLoadProgram:
            return true;
        default:
            return false;
    }
}

// The two arrangement opcodes take a second host pointer in the value.
constexpr bool usesHostPointerInValue(std::int32_t opcode)
{
    return opcode == setSpeakerArrangement || opcode == getSpeakerArrangement;
}

constexpr bool lacksHostPointer(std::int32_t opcode, long long value, const void* ptr)
{
    return (usesHostPointer(opcode) && ptr == nullptr) || (usesHostPointerInValue(opcode) && value == 0);
}
} // namespace EffectOpcode

namespace HostOpcode
{
constexpr std::int32_t setParameterAutomated = 0;
constexpr std::int32_t getMasterVersion = 1;
constexpr std::int32_t getCurrentUniqueId = 2;
constexpr std::int32_t masterIdle = 3;
constexpr std::int32_t isPinConnected = 4;
constexpr std::int32_t wantEvents = 6;
constexpr std::int32_t getTimeInfo = 7;
constexpr std::int32_t tempoAt = 10;
constexpr std::int32_t getNumAutomatableParameters = 11;
constexpr std::int32_t getParameterQuantization = 12;
constexpr std::int32_t ioChanged = 13;
constexpr std::int32_t needIdle = 14;
constexpr std::int32_t sizeWindow = 15;
constexpr std::int32_t updateSampleRate = 16;
constexpr std::int32_t updateBlockSize = 17;
constexpr std::int32_t getInputLatency = 18;
constexpr std::int32_t getOutputLatency = 19;
constexpr std::int32_t getPreviousPlug = 20;
constexpr std::int32_t getNextPlug = 21;
constexpr std::int32_t willProcessReplacing = 22;
constexpr std::int32_t getCurrentProcessLevel = 23;
constexpr std::int32_t getAutomationState = 24;
constexpr std::int32_t offlineStart = 25;
constexpr std::int32_t offlineRead = 26;
constexpr std::int32_t offlineWrite = 27;
constexpr std::int32_t offlineGetCurrentPass = 28;
constexpr std::int32_t offlineGetCurrentMetaPass = 29;
constexpr std::int32_t setOutputSamplerate = 30;
constexpr std::int32_t getOutputSpeakerArrangement = 31;
constexpr std::int32_t getHostVendorString = 32;
constexpr std::int32_t getHostProductString = 33;
constexpr std::int32_t getHostVendorVersion = 34;
constexpr std::int32_t hostVendorSpecific = 35;
constexpr std::int32_t canHostDo = 37;
constexpr std::int32_t getHostLanguage = 38;
constexpr std::int32_t openWindow = 39;
constexpr std::int32_t closeWindow = 40;
constexpr std::int32_t getDirectory = 41;
constexpr std::int32_t updateDisplay = 42;
constexpr std::int32_t beginEdit = 43;
constexpr std::int32_t endEdit = 44;
constexpr std::int32_t openFileSelector = 45;
constexpr std::int32_t closeFileSelector = 46;
constexpr std::int32_t getChunkFile = 48;
constexpr std::int32_t getInputSpeakerArrangement = 49;
} // namespace HostOpcode
