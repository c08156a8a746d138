// What the application core calls on the subsystems built apart from it: the widget
// manager, the effects and music outputs and the screen. Each names only the operations
// the application itself uses; the toolkit, sound and display implement them.
#pragma once

namespace Lumo
{
// The root of the widget tree as the application drives it.
class WidgetRoot
{
public:
    virtual ~WidgetRoot() = default;

    virtual void MouseMove(int x, int y) = 0;
    virtual void MouseDown(int x, int y, int clickCount) = 0;
    virtual void MouseUp(int x, int y, int clickCount) = 0;
    virtual void MouseWheel(int notches) = 0;
    virtual void MouseExit() = 0;
    virtual void KeyDown(int key) = 0;
    virtual void KeyUp(int key) = 0;
    virtual void KeyChar(char c) = 0;
    virtual void GotFocus() = 0;
    virtual void LostFocus() = 0;
    virtual bool IsKeyDown(int key) const = 0;
    virtual void ClearKeyStates() = 0;
    // Bits 1, 2 and 4: left, right and middle button held.
    virtual int HeldButtons() const = 0;
    // Sends the pressed widget its button-ups and forgets it.
    virtual void ReleasePressedWidget() = 0;
    virtual void UpdateFrame() = 0;
    virtual void UpdateFrameF(float fraction) = 0;
    // Draws every dirty widget onto the screen; true when anything was drawn.
    virtual bool DrawScreen() = 0;
    virtual void MarkAllDirty() = 0;
    virtual void Resize(int width, int height) = 0;
};

// Sound effects.
class EffectsOutput
{
public:
    virtual ~EffectsOutput() = default;
    virtual void SetVolume(double volume) = 0;
    virtual void StopAllSounds() = 0;
    virtual void PlaySample(int id, int pan, bool withPan) = 0;
    virtual double GetMasterVolume() = 0;
    virtual void SetMasterVolume(double volume) = 0;
};

// Music.
class MusicOutput
{
public:
    virtual ~MusicOutput() = default;
    virtual void SetVolume(double volume) = 0;
    virtual void StopAllMusic() = 0;
    virtual void Update() = 0;
};

// The screen as the main loop presents it.
class ScreenOutput
{
public:
    virtual ~ScreenOutput() = default;
    // Shows the drawn frame; false when the display was lost.
    virtual bool Present() = 0;
    virtual int RefreshRate() const = 0;
    virtual void RestoreDisplayMode() = 0;
};
} // namespace Lumo
