#pragma once

#include "AudioEffect.h"
#include "SpeakerArrangement.h"
#include "VstRecords.h"

// The extended effect base: opcodes 25 to 79, the extended host calls and the speaker
// arrangement helpers. Adds no state to AudioEffect. The virtual operations are declared in
// the order of their slots.
class AudioEffectX : public AudioEffect
{
public:
    AudioEffectX(HostCallback callback, int programCount, int parameterCount);
    ~AudioEffectX() override = default;

    // Opcodes 25 to 79; every other opcode goes to AudioEffect::dispatcher. One that reads or fills
    // through a host pointer the host left null answers 0.
    long long dispatcher(int opcode, int index, long long value, void* ptr, float opt) override;
    // Asks the host for events when the effect is a synth or can receive MIDI events.
    void resume() override;

    virtual bool canParameterBeAutomated(int /*index*/) { return true; }
    virtual bool string2parameter(int /*index*/, char* /*text*/) { return false; }
    virtual bool getParameterProperties(int /*index*/, VstParameterProperties* /*properties*/) { return false; }
    virtual bool beginEdit(int index);
    virtual bool endEdit(int index);
    virtual bool getProgramNameIndexed(int /*category*/, int /*index*/, char* /*text*/) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }
    virtual int beginLoadBank(VstPatchChunkInfo* /*info*/) { return 0; }
    virtual int beginLoadProgram(VstPatchChunkInfo* /*info*/) { return 0; }

    virtual bool ioChanged();
    // Ask the host and store a positive answer; the result is the value held afterwards.
    virtual double updateSampleRate();
    virtual int updateBlockSize();
    virtual long long getInputLatency();
    virtual long long getOutputLatency();
    virtual bool getInputProperties(int /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool getOutputProperties(int /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* /*inputs*/, VstSpeakerArrangement* /*outputs*/)
    {
        return false;
    }
    // Stores, through the two places, the addresses of the effect's own arrangements.
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** inputs, VstSpeakerArrangement** outputs);
    virtual bool setBypass(bool /*onOff*/) { return false; }
    virtual bool setPanLaw(int /*type*/, float /*value*/) { return false; }
    virtual bool setProcessPrecision(int /*precision*/) { return false; }
    virtual int getNumMidiInputChannels() { return 0; }
    virtual int getNumMidiOutputChannels() { return 0; }
    // The host's time record, owned by the host; null when it has none.
    virtual HostTimeInfo* getTimeInfo(int filter);
    virtual long long getCurrentProcessLevel();
    virtual long long getAutomationState();
    virtual int processEvents(VstEvents* /*events*/) { return 0; }
    virtual int startProcess() { return 0; }
    virtual int stopProcess() { return 0; }
    virtual bool processVariableIo(VstVariableIo* /*io*/) { return false; }
    virtual int setTotalSampleToProcess(int value) { return value; }

    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual long long getHostVendorVersion();
    virtual long long hostVendorSpecific(int index, long long value, void* ptr, float opt);
    // 1 for any non-zero host answer, 0 otherwise.
    virtual int canHostDo(char* capability);
    virtual long long getHostLanguage();

    virtual void isSynth(bool state) { setFlag(EffectFlag::isSynth, state); }
    virtual void noTail(bool state) { setFlag(EffectFlag::noTail, state); }
    virtual int getGetTailSize() { return 0; }
    virtual long long getDirectory();
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual int getVendorVersion() { return 0; }
    virtual long long vendorSpecific(int /*index*/, long long /*value*/, void* /*ptr*/, float /*opt*/) { return 0; }
    virtual int canDo(char* /*capability*/) { return 0; }
    virtual int getVstVersion() { return 2400; }
    virtual int getPlugCategory();

    virtual int getMidiProgramName(int /*channel*/, MidiProgramName* /*name*/) { return 0; }
    virtual int getCurrentMidiProgram(int /*channel*/, MidiProgramName* /*name*/) { return -1; }
    virtual int getMidiProgramCategory(int /*channel*/, MidiProgramCategory* /*category*/) { return 0; }
    virtual bool hasMidiProgramsChanged(int /*channel*/) { return false; }
    virtual bool getMidiKeyName(int /*channel*/, MidiKeyName* /*keyName*/) { return false; }

    virtual bool updateDisplay();
    virtual bool sizeWindow(int width, int height);
    // Both send nothing and answer false for a null selector.
    virtual bool openFileSelector(VstFileSelect* selector);
    virtual bool closeFileSelector(VstFileSelect* selector);
    virtual int getNextShellPlugin(char* /*name*/) { return 0; }

    // Replace the arrangement that the holder holds (if any) with a zero-filled one of
    // channelCount speakers; false, with the holder null, when no such record can be made.
    virtual bool allocateArrangement(VstSpeakerArrangement** holder, int channelCount);
    virtual bool deallocateArrangement(VstSpeakerArrangement** holder);
    virtual bool copySpeaker(VstSpeakerProperties* target, VstSpeakerProperties* source);
    // Makes the holder's arrangement a copy of source.
    virtual bool matchArrangement(VstSpeakerArrangement** holder, VstSpeakerArrangement* source);

    virtual bool offlineRead(VstOfflineTask* task, VstOfflineOption option, bool readSource);
    virtual bool offlineWrite(VstOfflineTask* task, VstOfflineOption option);
    virtual bool offlineStart(VstAudioFile* files, int numAudioFiles, int numNewAudioFiles);
    virtual int offlineGetCurrentPass();
    virtual int offlineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile* /*files*/, int /*numAudioFiles*/, bool /*start*/) { return false; }
    virtual bool offlinePrepare(VstOfflineTask* /*tasks*/, int /*count*/) { return false; }
    virtual bool offlineRun(VstOfflineTask* /*tasks*/, int /*count*/) { return false; }
    virtual int offlineGetNumPasses() { return 0; }
    virtual int offlineGetNumMetaPasses() { return 0; }

    virtual long long __wantEventsDeprecated(int filter);
    virtual long long __tempoAtDeprecated(int position);
    virtual long long __getNumAutomatableParametersDeprecated();
    virtual long long __getParameterQuantizationDeprecated();
    virtual int __getNumCategoriesDeprecated() { return 1; }
    virtual bool __copyProgramDeprecated(int /*destination*/) { return false; }
    virtual bool __needIdleDeprecated();
    virtual long long __getPreviousPlugDeprecated(int input);
    virtual long long __getNextPlugDeprecated(int output);
    virtual void __inputConnectedDeprecated(int /*index*/, bool /*state*/) {}
    virtual void __outputConnectedDeprecated(int /*index*/, bool /*state*/) {}
    virtual long long __willProcessReplacingDeprecated();
    virtual void __wantAsyncOperationDeprecated(bool state)
    {
        setFlag(EffectFlag::wantAsyncOperationDeprecated, state);
    }
    virtual void __hasExternalBufferDeprecated(bool state)
    {
        setFlag(EffectFlag::hasExternalBufferDeprecated, state);
    }
    virtual int __reportCurrentPositionDeprecated() { return 0; }
    virtual float* __reportDestinationBufferDeprecated() { return nullptr; }
    virtual long long __setOutputSamplerateDeprecated(float outputSampleRate);
    virtual long long __getInputSpeakerArrangementDeprecated();
    virtual long long __getOutputSpeakerArrangementDeprecated();
    virtual long long __openWindowDeprecated(__VstWindowDeprecated* window);
    virtual bool __closeWindowDeprecated(__VstWindowDeprecated* window);
    virtual void __setBlockSizeAndSampleRateDeprecated(int newBlockSize, float newSampleRate)
    {
        blockSize = newBlockSize;
        sampleRate = newSampleRate;
    }
    virtual bool __getErrorTextDeprecated(char* /*text*/) { return false; }
    virtual void* __getIconDeprecated() { return nullptr; }
    virtual bool __setViewPositionDeprecated(int /*x*/, int /*y*/) { return false; }
    virtual int __fxIdleDeprecated() { return 0; }
    virtual bool __keysRequiredDeprecated() { return false; }
    virtual bool __getChunkFileDeprecated(void* nativePath);
};
