#pragma once

// The plug-in's own connection to the X server, which JUCE opens for the editor's windows. It is
// served by the host thread that holds JUCE while an editor is open.
namespace PluginXConnection
{
// Opens the connection, if it is not open yet. X errors on it are dropped before they reach the
// process-wide X error handler, which belongs to the host and may end the process, while JUCE's
// windows cause errors of their own: without a window manager, for one, it asks for window-manager
// properties whose atoms do not exist. The process-wide handler is never touched, since host threads
// swap it in and out of their own accord.
void open();

// Sends what JUCE has asked of the X server and waits until the server has done it, so that a window
// shown and drawn is on the screen, whether or not the host idles the editor soon.
void sendRequests();

// Hands JUCE the events that Xlib has already read off the connection (while waiting for a reply),
// which wait in Xlib's queue without waking the event loop.
void handleQueuedEvents();
} // namespace PluginXConnection
