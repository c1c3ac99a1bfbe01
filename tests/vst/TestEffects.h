#pragma once

#include "AudioEffectX.h"

// The smallest concrete effect: every operation keeps the base's default.
class MinimalEffect : public AudioEffectX
{
public:
    explicit MinimalEffect(HostCallback callback = nullptr, int programCount = 24, int parameterCount = 5)
        : AudioEffectX(callback, programCount, parameterCount)
    {
    }

    void processReplacing(float** /*inputs*/, float** /*outputs*/, int /*sampleFrames*/) override {}

    AEffect& record() { return effectRecord; }
    void attachEditor(EffectEditor* newEditor) { editor.reset(newEditor); }
};
