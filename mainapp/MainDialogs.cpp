// MAINWIN_WIP: built once the registry helpers are in the tree.
#if __has_include("support/RegSave.h") && __has_include("support/WndProp.h")
#include "mainapp/MainDialogs.h"

#include "mainapp/Main.h"

MainDialogs::MainDialogs(TFormMain* /*Owner*/) {}

MainDialogs::~MainDialogs() = default;
#endif  // MAINWIN_WIP
