// Moxlan.exe: the OPC server simulator with its window.
#include "simulator/win32/app.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    return moxlan::win32::runMoxlan(commandLine);
}
