#pragma once

#include <functional>
#include <memory>

// Keeps JUCE's GUI and message support alive while any plug-in instance exists. A Linux host does not
// run JUCE's message loop, so while no editor is open the plug-in runs a message thread of its own: the
// first instance starts it, and the host thread that lets go of the runtime last, once no instance is
// left, stops it. With nothing to deliver and no work left, that thread sleeps: an instance without an
// editor costs no processor time. A second after the last editor has gone, it starts JUCE afresh, which
// ends the timer thread that the editor's timers started. Instances may come and go on any threads.
class ScopedJuceRuntime
{
public:
    ScopedJuceRuntime();
    ~ScopedJuceRuntime();

    ScopedJuceRuntime (const ScopedJuceRuntime&) = delete;
    ScopedJuceRuntime& operator= (const ScopedJuceRuntime&) = delete;
};

// JUCE has one owner at a time: the plug-in's own message thread, one host thread, or nobody.
//
// - The own thread owns it while no editor is open and no host thread needs it.
// - A host thread owns it from the moment it takes it until its outermost call into the plug-in
//   returns, with the calls that the host makes back into the plug-in from inside it. Linux hosts
//   expect their editors' requests on the thread that calls them, so editor calls take it.
// - Nobody owns it between host calls while an editor is open: the own thread stays paused, and the
//   next editor call takes it at once. Only work left by the last holder brings the own thread back,
//   for as long as that work takes.
//
// No wait can close a circle through the host: a host thread waits only for an owner that runs the
// plug-in's own code and is not inside a call to the host, and such an owner waits for nothing but the
// own thread, which never calls the host.
// - An editor request waits for such an owner; while the owner is inside a call to the host, the
//   request answers that there is no editor.
// - An idle call never waits for another host thread: it returns if one owns JUCE.
// - A new instance waits while closed instances wait to be freed beyond a bound, for such an owner
//   only, so that a host making and closing instances on several threads cannot pile them up.
// - Work that must be done, such as closing an editor or an instance, is handed to the owning host
//   thread, which does it at its next call into the plug-in or before its outermost call returns.
//   Each time it does only what was handed over before, so its share is bounded; what comes later
//   goes to whoever holds JUCE next, and the own thread takes JUCE for work left while nobody holds
//   it, so no work waits for a host call that may never come.
class HostJuceCall
{
public:
    // Holds JUCE for the calling host thread while it lives; nested on a thread that holds it already.
    // Empty while another host thread holds it and is inside a call to the host. Needs a
    // ScopedJuceRuntime alive.
    static std::unique_ptr<HostJuceCall> enter();
    // The outermost call does the work handed to it, then lets go of JUCE; with no editor left, JUCE
    // goes back to the plug-in's own thread.
    ~HostJuceCall();

    HostJuceCall (const HostJuceCall&) = delete;
    HostJuceCall& operator= (const HostJuceCall&) = delete;

    // Delivers what JUCE has pending (X events, repaints, timers, asynchronous messages) while an editor
    // is open and no host thread holds JUCE, after `pendingElsewhere`, which delivers what the caller
    // keeps outside JUCE's queue; otherwise it does nothing. So a call from inside a delivery, where a
    // host answers the plug-in's request for idle time by idling it again, returns at once.
    static void deliverPendingMessages (const std::function<void()>& pendingElsewhere);

    // Runs work with JUCE held: now, on a thread that holds it or when no host thread does; otherwise
    // the thread that holds it runs it at its next call into the plug-in, or before its outermost call
    // returns, whichever comes first, if it was asked by then; if not, whoever holds JUCE next runs it.
    // Work handed over runs in the order it was asked, and what it leaves for later keeps its place in
    // that order, however deeply the holder nests.
    static void run (std::function<void()> work);

    // The same, for work that deletes what may still be running further up the holding thread's
    // stack, such as the editor whose request to the host led back here: on a thread inside a call,
    // it runs once that thread's outermost call has finished with JUCE.
    static void runUnwound (std::function<void()> work);

private:
    HostJuceCall() = default;
};

// Lives while the plug-in calls its host. While the thread that holds JUCE is inside such a call, the
// host may be waiting for its other threads, so their editor requests must not wait for it. Costs no
// lock on a thread that does not hold JUCE, such as the audio thread.
class ScopedCallToHost
{
public:
    ScopedCallToHost();
    ~ScopedCallToHost();

    ScopedCallToHost (const ScopedCallToHost&) = delete;
    ScopedCallToHost& operator= (const ScopedCallToHost&) = delete;

private:
    bool byHolder;
};

// One lives with each editor window: while any does, the host's threads deliver JUCE's messages and
// the plug-in's own thread stays paused. Made and deleted by a host thread that holds JUCE.
class HostDeliversMessages
{
public:
    HostDeliversMessages();
    ~HostDeliversMessages();

    HostDeliversMessages (const HostDeliversMessages&) = delete;
    HostDeliversMessages& operator= (const HostDeliversMessages&) = delete;
};
