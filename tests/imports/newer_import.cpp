// A program that imports a function only Windows Vista and later have, as the POSIX threads
// library once made FLASH.EXE do: the import check must refuse it, naming the function.
#include <windows.h>

int main() { return ::GetTickCount64() == 0 ? 1 : 0; }
