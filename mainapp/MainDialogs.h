#pragma once
// The forms of the modem families' dialogs, made at start for the whole run
// and offered to the modem layer, which cannot reach this layer itself.
class TFormMain;

class MainDialogs {
public:
    explicit MainDialogs(TFormMain* Owner);
    ~MainDialogs();
    MainDialogs(const MainDialogs&) = delete;
    MainDialogs& operator=(const MainDialogs&) = delete;
};
