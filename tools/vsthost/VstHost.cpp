#include "VstHost.h"

#include <dlfcn.h>

#include <cstring>
#include <utility>
#include <vector>

namespace
{
using EntryFunction = AEffect* (*) (HostCallback);

// While an effect is being made it has no record of its own yet: its requests go to the handler
// that is loading it.
thread_local VstHostedEffect::HostHandler* loadingHandler = nullptr;

long long answerAsPlainHost (std::int32_t opcode)
{
    return opcode == HostOpcode::getMasterVersion ? VstHostedEffect::hostVersion : 0;
}
} // namespace

long long VstHostedEffect::hostCallback (AEffect* effect, std::int32_t opcode, std::int32_t index, long long value, void* ptr, float opt)
{
    auto* handler = effect != nullptr && effect->hostUserData != nullptr ? static_cast<HostHandler*> (effect->hostUserData)
                                                                         : loadingHandler;
    if (handler != nullptr && *handler)
        return (*handler) (opcode, index, value, ptr, opt);

    return answerAsPlainHost (opcode);
}

std::unique_ptr<VstHostedEffect> VstHostedEffect::load (const std::string& libraryPath, std::string& error, HostHandler handler)
{
    void* library = dlopen (libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        const char* reason = dlerror();
        error = "cannot load " + libraryPath + ": " + (reason != nullptr ? reason : "unknown error");
        return nullptr;
    }

    auto entry = reinterpret_cast<EntryFunction> (dlsym (library, "VSTPluginMain"));
    if (entry == nullptr)
    {
        error = libraryPath + " is not a VST 2.4 plug-in: it has no VSTPluginMain";
        dlclose (library);
        return nullptr;
    }

    auto ownedHandler = std::make_unique<HostHandler> (std::move (handler));
    loadingHandler = ownedHandler.get();
    AEffect* effect = entry (&VstHostedEffect::hostCallback);
    loadingHandler = nullptr;

    if (effect == nullptr || effect->magic != effectMagic)
    {
        error = libraryPath + ": the plug-in refused to load";
        dlclose (library);
        return nullptr;
    }

    effect->hostUserData = ownedHandler.get();
    return std::unique_ptr<VstHostedEffect> (new VstHostedEffect (library, effect, std::move (ownedHandler)));
}

VstHostedEffect::VstHostedEffect (void* libraryToKeep, AEffect* effectToTalkTo, std::unique_ptr<HostHandler> hostHandler)
    : library (libraryToKeep), effect (effectToTalkTo), handler (std::move (hostHandler))
{
}

VstHostedEffect::~VstHostedEffect()
{
    close();
    dlclose (library);
}

long long VstHostedEffect::close()
{
    if (effect == nullptr)
        return 0;

    auto* closing = std::exchange (effect, nullptr);
    return closing->dispatcher (closing, EffectOpcode::close, 0, 0, nullptr, 0.0f);
}

long long VstHostedEffect::dispatch (std::int32_t opcode, std::int32_t index, long long value, void* ptr, float opt)
{
    if (opcode == EffectOpcode::close)
        return close();

    return effect->dispatcher (effect, opcode, index, value, ptr, opt);
}

void VstHostedEffect::processReplacing (float** inputs, float** outputs, std::int32_t sampleFrames)
{
    effect->processReplacing (effect, inputs, outputs, sampleFrames);
}

void VstHostedEffect::setParameter (std::int32_t index, float value) { effect->setParameter (effect, index, value); }
float VstHostedEffect::getParameter (std::int32_t index) { return effect->getParameter (effect, index); }

std::string VstHostedEffect::getText (std::int32_t opcode, std::int32_t index, long long value)
{
    // Larger than any text field of the interface, so a plug-in that overruns is caught by the tests.
    std::vector<char> text (256, '\0');
    dispatch (opcode, index, value, text.data());
    return std::string (text.data(), strnlen (text.data(), text.size()));
}
