#pragma once

#include "AEffect.h"
#include "Opcodes.h"

#include <functional>
#include <memory>
#include <string>

// A small VST 2.4 host: loads a plug-in library, enters it through VSTPluginMain and talks to the
// effect through its record, as a real host does. Used by the render tool and the plug-in's tests.
class VstHostedEffect
{
public:
    // The host's side of the conversation: every request the effect makes arrives here. The default
    // answers as a plain VST 2.4 host: version 2400 and 0 for everything else.
    using HostHandler = std::function<long long (std::int32_t opcode, std::int32_t index, long long value, void* ptr, float opt)>;

    static constexpr long long hostVersion = 2400;

    // Empty, with the reason in error, when the library cannot be loaded or the plug-in refuses.
    static std::unique_ptr<VstHostedEffect> load (const std::string& libraryPath, std::string& error,
                                                  HostHandler handler = {});
    ~VstHostedEffect();

    VstHostedEffect (const VstHostedEffect&) = delete;
    VstHostedEffect& operator= (const VstHostedEffect&) = delete;

    AEffect& record() noexcept { return *effect; }

    long long dispatch (std::int32_t opcode, std::int32_t index = 0, long long value = 0, void* ptr = nullptr, float opt = 0.0f);
    void processReplacing (float** inputs, float** outputs, std::int32_t sampleFrames);
    void setParameter (std::int32_t index, float value);
    float getParameter (std::int32_t index);

    // Convenience calls for the texts the effect writes into host buffers.
    std::string getText (std::int32_t opcode, std::int32_t index = 0, long long value = 0);

    // Closes the effect (opcode 1) now, which deletes it, and answers what the effect answered; the
    // library stays loaded until destruction. Dispatching opcode 1 does the same.
    long long close();

private:
    VstHostedEffect (void* library, AEffect* effect, std::unique_ptr<HostHandler> handler);
    static long long hostCallback (AEffect* effect, std::int32_t opcode, std::int32_t index, long long value, void* ptr, float opt);

    void* library;
    AEffect* effect;
    std::unique_ptr<HostHandler> handler;
};
