// A program linked against the POSIX threads library's DLL: the import check must refuse it.
#include <pthread.h>

int main() { return pthread_self() == 0 ? 1 : 0; }
