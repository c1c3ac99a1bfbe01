#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "PluginXConnection.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include <X11/Xlibint.h>

namespace
{
// Xlib asks a display's own error conversion before the process-wide handler; a False drops the error.
Bool dropError (::Display*, XErrorEvent*, xError*)
{
    return False;
}

// JUCE opens a new display each time the plug-in's runtime starts again; one already seen answers
// with our conversion.
void dropErrorsOn (::Display* display)
{
    constexpr int lastErrorCode = 255;
    if (XESetWireToError (display, lastErrorCode, dropError) == dropError)
        return;

    for (int errorCode = 0; errorCode < lastErrorCode; ++errorCode)
        XESetWireToError (display, errorCode, dropError);
}

::Display* pluginDisplay()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
}
} // namespace

void PluginXConnection::open()
{
    if (auto* display = juce::XWindowSystem::getInstance()->getDisplay())
        dropErrorsOn (display);
}

void PluginXConnection::sendRequests()
{
    if (auto* display = pluginDisplay())
        juce::X11Symbols::getInstance()->xSync (display, False);
}

void PluginXConnection::handleQueuedEvents()
{
    if (auto* display = pluginDisplay())
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (juce::X11Symbols::getInstance()->xConnectionNumber (display));
}
