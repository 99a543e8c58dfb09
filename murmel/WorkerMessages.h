#pragma once
// How Murmel's workers talk to its dialog: window messages WM_USER+1 to +6
// with their numbers and parameters, posted as Qt events to the
// application's main window and handled there in the order posted.
#include <QEvent>
#include <QObject>
#include <cstdint>

namespace murmel {

constexpr int WM_USER = 0x0400;
constexpr int WM_MESSAGEREADY = WM_USER + 1;    // lParam: number of the WAV file just written
constexpr int WM_THREADERROR = WM_USER + 2;     // lParam: the run's result code, its last message
constexpr int WM_NEWMESSAGES = WM_USER + 3;     // wParam: "Counter" - 1; lParam: the counts, or 255
constexpr int WM_NEWMESSAGESFAX = WM_USER + 4;  // lParam: new faxes
constexpr int WM_TASKBAR = WM_USER + 5;         // the tray icon's callback
constexpr int WM_DELETINGMEMORY = WM_USER + 6;  // just before an erase

// Result codes of WM_THREADERROR.
enum ResultCode { ErrorCom = 1, ErrorModem = 2, ErrorMemory = 3, ErrorFile = 4, NoError = 5 };

// The Qt event type that carries window message Message: QEvent::User plus
// its offset from WM_USER.
QEvent::Type EventTypeOf(int Message);

class WorkerEvent : public QEvent {
public:
    WorkerEvent(int Message, int64_t WParam, int64_t LParam);
    int Message() const { return message_; }
    int64_t WParam() const { return wParam_; }
    int64_t LParam() const { return lParam_; }

private:
    int message_;
    int64_t wParam_;
    int64_t lParam_;
};

// The application's main window, which the workers post to; nullptr when
// there is none (posts are then dropped). Setting it waits for a post in
// progress, so a window taken away is never posted to afterwards.
void SetMainWindow(QObject* Window);
QObject* MainWindow();
void PostToMainWindow(int Message, int64_t WParam, int64_t LParam);

}  // namespace murmel
