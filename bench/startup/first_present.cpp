// Preloaded into a program under measurement: on its first SDL_RenderPresent it writes one byte to
// the descriptor named by LUMO_FIRST_PRESENT_FD, so that the measuring program sees the moment the
// first frame reached the screen without any hook in the program itself.
#include <SDL.h>
#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

extern "C" void SDL_RenderPresent(SDL_Renderer* renderer)
{
    using Present = void (*)(SDL_Renderer*);
    static Present real = reinterpret_cast<Present>(dlsym(RTLD_NEXT, "SDL_RenderPresent"));
    static std::atomic<bool> told{false};
    real(renderer);
    if (told.exchange(true))
        return;
    if (const char* fd = std::getenv("LUMO_FIRST_PRESENT_FD"))
    {
        char mark = 'p';
        (void)!write(std::atoi(fd), &mark, 1);
    }
}
