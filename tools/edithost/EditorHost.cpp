// A small X11 VST host that opens the plug-in's editor in a window of its own, for trying the editor
// by hand and for the real-window test. It reports on standard output what the plug-in asks of the
// host ("automate INDEX VALUE", "sizeWindow W H"). On standard input, "reopen" closes the editor and
// opens a new one in the same window ("reopened" when done); "quit", or the end of the input, reports
// the final parameter values ("value INDEX VALUE") and closes the plug-in with its editor still open.

#include "VstHost.h"
#include "EffectEditor.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>

namespace
{
std::mutex outputLock;

void report (const std::string& line)
{
    const std::lock_guard<std::mutex> lock (outputLock);
    std::cout << line << std::endl;
}

long long answerHost (std::int32_t opcode, std::int32_t index, long long value, void* ptr, float opt)
{
    switch (opcode)
    {
        case HostOpcode::getMasterVersion:
            return VstHostedEffect::hostVersion;
        case HostOpcode::setParameterAutomated:
            report ("automate " + std::to_string (index) + " " + std::to_string (opt));
            return 0;
        case HostOpcode::canHostDo:
            return ptr != nullptr && std::string (static_cast<const char*> (ptr)) == "sizeWindow" ? 1 : 0;
        case HostOpcode::sizeWindow:
            report ("sizeWindow " + std::to_string (index) + " " + std::to_string (value));
            return 1;
        default:
            return 0;
    }
}

// Like a real host, survive the protocol errors a plug-in's window may cause (on a bare X server
// without a window manager some window-manager atoms do not exist) instead of exiting.
int reportXError (Display*, XErrorEvent* event)
{
    std::cerr << "X error " << static_cast<int> (event->error_code) << " in request " << static_cast<int> (event->request_code) << "\n";
    return 0;
}

bool readCommand (std::string& command)
{
    char buffer[256];
    const auto count = read (STDIN_FILENO, buffer, sizeof (buffer));
    if (count <= 0)
        return false;
    command.assign (buffer, static_cast<size_t> (count));
    return true;
}
} // namespace

int main (int argc, char* argv[])
{
    std::string plugin = HALVORN_DEFAULT_PLUGIN;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string (argv[i]) == "--plugin")
            plugin = argv[++i];

    XInitThreads();
    XSetErrorHandler (reportXError);
    Display* display = XOpenDisplay (nullptr);
    if (display == nullptr)
    {
        std::cerr << "halvorn_editor_host: cannot open the X display\n";
        return 1;
    }

    std::string error;
    auto effect = VstHostedEffect::load (plugin, error, answerHost);
    if (effect == nullptr)
    {
        std::cerr << "halvorn_editor_host: " << error << "\n";
        XCloseDisplay (display);
        return 1;
    }

    effect->dispatch (EffectOpcode::open);
    effect->dispatch (EffectOpcode::setSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatch (EffectOpcode::suspendOrResume, 0, 1);

    EditorRect* rect = nullptr;
    if (effect->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect) == 0 || rect == nullptr)
    {
        std::cerr << "halvorn_editor_host: the plug-in has no editor\n";
        XCloseDisplay (display);
        return 1;
    }

    const auto width = static_cast<unsigned> (rect->right - rect->left);
    const auto height = static_cast<unsigned> (rect->bottom - rect->top);
    const auto screen = DefaultScreen (display);
    const Window window = XCreateSimpleWindow (display, RootWindow (display, screen), 0, 0, width, height, 0,
                                               BlackPixel (display, screen), BlackPixel (display, screen));
    XStoreName (display, window, "Halvorn editor host");
    XSelectInput (display, window, StructureNotifyMask);
    XMapWindow (display, window);
    XSync (display, False);

    effect->dispatch (EffectOpcode::editorOpenInWindow, 0, 0, reinterpret_cast<void*> (window));
    report ("ready " + std::to_string (window) + " " + std::to_string (width) + " " + std::to_string (height));

    pollfd watched[] = { { ConnectionNumber (display), POLLIN, 0 }, { STDIN_FILENO, POLLIN, 0 } };
    for (bool running = true; running;)
    {
        while (XPending (display) > 0)
        {
            XEvent event;
            XNextEvent (display, &event);
        }

        effect->dispatch (EffectOpcode::editorIdleTick);
        if (poll (watched, 2, 50) <= 0 || (watched[1].revents & (POLLIN | POLLHUP)) == 0)
            continue;

        std::string command;
        running = readCommand (command) && command.rfind ("quit", 0) != 0;
        if (running && command.rfind ("reopen", 0) == 0)
        {
            effect->dispatch (EffectOpcode::editorCloseView);
            effect->dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect);
            effect->dispatch (EffectOpcode::editorOpenInWindow, 0, 0, reinterpret_cast<void*> (window));
            report ("reopened");
        }
    }

    for (int index = 0; index < effect->record().numParameters; ++index)
        report ("value " + std::to_string (index) + " " + std::to_string (effect->getParameter (index)));

    effect.reset();
    XDestroyWindow (display, window);
    XCloseDisplay (display);
    return 0;
}
