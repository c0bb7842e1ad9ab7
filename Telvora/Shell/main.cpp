#include "Telvora/Shell/TelvoraApplication.h"

int main(int argc, char *argv[]) { return telvora::TelvoraApplication::main(argc, argv); }
