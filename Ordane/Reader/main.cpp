// ordane-reader: the helper process in which Ordane opens the files it reads (see ReaderService).
// Started by the program itself, one per reading slot; not meant to be run by hand.
#include "OrdaneRecognition/Isolation/ReaderService.hpp"

int main(int, char** argv) { return ordane::ReaderService::main(argv); }
