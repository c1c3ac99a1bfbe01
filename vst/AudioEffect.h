#pragma once

#include "AEffect.h"
#include "EffectEditor.h"

#include <memory>

// The base of a VST 2.4 effect: owns the effect record that the host holds, routes the host's
// calls through the record's entry functions to virtual operations, and wraps the host
// callback in named calls. The virtual operations are declared in the order of their slots;
// the deprecated ones keep their places under "__...Deprecated" names.
class AudioEffect
{
public:
    AudioEffect(HostCallback callback, int programCount, int parameterCount);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // Opcodes 0 to 24; every other opcode answers 0, and so does one that reads or fills through a
    // host pointer the host left null.
    virtual long long dispatcher(int opcode, int index, long long value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setSampleRate(float newSampleRate) { sampleRate = newSampleRate; }
    virtual void setBlockSize(int newBlockSize) { blockSize = newBlockSize; }

    virtual void processReplacing(float** inputs, float** outputs, int sampleFrames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, int /*sampleFrames*/) {}

    virtual void setParameter(int /*index*/, float /*value*/) {}
    virtual float getParameter(int /*index*/) { return 0.0f; }
    // Sets the parameter locally, then tells the host so that it records the change.
    virtual void setParameterAutomated(int index, float value);

    virtual int getProgram() { return currentProgram; }
    virtual void setProgram(int program) { currentProgram = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { name[0] = '\0'; }

    virtual void getParameterLabel(int /*index*/, char* label) { label[0] = '\0'; }
    virtual void getParameterDisplay(int /*index*/, char* text) { text[0] = '\0'; }
    virtual void getParameterName(int /*index*/, char* text) { text[0] = '\0'; }

    // isPreset is true for the current program only, false for the whole bank. getChunk
    // stores the chunk's address through data and answers its size in bytes.
    virtual int getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    virtual int setChunk(void* /*data*/, int /*byteSize*/, bool /*isPreset*/) { return 0; }

    virtual void setUniqueID(int uniqueID) { setRecordField(effectRecord.uniqueID, uniqueID); }
    virtual void setNumInputs(int inputs) { setRecordField(effectRecord.numInputs, inputs); }
    virtual void setNumOutputs(int outputs) { setRecordField(effectRecord.numOutputs, outputs); }

    virtual void canProcessReplacing(bool state) { setFlag(EffectFlag::canProcessReplacing, state); }
    virtual void canDoubleReplacing(bool state) { setFlag(EffectFlag::canDoubleReplacing, state); }
    virtual void programsAreChunks(bool state) { setFlag(EffectFlag::programsAreChunks, state); }
    virtual void setInitialDelay(int delay) { setRecordField(effectRecord.initialDelay, delay); }

    virtual EffectEditor* getEditor() { return editor.get(); }
    virtual AEffect* getAeffect() { return &effectRecord; }
    virtual float getSampleRate() { return sampleRate; }
    virtual int getBlockSize() { return blockSize; }

    // The host's VST version; 1 when the host answers 0 or there is no host.
    virtual int getMasterVersion();
    virtual long long getCurrentUniqueId();
    virtual long long masterIdle();

    // Render into text, a buffer of maxLength + 1 bytes. dB2string takes a gain factor,
    // Hz2string and ms2string a number of samples at the current sample rate.
    virtual void dB2string(float gain, char* text, int maxLength);
    virtual void Hz2string(float samples, char* text, int maxLength);
    virtual void ms2string(float samples, char* text, int maxLength);
    virtual void float2string(float value, char* text, int maxLength);
    virtual void int2string(int value, char* text, int maxLength);

    virtual void __processDeprecated(float** /*inputs*/, float** /*outputs*/, int /*sampleFrames*/) {}
    virtual float __getVuDeprecated() { return 0.0f; }
    virtual void __hasVuDeprecated(bool state) { setFlag(EffectFlag::hasVuDeprecated, state); }
    virtual void __hasClipDeprecated(bool state) { setFlag(EffectFlag::hasClipDeprecated, state); }
    virtual void __canMonoDeprecated(bool state) { setFlag(EffectFlag::canMonoDeprecated, state); }
    virtual void __setRealtimeQualitiesDeprecated(int qualities)
    {
        setRecordField(effectRecord.realtimeQualities, qualities);
    }
    virtual void __setOfflineQualitiesDeprecated(int qualities)
    {
        setRecordField(effectRecord.offlineQualities, qualities);
    }
    // Both answer true when the host reports the pin connected (answer 0) or there is no host.
    virtual bool __isInputConnectedDeprecated(int input);
    virtual bool __isOutputConnectedDeprecated(int output);

    // The record's entry functions: each finds the object in the record and forwards.
    static long long dispatchEffectClass(AEffect* effect, int opcode, int index, long long value, void* ptr,
                                         float opt);
    static void __processClassDeprecated(AEffect* effect, float** inputs, float** outputs, int sampleFrames);
    static void setParameterClass(AEffect* effect, int index, float value);
    static float getParameterClass(AEffect* effect, int index);
    static void processClassReplacing(AEffect* effect, float** inputs, float** outputs, int sampleFrames);
    static void processClassDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                            int sampleFrames);

protected:
    // Sets bit when state is true, clears it otherwise; the other bits keep their values.
    void setFlag(std::int32_t bit, bool state);
    // The host reads the record on its own threads, unguarded, as the record's layout leaves it: a
    // field that keeps its value is not written again.
    static void setRecordField(std::int32_t& field, std::int32_t value);

    // Calls the host once with this effect's record. Without a host callback nothing is sent
    // and the answer is 0, which every named call turns into its default.
    long long callHost(int opcode, int index = 0, long long value = 0, void* ptr = nullptr, float opt = 0.0f);

    HostCallback hostCallback;
    std::unique_ptr<EffectEditor> editor;
    float sampleRate = 44100.0f;
    int blockSize = 1024;
    int numPrograms;
    int numParameters;
    int currentProgram = 0;
    AEffect effectRecord {};
};
