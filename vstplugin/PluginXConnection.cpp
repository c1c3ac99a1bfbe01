#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "PluginXConnection.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

namespace
{
::Display* trappedDisplay = nullptr;
XErrorHandler previousHandler = nullptr;
int trapDepth = 0;

int dropPluginErrors (::Display* display, XErrorEvent* error)
{
    if (display == trappedDisplay || previousHandler == nullptr)
        return 0;
    return previousHandler (display, error);
}

::Display* pluginDisplay()
{
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    return windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;
}
} // namespace

void PluginXConnection::open()
{
    juce::XWindowSystem::getInstance();
}

void PluginXConnection::handleQueuedEvents()
{
    if (auto* display = pluginDisplay())
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (juce::X11Symbols::getInstance()->xConnectionNumber (display));
}

ScopedPluginXErrorTrap::ScopedPluginXErrorTrap()
{
    if (trapDepth++ > 0)
        return;

    trappedDisplay = pluginDisplay();
    if (trappedDisplay != nullptr)
        previousHandler = juce::X11Symbols::getInstance()->xSetErrorHandler (dropPluginErrors);
}

ScopedPluginXErrorTrap::~ScopedPluginXErrorTrap()
{
    if (--trapDepth > 0 || trappedDisplay == nullptr)
        return;

    auto* xlib = juce::X11Symbols::getInstance();
    {
        // Errors arrive with the server's replies, after the requests that caused them.
        const juce::XWindowSystemUtilities::ScopedXLock xLock;
        xlib->xSync (trappedDisplay, False);
    }

    // A handler that someone installed in the meantime stays.
    const auto replaced = xlib->xSetErrorHandler (previousHandler);
    if (replaced != dropPluginErrors)
        xlib->xSetErrorHandler (replaced);

    trappedDisplay = nullptr;
    previousHandler = nullptr;
}
