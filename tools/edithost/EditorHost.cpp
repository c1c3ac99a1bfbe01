// A small X11 VST host that opens the plug-in's editor in a window of its own, for trying the editor
// by hand and for the real-window test. Like Linux hosts, it drives the editor from its one GUI thread
// and calls the editor's idle opcode regularly. It reports on standard output what the plug-in asks of
// the host ("automate INDEX VALUE", "sizeWindow W H"), and any editor request that reaches it on
// another thread than its GUI thread ("off the GUI thread OPCODE"). On standard input:
//   reopen               closes the editor and opens a new one in the same window ("reopened" when
//                        done)
//   close-in-automation  the next automation request closes the editor from inside its callback
//                        ("closed inside automation") and stays there a moment longer; the GUI thread
//                        then opens a new one
//   close-under-lock     a worker takes a lock that the GUI thread's automation callback then waits
//                        for and, once it does (or after 5 s), asks for the editor's bounds ("editor
//                        request under lock answered N") and closes the second instance and the
//                        editor under it ("closed under lock", with "while the GUI thread waited"
//                        when it did); the GUI thread then opens a new editor
//   reopen-in-automation  the next automation request has a worker close the editor while the GUI
//                        thread waits inside the callback, so the plug-in hands the close over; still
//                        inside that callback, the GUI thread asks for the editor's bounds and opens
//                        it in the same window again ("opened again inside automation, answered N"
//                        with what opening answered)
//   reopen-on-worker     stops idling; a worker thread closes the editor, opens a new one in the same
//                        window and ends ("reopened on a worker, answered N" with what opening
//                        answered)
//   resume-idle          idles again ("idling again" after the first idle call)
//   reopen-after-quiet   closes the editor, idles on without one for a while, long enough for the
//                        plug-in's JUCE to start afresh, and opens a new one in the same window
//                        ("reopened after quiet, answered N" with what opening answered)
//   program N            selects program N ("program N selected")
//   values               reports the parameter values ("value INDEX VALUE")
//   raise-x-errors       makes two requests that fail on the host's own connection and reports how
//                        many errors reached the host's handlers ("host X errors raised 2 received N")
//   quit                 (or the end of the input) reports the final parameter values ("value INDEX
//                        VALUE") and closes the plug-in with its editor still open
//
// Options, for behaving like the stricter hosts:
//   --serialise-calls   hold one lock around every call into the plug-in and take it in the host
//                       callback too, as hosts that guard each plug-in with a lock of their own do
//   --default-x-errors  keep Xlib's default X error handler, which ends the process at any X error
//   --play              process audio on a thread of its own in real time, and select the next
//                       program from there once a second, as a host playing program changes does
//   --second-instance   load a second instance of the plug-in, without an editor, for
//                       close-under-lock to close
//   --x-error-traps     trap X errors on a host thread of its own, over and over, as GTK and many
//                       hosts do: put a handler of its own in, sync its connection and put back the
//                       handler it found ("a host X error trap was replaced" when that was not its
//                       own any more); once the plug-in is unloaded and the traps have stopped, raise
//                       X errors as raise-x-errors does, under the host's reporting handler

