#pragma once

// The plug-in's own connection to the X server, which JUCE opens for the editor's windows. It is
// served by the host thread that holds JUCE while an editor is open.
namespace PluginXConnection
{
// Opens the connection, if it is not open yet, so that the first requests on it can be trapped.
void open();

// Hands JUCE the events that Xlib has already read off the connection (while waiting for a reply),
// which wait in Xlib's queue without waking the event loop.
void handleQueuedEvents();
} // namespace PluginXConnection

// While one lives, X errors on the plug-in's own connection are dropped and errors on any other
// connection go to the handler that was in place before. X error handlers are process-wide and the
// host's may end the process, while JUCE's windows cause errors of their own: without a window
// manager, for one, it asks for window-manager properties whose atoms do not exist. Traps nest; the
// outermost collects the errors for every request sent so far and puts the previous handler back.
// Only the thread that holds JUCE makes them. A trap made before the connection is open traps
// nothing.
class ScopedPluginXErrorTrap
{
public:
    ScopedPluginXErrorTrap();
    ~ScopedPluginXErrorTrap();

    ScopedPluginXErrorTrap (const ScopedPluginXErrorTrap&) = delete;
    ScopedPluginXErrorTrap& operator= (const ScopedPluginXErrorTrap&) = delete;
};
