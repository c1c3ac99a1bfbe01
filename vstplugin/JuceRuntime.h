#pragma once

#include <functional>
#include <memory>

// Keeps JUCE's GUI and message support alive while any plug-in instance exists. A Linux host does not
// run JUCE's message loop, so while no editor is open the plug-in runs a message thread of its own: the
// first instance starts it, the last one stops it. Instances may come and go on any threads.
class ScopedJuceRuntime
{
public:
    ScopedJuceRuntime();
    ~ScopedJuceRuntime();

    ScopedJuceRuntime (const ScopedJuceRuntime&) = delete;
    ScopedJuceRuntime& operator= (const ScopedJuceRuntime&) = delete;
};

// JUCE in the hands of the host's threads. While any editor is open, the plug-in's own message thread
// is paused, since Linux hosts expect their editors' requests on the thread that calls them, and JUCE
// belongs to whichever host thread is inside an editor call: from the moment it takes JUCE until its
// outermost call into the plug-in returns, with the calls that the host makes back into the plug-in
// from inside it. Every instance shares the one message thread, so no two host threads hold JUCE at
// once.
//
// No host call ever waits for another host thread, which may be waiting for it:
// - an editor call that finds JUCE held by another host thread does without it: an idle call returns,
//   an editor request answers that there is no editor;
// - work that must be done, such as closing an editor or an instance, is handed to the thread that
//   holds JUCE, which does it before its own call into the plug-in returns.
// A host thread waits only for the plug-in's own thread to finish the message in hand, when it takes
// JUCE from it; that thread never calls the host.
class HostJuceCall
{
public:
    // Holds JUCE for the calling host thread while it lives; nested on a thread that holds it already.
    // Empty while another host thread holds it. Needs a ScopedJuceRuntime alive.
    static std::unique_ptr<HostJuceCall> enter();
    // The outermost call does the work handed to it, then lets go of JUCE; with no editor left, JUCE
    // goes back to the plug-in's own thread.
    ~HostJuceCall();

    HostJuceCall (const HostJuceCall&) = delete;
    HostJuceCall& operator= (const HostJuceCall&) = delete;

    // Delivers what JUCE has pending (X events, repaints, timers, asynchronous messages) while an editor
    // is open and no host thread holds JUCE; otherwise it does nothing. So a call from inside a
    // delivery, where a host answers the plug-in's request for idle time by idling it again, returns at
    // once.
    static void deliverPendingMessages();

    // Runs work with JUCE held: now, on a thread that holds it or when no host thread does; otherwise
    // the thread that holds it runs it before its call into the plug-in returns.
    static void run (std::function<void()> work);

    // The same, for work that deletes what may still be running further up the holding thread's
    // stack, such as the editor whose request to the host led back here: on a thread inside a call,
    // it runs once that thread's outermost call has finished with JUCE.
    static void runUnwound (std::function<void()> work);

private:
    HostJuceCall() = default;
};

// One lives with each open editor: while any does, the host's threads deliver JUCE's messages and the
// plug-in's own thread stays paused. Made and deleted by a host thread that holds JUCE.
class HostDeliversMessages
{
public:
    HostDeliversMessages();
    ~HostDeliversMessages();

    HostDeliversMessages (const HostDeliversMessages&) = delete;
    HostDeliversMessages& operator= (const HostDeliversMessages&) = delete;
};
