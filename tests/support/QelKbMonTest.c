/* A keyboard-monitor library for the tests: it keeps the windows registered
 * with it and, instead of watching a keyboard, posts a lock-key change when
 * the test asks for one through QelKbMonTestToggle. */
#include <stddef.h>

#include "support/QelKbMon.h"

#define MAX_WINDOWS 8
/* A message number as a monitor would have it registered for itself. */
#define TEST_MESSAGE 0xC0DEu

static QelWindow* windows[MAX_WINDOWS];
static unsigned windowCount;
static unsigned registerCalls;
static unsigned deregisterCalls;
static QelWindow* lastDeregistered;

unsigned RegisterKeyboardHook(QelWindow* Wnd) {
    ++registerCalls;
    if (Wnd == NULL || windowCount == MAX_WINDOWS) return 0;
    windows[windowCount++] = Wnd;
    return TEST_MESSAGE;
}

void DeregisterKeyboardHook(QelWindow* Wnd) {
    ++deregisterCalls;
    lastDeregistered = Wnd;
    for (unsigned i = 0; i < windowCount; ++i) {
        if (windows[i] == Wnd) {
            windows[i] = windows[--windowCount];
            return;
        }
    }
}

/* What a monitor does when a lock key toggles. */
void QelKbMonTestToggle(unsigned VirtualKey, int On) {
    for (unsigned i = 0; i < windowCount; ++i) {
        windows[i]->PostMessage(windows[i], TEST_MESSAGE, VirtualKey, On ? 1 : 0);
    }
}

unsigned QelKbMonTestWindows(void) { return windowCount; }
unsigned QelKbMonTestRegisterCalls(void) { return registerCalls; }
unsigned QelKbMonTestDeregisterCalls(void) { return deregisterCalls; }
unsigned QelKbMonTestMessage(void) { return TEST_MESSAGE; }
QelWindow* QelKbMonTestLastDeregistered(void) { return lastDeregistered; }
