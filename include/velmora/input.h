/* Velmora Engine: keyboard, mouse and joysticks.
 *
 * Keyboard and mouse are read from a snapshot taken once per frame by
 * VLM_ExamineKeyboard and VLM_ExamineMouse; joysticks are polled by
 * VLM_ExamineJoysticks. Procedures without a result return 0. */
#ifndef VELMORA_INPUT_H
#define VELMORA_INPUT_H

#include "types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Key codes (desktop virtual-key codes) ------------------------------
 * Letters and digits are their upper-case ASCII codes ('A', '7'). */
#define VLM_KEY_BACK 0x08
#define VLM_KEY_TAB 0x09
#define VLM_KEY_RETURN 0x0D
#define VLM_KEY_SHIFT 0x10
#define VLM_KEY_CONTROL 0x11
#define VLM_KEY_ALT 0x12
#define VLM_KEY_PAUSE 0x13
#define VLM_KEY_CAPITAL 0x14
#define VLM_KEY_ESCAPE 0x1B
#define VLM_KEY_SPACE 0x20
#define VLM_KEY_PAGEUP 0x21
#define VLM_KEY_PAGEDOWN 0x22
#define VLM_KEY_END 0x23
#define VLM_KEY_HOME 0x24
#define VLM_KEY_LEFT 0x25
#define VLM_KEY_UP 0x26
#define VLM_KEY_RIGHT 0x27
#define VLM_KEY_DOWN 0x28
#define VLM_KEY_INSERT 0x2D
#define VLM_KEY_DELETE 0x2E
#define VLM_KEY_NUMPAD0 0x60 /* ... VLM_KEY_NUMPAD0 + 9 */
#define VLM_KEY_F1 0x70      /* ... VLM_KEY_F1 + 23 for F24 */
#define VLM_KEY_LSHIFT 0xA0
#define VLM_KEY_RSHIFT 0xA1
#define VLM_KEY_LCONTROL 0xA2
#define VLM_KEY_RCONTROL 0xA3
#define VLM_KEY_LALT 0xA4
#define VLM_KEY_RALT 0xA5

/* Mouse buttons. */
#define VLM_MOUSE_LEFT 1
#define VLM_MOUSE_RIGHT 2
#define VLM_MOUSE_MIDDLE 4

/* Joystick button state bits (VLM_JoystickButton). */
#define VLM_JOYBUTTON_DOWN 1
#define VLM_JOYBUTTON_HELD 2 /* down longer than the double-click time */
#define VLM_JOYBUTTON_PUSHED 4
#define VLM_JOYBUTTON_RELEASED 8

/* ---- Keyboard ------------------------------------------------------------ */

/* Takes the snapshot and starts a new frame of pressed/released/character. */
int VLM_ExamineKeyboard(void);
/* 1 when a key-down (auto-repeat too) arrived in the examined frame. */
int VLM_KeyboardPushed(int key);
int VLM_KeyboardDown(int key);
int VLM_KeyboardReleased(int key);
/* The last character typed in the examined frame as UTF-8, "" when none.
 * The text stays valid until the next call. */
const char* VLM_KeyboardInkey(void);

/* ---- Mouse ----------------------------------------------------------------- */

int VLM_ExamineMouse(void);
/* Forgets pressed, released and wheel, then takes the snapshot. */
int VLM_ResetMouse(void);
int VLM_MouseX(void);
int VLM_MouseY(void);
int VLM_MouseDeltaX(void);
int VLM_MouseDeltaY(void);
int VLM_MouseWheel(void);
/* button: VLM_MOUSE_LEFT, _RIGHT or _MIDDLE; any other number gives 0. */
int VLM_MouseButtonDown(int button);
int VLM_MouseButtonPushed(int button);
int VLM_MouseButtonReleased(int button);
int VLM_MouseInRect(int x, int y, int width, int height);
int VLM_MouseInCircle(float x, float y, float radius);
/* Events posted by the program itself (scripts, replays): they enter the
 * same records as the window system's events and show in the next examined
 * frame. down != 0 presses, 0 releases; codes and buttons as above, others
 * are ignored. The motion adds (dx, dy) to the deltas and, unless the mouse
 * is locked, moves the cursor. Return 0. */
int VLM_PostKeyEvent(int key, int down);
int VLM_PostMouseButtonEvent(int button, int down);
int VLM_PostMouseMotion(int dx, int dy);
/* Moves the cursor to client position (x, y) of the engine window. */
int VLM_SetMousePosition(int x, int y);
/* Locked mode: the cursor is held at the window centre, which is also what
 * VLM_MouseX/Y report; the movement comes as deltas. */
int VLM_LockMouse(void);
int VLM_UnlockMouse(void);
int VLM_HideCursor(void);
int VLM_ShowCursor(void);
/* Confines the cursor to the engine window. */
int VLM_ClipCursor(void);
int VLM_UnclipCursor(void);

/* ---- Joysticks --------------------------------------------------------- */

/* Enumerates up to 16 joysticks; returns how many answered. Called by the
 * engine start-up. */
int VLM_InitJoysticks(void);
/* Polls joysticks 0 to count - 1. */
int VLM_ExamineJoysticks(void);
int VLM_JoystickCount(void);
/* The device name (UTF-8), "" for an unknown joystick. */
const char* VLM_JoystickName(int joystick);
/* Axis 0-5 (X, Y, Z, R, U, V) in -1..1; step != 0 rounds to a multiple. */
float VLM_JoystickAxis(int joystick, int axis, float step);
/* Hat direction in degrees: 0 centred, 360 straight ahead. */
float VLM_JoystickPOV(int joystick);
/* axis 0-7, or -1 for all eight slots. */
int VLM_SetJoystickDeadZone(int joystick, int axis, float value);
/* The VLM_JOYBUTTON_* bits of button 0-15. */
int VLM_JoystickButton(int joystick, int button);
int VLM_JoystickButtonDown(int joystick, int button);
int VLM_JoystickButtonReleased(int joystick, int button);

#ifdef __cplusplus
}
#endif

#endif
