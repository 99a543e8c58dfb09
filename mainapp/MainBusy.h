#pragma once
// The frame of every operation of the main window. The operation sets Busy
// itself, in the order its steps say, and ends with End(). When an exception
// leaves the operation instead, the frame takes down what the operation had
// put up (Busy, the hourglass, a running transfer, the status text and the
// animation of the work), so that the window is usable again once the
// default handler has shown the error. A close asked for during the
// operation is carried out after it.
#include <exception>

#include "mainapp/Main.h"

class TFormMain::TBusy {
public:
    explicit TBusy(TFormMain& Form) : form_(Form), uncaught_(std::uncaught_exceptions()) {}
    ~TBusy();
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

    // Busy := True; UpdateControls.
    void Begin();
    // Busy := False; UpdateControls.
    void End();

private:
    void Recover();

    TFormMain& form_;
    int uncaught_;
};
