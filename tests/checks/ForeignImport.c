/* An image that imports user32.dll, which the program image must not. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance, (void)previous, (void)commandLine, (void)show;
  return MessageBoxW(NULL, L"", L"", MB_OK);
}
