// What the application core calls on the subsystems built apart from it: the widget
// manager, the effects and music outputs and the screen. Each names only the operations
// the application itself uses; the toolkit, sound and display implement them.
#pragma once

#include "win32/types.h"

#include <string>

namespace Lumo
{
class Image;
class Widget;

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
    // Deletes a widget taken out of the tree (through its virtual destructor).
    virtual void DeleteWidget(Widget* widget) = 0;
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
    // The window the sound output cooperates with, after every change of screen mode.
    virtual void SetCooperativeWindow(HWND window, bool windowed) = 0;
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

// How a start of the display on a window ended.
enum class ScreenStart
{
    Ok,
    InvalidColorDepth, // windowed on a desktop depth the display cannot use
    ExclusiveFail,     // full screen: exclusive access refused
    DisplayChangeFail, // full screen: the mode change failed
    Fail3D,
    Fail, // anything else
};

// The display as the application starts, presents and restores it.
class ScreenOutput
{
public:
    virtual ~ScreenOutput() = default;
    // (Re)starts the display on the window, windowed or full screen.
    virtual ScreenStart Start(HWND window, bool windowed) = 0;
    // Name of the last result (such as "RESULT_DD_CREATE_FAIL") and the display's error text.
    virtual std::string ResultName() const = 0;
    virtual std::string ErrorText() const = 0;
    virtual bool Is3DWanted() const = 0;
    virtual void Set3DWanted(bool wanted) = 0;
    // The 3-D self test measured a new result during the last start.
    virtual bool NewTestResult() const = 0;
    // A self test exists and ended with neither a failure reason nor a warning.
    virtual bool Is3DTestClean() const = 0;
    // The 3-D renderer lost its render target during the run.
    virtual bool RenderTargetLost() const = 0;
    // Shows the drawn frame; false when the display was lost.
    virtual bool Present() = 0;
    virtual int RefreshRate() const = 0;
    virtual void RestoreDisplayMode() = 0;
    // Full screen: shows the desktop's surface so that a system window can be seen; false
    // when there is no display object to do it.
    virtual bool FlipToDesktop() = 0;
    // The picture the display draws as the cursor (null: none); true when it changed.
    virtual bool SetCursorImage(Image* image) = 0;
    // Called by the cursor thread: where the display last drew the cursor, drawing it at a new
    // place at once, or leaving the new place for the next frame.
    virtual POINT CursorDrawnAt() = 0;
    virtual void DrawCursorAt(int x, int y) = 0;
    virtual void SetPendingCursorPos(int x, int y) = 0;
};
} // namespace Lumo
