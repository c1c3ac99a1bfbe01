#include "VstEditorWindow.h"

namespace
{
// While a mouse button is held in the editor a host's own idle may stall; ask it for one this often.
constexpr int hostIdleIntervalMs = 20;
} // namespace

VstEditorWindow::VstEditorWindow (std::unique_ptr<juce::AudioProcessorEditor> editorToShow, AudioEffectX& effectToNotify)
    : effect (effectToNotify), editor (std::move (editorToShow))
{
    setOpaque (true);
    setSize (editor->getWidth(), editor->getHeight());
    addAndMakeVisible (*editor);
    startTimer (hostIdleIntervalMs);
}

VstEditorWindow::~VstEditorWindow()
{
    detach();
    editor.reset();
}

void VstEditorWindow::detach()
{
    // A window is disabled once it has let go, and its deletion tells the processor nothing again.
    if (! isEnabled())
        return;

    stopTimer();
    setVisible (false);

    // Mouse events already queued for the window, and notifications its sliders have posted, still
    // arrive after this; a disabled window turns them away instead of editing or telling the host.
    setEnabled (false);
    editor->processor.editorBeingDeleted (editor.get());
}

void VstEditorWindow::attachTo (void* hostWindow)
{
    setVisible (false);
    addToDesktop (0, hostWindow);
    setVisible (true);

    // JUCE paints at its next delivery, which the thread that opened the editor may never make: the
    // first picture is drawn before the open returns.
    if (auto* peer = getPeer())
    {
        repaint();
        peer->performAnyPendingRepaintsNow();
    }
}

void VstEditorWindow::childBoundsChanged (juce::Component* child)
{
    if (child != editor.get())
        return;

    const auto width = child->getWidth(), height = child->getHeight();
    if (width == getWidth() && height == getHeight())
        return;

    // Ask the host to fit its window to the editor; our own window follows either way.
    char sizeWindow[] = "sizeWindow";
    if (isOnDesktop() && isVisible() && effect.canHostDo (sizeWindow) != 0)
        effect.sizeWindow (width, height);
    setSize (width, height);
}

EditorRect VstEditorWindow::getEditorRect() const noexcept
{
    return { 0, 0, static_cast<std::int16_t> (getHeight()), static_cast<std::int16_t> (getWidth()) };
}

void VstEditorWindow::timerCallback()
{
    if (juce::ModifierKeys::currentModifiers.isAnyMouseButtonDown())
        effect.masterIdle();
}
