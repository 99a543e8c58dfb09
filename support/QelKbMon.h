/* The calling interface between the status bar and an optional keyboard-monitor
 * library "QelKbMon". The library exports two C entry points:
 *
 *   unsigned RegisterKeyboardHook(QelWindow* Wnd);
 *       starts watching the lock keys for the window and returns the message
 *       number it will post to it (0: refused);
 *   void DeregisterKeyboardHook(QelWindow* Wnd);
 *       stops; no message reaches the window after it returns.
 *
 * Whenever a lock key toggles, the library posts to every registered window
 * the message number with WParam the virtual-key code (144 NumLock,
 * 145 ScrollLock, any other value CapsLock) and bit 0 of LParam the key's new
 * toggle state. Posting is allowed from any thread.
 */
#ifndef QELKBMON_H
#define QELKBMON_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A window handle: what the library needs to post a message to the window. */
typedef struct QelWindow QelWindow;
struct QelWindow {
    void (*PostMessage)(QelWindow* Wnd, unsigned Msg, uintptr_t WParam, intptr_t LParam);
};

typedef unsigned (*TRegisterKeyboardHook)(QelWindow* Wnd);
typedef void (*TDeregisterKeyboardHook)(QelWindow* Wnd);

#ifdef __cplusplus
}
#endif

#endif
