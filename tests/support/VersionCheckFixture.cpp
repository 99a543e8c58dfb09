// A program that starts the way Pellow and the viewer do, so the version
// check can be watched ending a real process: it prints "started" and ends
// with code 3 when the check lets it through.
#include <cstdio>

#include "platform/App.h"
#include "support/Version.h"

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    CheckComCtlVersion();
    std::printf("started\n");
    return 3;
}
