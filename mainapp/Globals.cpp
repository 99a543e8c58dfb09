#include "mainapp/Globals.h"

TFormMain* FormMain = nullptr;
TCommClass* CommObject = nullptr;
TModemClass* ModemObject = nullptr;
LanguageClass* Lang = nullptr;
TPellowOptions PellowOptions;
