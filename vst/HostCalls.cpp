// The named calls from the effect to the host. Each sends one opcode through callHost, which
// answers 0 without a host; every conversion below turns that 0 into the call's default.

#include "AudioEffectX.h"

#include "Opcodes.h"

namespace
{
std::int32_t low32(long long answer)
{
    return static_cast<std::int32_t>(answer);
}

int zeroOrOne(long long answer)
{
    return answer != 0 ? 1 : 0;
}
} // namespace

long long AudioEffect::callHost(int opcode, int index, long long value, void* ptr, float opt)
{
    if (hostCallback == nullptr)
        return 0;
    return hostCallback(&effectRecord, opcode, index, value, ptr, opt);
}

void AudioEffect::setParameterAutomated(int index, float value)
{
    setParameter(index, value);
    callHost(HostOpcode::setParameterAutomated, index, 0, nullptr, value);
}

int AudioEffect::getMasterVersion()
{
    const std::int32_t version = low32(callHost(HostOpcode::getMasterVersion));
    return version != 0 ? version : 1;
}

long long AudioEffect::getCurrentUniqueId()
{
    return callHost(HostOpcode::getCurrentUniqueId);
}

long long AudioEffect::masterIdle()
{
    return callHost(HostOpcode::masterIdle);
}

bool AudioEffect::__isInputConnectedDeprecated(int input)
{
    return low32(callHost(HostOpcode::isPinConnected, input, 0)) == 0;
}

bool AudioEffect::__isOutputConnectedDeprecated(int output)
{
    return low32(callHost(HostOpcode::isPinConnected, output, 1)) == 0;
}

bool AudioEffectX::beginEdit(int index)
{
    return callHost(HostOpcode::beginEdit, index) != 0;
}

bool AudioEffectX::endEdit(int index)
{
    return callHost(HostOpcode::endEdit, index) != 0;
}

bool AudioEffectX::ioChanged()
{
    return callHost(HostOpcode::ioChanged) != 0;
}

double AudioEffectX::updateSampleRate()
{
    const long long answer = callHost(HostOpcode::updateSampleRate);
    if (answer > 0)
        sampleRate = static_cast<float>(answer);
    return static_cast<double>(sampleRate);
}

int AudioEffectX::updateBlockSize()
{
    const std::int32_t answer = low32(callHost(HostOpcode::updateBlockSize));
    if (answer > 0)
        blockSize = answer;
    return blockSize;
}

long long AudioEffectX::getInputLatency()
{
    return callHost(HostOpcode::getInputLatency);
}

long long AudioEffectX::getOutputLatency()
{
    return callHost(HostOpcode::getOutputLatency);
}

HostTimeInfo* AudioEffectX::getTimeInfo(int filter)
{
    return reinterpret_cast<HostTimeInfo*>(callHost(HostOpcode::getTimeInfo, 0, filter));
}

long long AudioEffectX::getCurrentProcessLevel()
{
    return callHost(HostOpcode::getCurrentProcessLevel);
}

long long AudioEffectX::getAutomationState()
{
    return callHost(HostOpcode::getAutomationState);
}

bool AudioEffectX::getHostVendorString(char* text)
{
    return callHost(HostOpcode::getHostVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text)
{
    return callHost(HostOpcode::getHostProductString, 0, 0, text) != 0;
}

long long AudioEffectX::getHostVendorVersion()
{
    return callHost(HostOpcode::getHostVendorVersion);
}

long long AudioEffectX::hostVendorSpecific(int index, long long value, void* ptr, float opt)
{
    return callHost(HostOpcode::hostVendorSpecific, index, value, ptr, opt);
}

int AudioEffectX::canHostDo(char* capability)
{
    return zeroOrOne(callHost(HostOpcode::canHostDo, 0, 0, capability));
}

long long AudioEffectX::getHostLanguage()
{
    return callHost(HostOpcode::getHostLanguage);
}

long long AudioEffectX::getDirectory()
{
    return callHost(HostOpcode::getDirectory);
}

bool AudioEffectX::updateDisplay()
{
    return callHost(HostOpcode::updateDisplay) != 0;
}

bool AudioEffectX::sizeWindow(int width, int height)
{
    return callHost(HostOpcode::sizeWindow, width, height) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* selector)
{
    return selector != nullptr && callHost(HostOpcode::openFileSelector, 0, 0, selector) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* selector)
{
    return selector != nullptr && callHost(HostOpcode::closeFileSelector, 0, 0, selector) != 0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* task, VstOfflineOption option, bool readSource)
{
    return callHost(HostOpcode::offlineRead, readSource ? 1 : 0, static_cast<std::uint32_t>(option), task) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* task, VstOfflineOption option)
{
    return callHost(HostOpcode::offlineWrite, 0, static_cast<std::uint32_t>(option), task) != 0;
}

bool AudioEffectX::offlineStart(VstAudioFile* files, int numAudioFiles, int numNewAudioFiles)
{
    return callHost(HostOpcode::offlineStart, numNewAudioFiles, numAudioFiles, files) != 0;
}

int AudioEffectX::offlineGetCurrentPass()
{
    return zeroOrOne(callHost(HostOpcode::offlineGetCurrentPass));
}

int AudioEffectX::offlineGetCurrentMetaPass()
{
    return zeroOrOne(callHost(HostOpcode::offlineGetCurrentMetaPass));
}

long long AudioEffectX::__wantEventsDeprecated(int filter)
{
    return callHost(HostOpcode::wantEvents, 0, filter);
}

long long AudioEffectX::__tempoAtDeprecated(int position)
{
    return callHost(HostOpcode::tempoAt, 0, position);
}

long long AudioEffectX::__getNumAutomatableParametersDeprecated()
{
    return callHost(HostOpcode::getNumAutomatableParameters);
}

long long AudioEffectX::__getParameterQuantizationDeprecated()
{
    return callHost(HostOpcode::getParameterQuantization);
}

bool AudioEffectX::__needIdleDeprecated()
{
    return callHost(HostOpcode::needIdle) != 0;
}

// The host call takes no pin number: the argument is not sent.
long long AudioEffectX::__getPreviousPlugDeprecated(int /*input*/)
{
    return callHost(HostOpcode::getPreviousPlug);
}

long long AudioEffectX::__getNextPlugDeprecated(int /*output*/)
{
    return callHost(HostOpcode::getNextPlug);
}

long long AudioEffectX::__willProcessReplacingDeprecated()
{
    return callHost(HostOpcode::willProcessReplacing);
}

long long AudioEffectX::__setOutputSamplerateDeprecated(float outputSampleRate)
{
    return callHost(HostOpcode::setOutputSamplerate, 0, 0, nullptr, outputSampleRate);
}

long long AudioEffectX::__getInputSpeakerArrangementDeprecated()
{
    return callHost(HostOpcode::getInputSpeakerArrangement);
}

long long AudioEffectX::__getOutputSpeakerArrangementDeprecated()
{
    return callHost(HostOpcode::getOutputSpeakerArrangement);
}

long long AudioEffectX::__openWindowDeprecated(__VstWindowDeprecated* window)
{
    return callHost(HostOpcode::openWindow, 0, 0, window);
}

bool AudioEffectX::__closeWindowDeprecated(__VstWindowDeprecated* window)
{
    return callHost(HostOpcode::closeWindow, 0, 0, window) != 0;
}

bool AudioEffectX::__getChunkFileDeprecated(void* nativePath)
{
    return nativePath != nullptr && callHost(HostOpcode::getChunkFile, 0, 0, nativePath) != 0;
}
