// The program entry of Murmel.
#include "murmel/MurmelApp.h"

int main(int argc, char** argv) {
    murmel::CMurmelApp theApp(argc, argv);
    theApp.InitInstance();
    return 0;
}
