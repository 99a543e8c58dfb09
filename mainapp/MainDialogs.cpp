#include "mainapp/MainDialogs.h"

#include "mainapp/Main.h"

MainDialogs::MainDialogs(TFormMain* /*Owner*/) {}

MainDialogs::~MainDialogs() = default;
