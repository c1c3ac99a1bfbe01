#pragma once

#include <cstdint>

// The editor's rectangle as the host reads it after the bounds query.
struct EditorRect
{
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

static_assert(sizeof(EditorRect) == 8);

// A key event from the host. The two bytes after the modifiers are padding that the
// dispatcher leaves unwritten.
struct EditorKeyCode
{
    std::int32_t character;
    std::uint8_t virtualKey;
    std::uint8_t modifiers;
};

static_assert(sizeof(EditorKeyCode) == 8);

// The editor interface that the dispatcher's editor opcodes talk to. An effect that has an
// editor derives from it and places an instance in AudioEffect::editor; each default does
// nothing and answers false.
class EffectEditor
{
public:
    virtual ~EffectEditor() = default;

    // Stores, through rect, the address of a rectangle that the editor keeps.
    virtual bool queryBounds(EditorRect** /*rect*/) { return false; }
    virtual bool openInWindow(void* /*parentWindow*/) { return false; }
    virtual void closeView() {}
    virtual void idleTick() {}
    virtual bool keyDownEvent(EditorKeyCode& /*keyCode*/) { return false; }
    virtual bool keyUpEvent(EditorKeyCode& /*keyCode*/) { return false; }
    virtual bool setModeValue(int /*mode*/) { return false; }
};
