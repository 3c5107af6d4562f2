#pragma once
// The form runtime: forms with controls, properties and events, loading a
// form as the start-up window or modally, the message loop, exit callbacks,
// the run directory and two small commands (sleep, write a file).
//
// Texts handed to the runtime are UTF-16; callers convert their code page
// 936 literals with TextToWide first. Coordinates of a top-level form are
// screen pixels of its outer rectangle; those of a control are relative to
// the client area of its parent.
#include <windows.h>

#include <string>

#include "platform/ByteBuffer.h"

namespace form {

// modifierState of pointer and key events: the sum of the keys held.
enum Modifier { kModCtrl = 1, kModShift = 2, kModAlt = 4 };

using PointerHandler = void (*)(int x, int y, int modifierState);
using KeyHandler = void (*)(int virtualKey, int modifierState);
using Handler = void (*)();
using CloseHandler = bool (*)();  // true lets the form close

struct FormEvents {
  Handler created = nullptr;        // after the controls exist, before the form shows
  CloseHandler canClose = nullptr;  // WM_CLOSE; null means "may close"
  Handler destroying = nullptr;     // WM_DESTROY, while the controls still exist
  PointerHandler leftDown = nullptr;
  PointerHandler mouseMove = nullptr;
  PointerHandler leftUp = nullptr;
  PointerHandler rightUp = nullptr;
  PointerHandler doubleClick = nullptr;
  KeyHandler keyDown = nullptr;     // WM_KEYDOWN and WM_SYSKEYDOWN, repeats included
};

// Border settings, as the runtime's border property counts them.
enum Border { kBorderNone = 0, kBorderSizable = 1, kBorderFixedDialog = 2 };

struct FormDefinition {
  std::wstring caption;
  int left = 0, top = 0, width = 0, height = 0;  // outer rectangle
  Border border = kBorderSizable;
  bool minimizeBox = false;
  bool maximizeBox = false;
  bool showInTaskbar = true;
  bool topmost = false;
  bool escCloses = false;  // Esc in the form or any of its controls sends WM_CLOSE
  bool clipChildren = false;
  // Creates the form's controls; runs right after the window exists.
  void (*createControls)(HWND form) = nullptr;
  FormEvents events;
};

// --- runtime ---------------------------------------------------------------

// OLE for the UI thread, common controls, the run directory made the current
// directory. Call once before anything else.
void Initialize();
// Runs the exit callbacks in registration order and uninitialises OLE.
void Shutdown();

// Registering a callback that is already registered adds nothing.
void RegisterExitCallback(Handler callback);
void RunExitCallbacks();

// The executable's directory, never ending in a backslash (a drive root
// gives "C:"), in UTF-16 so that every folder name works.
const std::wstring& RunDirectory();
// The cutting rule on its own, for tests: the part before the last backslash.
std::wstring CutRunDirectory(const std::wstring& modulePath);

// Creates the form, runs createControls and the created event, then shows it.
HWND LoadForm(const FormDefinition& definition);
// The same, then a nested message loop until the window has been destroyed.
void LoadFormModal(const FormDefinition& definition);

// The message loop: returns when the last form window has been destroyed.
int RunMessageLoop();
// Dispatches every pending message (paint and input included) and returns.
void ProcessPendingMessages();

// Posts a request to destroy the form; carried out once the running handler
// has returned. Raises no close-request event.
void DestroyFormLater(HWND form);

// --- properties --------------------------------------------------------------
int GetLeft(HWND window);
int GetTop(HWND window);
int GetWidth(HWND window);
int GetHeight(HWND window);
void SetLeft(HWND window, int left);
void SetTop(HWND window, int top);
void SetWidth(HWND window, int width);
void SetHeight(HWND window, int height);
void SetVisible(HWND window, bool visible);
void SetBorder(HWND form, Border border);
// The pointer shown while the pointer is over the window's client area.
void SetMousePointer(HWND window, HCURSOR cursor);
HCURSOR GetMousePointer(HWND window);

// --- controls -----------------------------------------------------------------
HWND CreateGroupBox(HWND parent, const std::wstring& text, int left, int top, int width, int height);
HWND CreatePushButton(HWND parent, const std::wstring& text, int left, int top, int width, int height,
                      Handler clicked);
HWND CreateCheckBox(HWND parent, const std::wstring& text, int left, int top, int width, int height,
                    Handler clicked);
// A picture box; border draws a one-pixel line (WS_BORDER). mouseMove may be null.
HWND CreatePictureBox(HWND parent, int left, int top, int width, int height, bool border,
                      PointerHandler mouseMove);
// A multi-line edit box with word wrap, vertical scroll bar and sunken edge.
HWND CreateLogBox(HWND parent, int left, int top, int width, int height);

// Picture box: keeps the bytes (BMP; moved in, a caller done with them
// passes them with std::move) and repaints; bytes that do not decode leave
// the box without a picture. GetPicture copies the bytes last set;
// PictureBytes lends them, valid until the next SetPicture or the box's end.
void SetPicture(HWND pictureBox, ByteBuffer imageBytes);
ByteBuffer GetPicture(HWND pictureBox);
const ByteBuffer& PictureBytes(HWND pictureBox);
bool HasPicture(HWND pictureBox);
// 0 natural size, 1 stretched, 2 centred and shrunk to fit; clamped to 0..2.
void SetDisplayMode(HWND pictureBox, int mode);
int GetDisplayMode(HWND pictureBox);
// Draws the picture box as it paints itself (background, then the picture by
// its display mode) into any DC the size of its client area.
void PaintPictureBox(HWND pictureBox, HDC dc);

// Check box: 1 when ticked, otherwise 0.
int IsTicked(HWND checkBox);

// Edit box: caret to the end, scrolled into view, text inserted there.
void AppendText(HWND editBox, const std::wstring& text);

// --- commands -------------------------------------------------------------------
void SleepMs(int milliseconds);  // negative counts as 0; processes no messages
// Creates or truncates the file (no sharing) and writes the bytes; false on failure.
bool WriteFileBytes(const std::wstring& path, const ByteBuffer& bytes);

}  // namespace form
