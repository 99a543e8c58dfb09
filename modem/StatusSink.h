#pragma once
// Where the modem layer shows its progress: the main window's status bar.
// The modem code must not know the main window, so the window registers a
// sink at start; until it does (and in programs without one) texts go nowhere.
#include <string>

class TStatusSink {
public:
    virtual ~TStatusSink() = default;
    // Shows Text in status bar panel Index (0-based).
    virtual void SetPanelText(int Index, const std::string& Text) = 0;
};

// The registered sink, or one that drops every text.
TStatusSink& StatusSink();
// Registers Sink (null: none) and returns the one registered before (null
// when none was). The caller keeps ownership and unregisters before it dies.
TStatusSink* SetStatusSink(TStatusSink* Sink);
