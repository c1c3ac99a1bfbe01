#include "VstHost.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace
{
using EntryFunction = AEffect* (*) (HostCallback);

// While an effect is being made it has no record of its own yet: its requests go to the handler
// that is loading it.
thread_local VstHostedEffect::HostHandler* loadingHandler = nullptr;

// The dynamic loader orders loads and unloads with a lock of its own, which ThreadSanitizer cannot
// see: a library's static initialisation on one loading thread would look unordered with its use on
// another. Taking a lock of ours around the loader makes that order visible.
std::mutex loaderLock;

void* openLibrary (const std::string& path)
{
    const std::lock_guard<std::mutex> lock (loaderLock);
    return dlopen (path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void closeLibrary (void* library)
{
    const std::lock_guard<std::mutex> lock (loaderLock);
    dlclose (library);
}

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
    void* library = openLibrary (libraryPath);
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
        closeLibrary (library);
        return nullptr;
    }

    auto ownedHandler = std::make_unique<HostHandler> (std::move (handler));
    loadingHandler = ownedHandler.get();
    AEffect* effect = entry (&VstHostedEffect::hostCallback);
    loadingHandler = nullptr;

    if (effect == nullptr || effect->magic != effectMagic)
    {
        error = libraryPath + ": the plug-in refused to load";
        closeLibrary (library);
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
    closeLibrary (library);
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
