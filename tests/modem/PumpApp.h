#pragma once
// Reads pump window messages, and the polling timer runs only where messages
// are processed; a test that needs either makes the one application object
// of its program with EnsureApp.
#include <QCoreApplication>

namespace modemtest {

inline void EnsureApp() {
    static int argc = 1;
    static char name[] = "modem_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

}  // namespace modemtest
