// The plug-in's two exported entry points. Everything else in the library stays hidden.

#include "HalvornVstEffect.h"

#include <new>

#define HALVORN_VST_EXPORT extern "C" __attribute__ ((visibility ("default")))

HALVORN_VST_EXPORT AEffect* VSTPluginMain (HostCallback callback)
{
    // A host that cannot tell its version (an answer of 0) is not a VST 2.4 host.
    if (callback == nullptr || callback (nullptr, HostOpcode::getMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;

    try
    {
        return (new HalvornVstEffect (callback))->getAeffect();
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

HALVORN_VST_EXPORT AEffect* main_macho (HostCallback callback)
{
    return VSTPluginMain (callback);
}
