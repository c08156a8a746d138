// The process entry: hands the command line to the program's WinMain, as Windows would.
#include "win32/windows.h"

#include <string>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

int main(int argc, char** argv)
{
    Platform::SetCommandLine(argc, argv);
    std::string args = Platform::CommandLineArguments();
    return WinMain(Platform::ModuleInstance(), nullptr, args.data(), SW_SHOWNORMAL);
}
