/* Loads comctl32.dll by name with the default DLL search, as a program that imports it does:
 * the control that shows a DLL planted beside a program is loaded under the test's settings. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main(void) { return LoadLibraryA("comctl32.dll") ? 0 : 1; }
