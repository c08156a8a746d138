// The program: the game's application from start to end.
#include "game/src/GameApp.h"

#include <exception>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Lumo::gHInstance = instance;
    try
    {
        Lumo::GameApp* app = new Lumo::GameApp();
        app->Init();
        app->Start();
        // A run that reported a fatal error ends with the fatal exit code, as every fatal end does.
        int code = app->GetExitCode();
        delete app;
        return code;
    }
    catch (const std::exception& error)
    {
        if (!Lumo::IsOutOfMemory(error))
            throw;
        Lumo::EndOutOfMemory();
    }
}