#include "VstHost.h"
#include "EffectEditor.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace
{
// Hosts idle their editors 30 to 60 times a second.
constexpr auto idleInterval = std::chrono::milliseconds (20);
// Longer than the plug-in leaves JUCE as its last editor left it.
constexpr auto quietWithoutEditor = std::chrono::milliseconds (1500);

std::mutex outputLock;

void report (const std::string& line)
{
    const std::lock_guard<std::mutex> lock (outputLock);
    std::cout << line << std::endl;
}

// Every call into the plug-in goes through here, and so does every request it makes of the host.
class PluginCalls
{
public:
    std::unique_lock<std::recursive_mutex> hold()
    {
        // Recursive: the plug-in calls back from inside the host's own calls.
        return serialise ? std::unique_lock<std::recursive_mutex> (lock) : std::unique_lock<std::recursive_mutex>();
    }

    long long dispatch (std::int32_t opcode, std::int32_t index = 0, long long value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        const auto held = hold();
        return effect != nullptr ? effect->dispatch (opcode, index, value, ptr, opt) : 0;
    }

    float getParameter (std::int32_t index)
    {
        const auto held = hold();
        return effect->getParameter (index);
    }

    void processReplacing (float** inputs, float** outputs, std::int32_t sampleFrames)
    {
        const auto held = hold();
        effect->processReplacing (inputs, outputs, sampleFrames);
    }

    void close()
    {
        const auto held = hold();
        effect.reset();
    }

    bool serialise = false;
    std::unique_ptr<VstHostedEffect> effect;
    const std::thread::id guiThread = std::this_thread::get_id();

private:
    std::recursive_mutex lock;
};

PluginCalls plugin;
std::unique_ptr<VstHostedEffect> secondInstance;
Window editorParent = 0;

// A host that handles its own GUI events inside its callbacks may close the editor from there.
std::atomic<bool> closeInNextAutomation { false };
std::atomic<bool> closedInAutomation { false };
std::atomic<bool> reopenInNextAutomation { false };

// Another thread of the host's closes the editor while the GUI thread is inside one of the editor's
// callbacks; the GUI thread then opens a new editor before returning to the plug-in.
void reopenWhileTheCloseIsHandedOver()
{
    auto closing = std::async (std::launch::async, [] { plugin.dispatch (EffectOpcode::editorCloseView); });
    if (closing.wait_for (std::chrono::seconds (5)) != std::future_status::ready)
        report ("the worker's close waited for the GUI thread");
    closing.wait();

    EditorRect* bounds = nullptr;
    plugin.dispatch (EffectOpcode::editorQueryBounds, 0, 0, &bounds);
    const auto opened = plugin.dispatch (EffectOpcode::editorOpenInWindow, 0, 0, reinterpret_cast<void*> (editorParent));
    report ("opened again inside automation, answered " + std::to_string (opened));
}

// A worker of the host's that closes things while holding a lock of the host's, which the GUI thread's
// automation callback takes too.
class LockHoldingWorker
{
public:
    void start()
    {
        if (thread.joinable())
            return;
        finished = false;
        thread = std::thread ([this] { run(); });
    }

    // Answered on the GUI thread, inside the plug-in's automation request.
    void waitIfHeld()
    {
        if (! holding)
            return;
        callbackWaiting = true;
        const std::lock_guard<std::mutex> wait (lock);
    }

    ~LockHoldingWorker()
    {
        if (thread.joinable())
            thread.join();
    }

    bool joinIfFinished()
    {
        if (! thread.joinable() || ! finished)
            return false;
        thread.join();
        return true;
    }

private:
    static constexpr auto callbackWaitLimit = std::chrono::seconds (5);

    void run()
    {
        {
            const std::lock_guard<std::mutex> held (lock);
            holding = true;
            const auto giveUp = std::chrono::steady_clock::now() + callbackWaitLimit;
            while (! callbackWaiting && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for (std::chrono::milliseconds (5));

            // The GUI thread holds JUCE inside a call to the host that waits for this lock, so an editor
            // request from here must answer at once instead of waiting for it.
            EditorRect* rect = nullptr;
            report ("editor request under lock answered " + std::to_string (plugin.dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect)));
            secondInstance.reset();
            plugin.dispatch (EffectOpcode::editorCloseView);
            report (callbackWaiting ? "closed under lock while the GUI thread waited" : "closed under lock");
            holding = false;
        }
        finished = true;
    }

    std::mutex lock;
    std::atomic<bool> holding { false };
    std::atomic<bool> callbackWaiting { false };
    std::atomic<bool> finished { false };
    std::thread thread;
};

LockHoldingWorker worker;

bool isEditorRequest (std::int32_t opcode)
{
    return opcode == HostOpcode::setParameterAutomated || opcode == HostOpcode::masterIdle
        || opcode == HostOpcode::canHostDo || opcode == HostOpcode::sizeWindow;
}

// A thread of the host's that works until its owner goes, which tells it to stop and waits for it.
class HostThread
{
public:
    explicit HostThread (std::function<void (const std::atomic<bool>& running)> work)
        : thread ([this, work = std::move (work)] { work (running); })
    {
    }

    ~HostThread()
    {
        running = false;
        thread.join();
    }

    HostThread (const HostThread&) = delete;
    HostThread& operator= (const HostThread&) = delete;

private:
    std::atomic<bool> running { true };
    std::thread thread;
};

// What the host's audio thread does: it plays in real time, and selects the next program once a second.
void playAudio (const std::atomic<bool>& running)
{
    constexpr int blockSize = 512;
    constexpr double sampleRate = 44100.0;
    constexpr int blocksPerProgram = static_cast<int> (sampleRate / blockSize);

    const auto blockDuration = std::chrono::microseconds (static_cast<long long> (1.0e6 * blockSize / sampleRate));
    std::vector<float> left (blockSize), right (blockSize);
    float* channels[] = { left.data(), right.data() };

    auto nextBlock = std::chrono::steady_clock::now();
    for (int block = 0; running; ++block)
    {
        std::fill (left.begin(), left.end(), 0.0f);
        std::fill (right.begin(), right.end(), 0.0f);
        plugin.processReplacing (channels, channels, blockSize);

        if (block % blocksPerProgram == 0)
        {
            const auto program = (block / blocksPerProgram) % plugin.effect->record().numPrograms;
            plugin.dispatch (EffectOpcode::setProgram, 0, program);
        }

        nextBlock += blockDuration;
        std::this_thread::sleep_until (nextBlock);
    }
}

long long answerHost (std::int32_t opcode, std::int32_t index, long long value, void* ptr, float opt)
{
    const auto held = plugin.hold();
    if (isEditorRequest (opcode) && std::this_thread::get_id() != plugin.guiThread)
        report ("off the GUI thread " + std::to_string (opcode));

    switch (opcode)
    {
        case HostOpcode::getMasterVersion:
            return VstHostedEffect::hostVersion;
        case HostOpcode::masterIdle:
            // What a host does when asked for idle time: it idles its plug-ins, this one included.
            plugin.dispatch (EffectOpcode::editorIdleTick);
            return 0;
        case HostOpcode::setParameterAutomated:
            report ("automate " + std::to_string (index) + " " + std::to_string (opt));
            worker.waitIfHeld();
            if (closeInNextAutomation.exchange (false))
            {
                plugin.dispatch (EffectOpcode::editorCloseView);
                report ("closed inside automation");
                closedInAutomation = true;
                // Handling its own GUI events here takes the host a moment, while the user's drag goes on.
                std::this_thread::sleep_for (std::chrono::milliseconds (100));
            }
            if (reopenInNextAutomation.exchange (false))
                reopenWhileTheCloseIsHandedOver();
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

// The X errors that reach the host's own handlers. The host survives them and reports those it did
// not raise itself; the test expects none.
std::atomic<int> xErrorsReceived { 0 };
std::atomic<bool> raisingXErrors { false };

int reportXError (Display*, XErrorEvent* event)
{
    ++xErrorsReceived;
    if (! raisingXErrors)
        std::cerr << "X error " << static_cast<int> (event->error_code) << " in request " << static_cast<int> (event->request_code) << "\n";
    return 0;
}

// The traps' own handler: the same reporting, at an address of its own, so that a trap can tell
// whether it is still the handler in place when it puts the saved one back.
int trapXError (Display* display, XErrorEvent* event)
{
    return reportXError (display, event);
}

// Two requests on a window that is gone: one fails in its reply, the other among the events.
void raiseXErrors (Display* display)
{
    const auto screen = DefaultScreen (display);
    const Window gone = XCreateSimpleWindow (display, RootWindow (display, screen), 0, 0, 1, 1, 0, 0, 0);
    XDestroyWindow (display, gone);
    XSync (display, False);

    const auto before = xErrorsReceived.load();
    raisingXErrors = true;
    XWindowAttributes attributes;
    XGetWindowAttributes (display, gone, &attributes);
    XMapWindow (display, gone);
    XSync (display, False);
    raisingXErrors = false;
    report ("host X errors raised 2 received " + std::to_string (xErrorsReceived - before));
}

// Traps the X errors of requests on a connection of its own, as GTK does: saves the process-wide
// handler, sets its own, syncs the connection and sets back the one it saved.
void trapXErrorsRepeatedly (const std::atomic<bool>& running)
{
    Display* const display = XOpenDisplay (nullptr);
    if (display == nullptr)
        return;

    while (running)
    {
        const auto saved = XSetErrorHandler (trapXError);
        XSync (display, False);
        if (XSetErrorHandler (saved) != trapXError)
            report ("a host X error trap was replaced");
    }
    XCloseDisplay (display);
}

void reportValues()
{
    for (int index = 0; index < plugin.effect->record().numParameters; ++index)
        report ("value " + std::to_string (index) + " " + std::to_string (plugin.getParameter (index)));
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

int failWith (const std::string& message, Display* display)
{
    std::cerr << "halvorn_editor_host: " << message << "\n";
    plugin.close();
    XCloseDisplay (display);
    return 1;
}
} // namespace

int main (int argc, char* argv[])
{
    std::string pluginPath = HALVORN_DEFAULT_PLUGIN;
    bool keepDefaultXErrorHandler = false;
    bool play = false;
    bool loadSecondInstance = false;
    bool trapXErrors = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string option = argv[i];
        if (option == "--plugin" && i + 1 < argc)
            pluginPath = argv[++i];
        else if (option == "--serialise-calls")
            plugin.serialise = true;
        else if (option == "--default-x-errors")
            keepDefaultXErrorHandler = true;
        else if (option == "--play")
            play = true;
        else if (option == "--second-instance")
            loadSecondInstance = true;
        else if (option == "--x-error-traps")
            trapXErrors = true;
    }

    XInitThreads();
    // Whichever handler the host keeps, the plug-in must leave it in place.
    XErrorHandler hostErrorHandler = reportXError;
    if (keepDefaultXErrorHandler)
        hostErrorHandler = XSetErrorHandler (nullptr);
    else
        XSetErrorHandler (reportXError);
    Display* display = XOpenDisplay (nullptr);
    if (display == nullptr)
    {
        std::cerr << "halvorn_editor_host: cannot open the X display\n";
        return 1;
    }
    std::optional<HostThread> xErrorTraps;
    if (trapXErrors)
        xErrorTraps.emplace (trapXErrorsRepeatedly);

    std::string error;
    {
        const auto held = plugin.hold();
        plugin.effect = VstHostedEffect::load (pluginPath, error, answerHost);
        if (plugin.effect != nullptr && loadSecondInstance)
            secondInstance = VstHostedEffect::load (pluginPath, error, answerHost);
    }
    if (plugin.effect == nullptr || (loadSecondInstance && secondInstance == nullptr))
        return failWith (error, display);

    plugin.dispatch (EffectOpcode::open);
    plugin.dispatch (EffectOpcode::setSampleRate, 0, 0, nullptr, 44100.0f);
    plugin.dispatch (EffectOpcode::suspendOrResume, 0, 1);
    std::optional<HostThread> audioThread;
    if (play)
        audioThread.emplace (playAudio);

    EditorRect* rect = nullptr;
    if (plugin.dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect) == 0 || rect == nullptr)
        return failWith ("the plug-in has no editor", display);

    const auto width = static_cast<unsigned> (rect->right - rect->left);
    const auto height = static_cast<unsigned> (rect->bottom - rect->top);
    const auto screen = DefaultScreen (display);
    const Window window = XCreateSimpleWindow (display, RootWindow (display, screen), 0, 0, width, height, 0,
                                               BlackPixel (display, screen), BlackPixel (display, screen));
    XStoreName (display, window, "Halvorn editor host");
    XSelectInput (display, window, StructureNotifyMask);
    XMapWindow (display, window);
    XSync (display, False);

    editorParent = window;
    plugin.dispatch (EffectOpcode::editorOpenInWindow, 0, 0, reinterpret_cast<void*> (window));
    report ("ready " + std::to_string (window) + " " + std::to_string (width) + " " + std::to_string (height));

    const auto openEditor = [&] {
        plugin.dispatch (EffectOpcode::editorQueryBounds, 0, 0, &rect);
        return plugin.dispatch (EffectOpcode::editorOpenInWindow, 0, 0, reinterpret_cast<void*> (window));
    };
    const auto reopenEditor = [&] {
        const auto held = plugin.hold();
        plugin.dispatch (EffectOpcode::editorCloseView);
        const auto opened = openEditor();
        report ("reopened");
        return opened;
    };

    // A host's GUI thread that is busy elsewhere while another thread opens the editor: nothing idles
    // the editor until told to.
    bool idling = true;
    const auto reopenEditorOnWorker = [&] {
        idling = false;
        long long opened = 0;
        std::thread ([&] { opened = reopenEditor(); }).join();
        report ("reopened on a worker, answered " + std::to_string (opened));
    };

    using Clock = std::chrono::steady_clock;
    auto nextIdle = Clock::now();
    auto reopenAfterQuiet = Clock::time_point::max();
    pollfd watched[] = { { ConnectionNumber (display), POLLIN, 0 }, { STDIN_FILENO, POLLIN, 0 } };
    for (bool running = true; running;)
    {
        while (XPending (display) > 0)
        {
            XEvent event;
            XNextEvent (display, &event);
        }

        if (idling && Clock::now() >= nextIdle)
        {
            plugin.dispatch (EffectOpcode::editorIdleTick);
            nextIdle = Clock::now() + idleInterval;
        }

        // An editor closed from inside a callback or by the worker is gone once the idle call returns.
        if (closedInAutomation.exchange (false) || worker.joinIfFinished())
            reopenEditor();

        if (Clock::now() >= reopenAfterQuiet)
        {
            reopenAfterQuiet = Clock::time_point::max();
            const auto held = plugin.hold();
            report ("reopened after quiet, answered " + std::to_string (openEditor()));
        }

        const auto untilIdle = idling ? std::chrono::duration_cast<std::chrono::milliseconds> (nextIdle - Clock::now()).count()
                                      : idleInterval.count();
        if (poll (watched, 2, static_cast<int> (std::max<long long> (0, untilIdle))) <= 0
            || (watched[1].revents & (POLLIN | POLLHUP)) == 0)
            continue;

        std::string command;
        running = readCommand (command) && command.rfind ("quit", 0) != 0;
        if (running && command.rfind ("reopen-in-automation", 0) == 0)
            reopenInNextAutomation = true;
        else if (running && command.rfind ("reopen-on-worker", 0) == 0)
            reopenEditorOnWorker();
        else if (running && command.rfind ("resume-idle", 0) == 0)
        {
            idling = true;
            plugin.dispatch (EffectOpcode::editorIdleTick);
            report ("idling again");
        }
        else if (running && command.rfind ("reopen-after-quiet", 0) == 0)
        {
            const auto held = plugin.hold();
            plugin.dispatch (EffectOpcode::editorCloseView);
            reopenAfterQuiet = Clock::now() + quietWithoutEditor;
        }
        else if (running && command.rfind ("reopen", 0) == 0)
            reopenEditor();
        else if (running && command.rfind ("close-in-automation", 0) == 0)
            closeInNextAutomation = true;
        else if (running && command.rfind ("close-under-lock", 0) == 0)
            worker.start();
        else if (running && command.rfind ("program ", 0) == 0)
        {
            const auto program = std::stoll (command.substr (8));
            plugin.dispatch (EffectOpcode::setProgram, 0, program);
            report ("program " + std::to_string (program) + " selected");
        }
        else if (running && command.rfind ("values", 0) == 0)
            reportValues();
        else if (running && command.rfind ("raise-x-errors", 0) == 0)
            raiseXErrors (display);
    }

    audioThread.reset();
    {
        const auto held = plugin.hold();
        secondInstance.reset();
        reportValues();
        plugin.close();
    }
    xErrorTraps.reset();
    XDestroyWindow (display, window);

    if (XSetErrorHandler (hostErrorHandler) != hostErrorHandler)
    {
        std::cerr << "halvorn_editor_host: the plug-in left another X error handler in place\n";
        XCloseDisplay (display);
        return 1;
    }

    // The plug-in is unloaded now: what it left behind in Xlib would show here.
    if (trapXErrors)
    {
        XSetErrorHandler (reportXError);
        raiseXErrors (display);
        XSetErrorHandler (hostErrorHandler);
    }
    XCloseDisplay (display);
    return 0;
}
