// The program: the game's application from start to end.
#include "game/src/GameApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Lumo::gHInstance = instance;
    Lumo::GameApp* app = new Lumo::GameApp();
    app->Init();
    app->Start();
    delete app;
    return 0;
}
