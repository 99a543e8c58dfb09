#include "modem/StatusSink.h"

namespace {

class TNullStatusSink final : public TStatusSink {
public:
    void SetPanelText(int, const std::string&) override {}
};

TStatusSink* g_sink = nullptr;

}  // namespace

TStatusSink& StatusSink() {
    static TNullStatusSink none;
    return g_sink ? *g_sink : none;
}

TStatusSink* SetStatusSink(TStatusSink* Sink) {
    TStatusSink* previous = g_sink;
    g_sink = Sink;
    return previous;
}
