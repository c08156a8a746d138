/* Loaded into the real program (LD_PRELOAD) in place of SDL's message box: notes on which thread
   each box was asked for, its caption and its text in the file LUMO_BOX_LOG names, and answers it
   with its default button, as a player pressing Enter would; with LUMO_BOX_WAIT set it is never
   answered, as a player away from the screen. */
#include <SDL.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

int SDL_ShowMessageBox(const SDL_MessageBoxData* box, int* buttonId)
{
    const char* logName = getenv("LUMO_BOX_LOG");
    FILE* log = logName ? fopen(logName, "a") : NULL;
    if (log)
    {
        int mainThread = (pid_t)syscall(SYS_gettid) == getpid();
        fprintf(log, "%s|%s|%s\n", mainThread ? "main" : "other", box->title, box->message);
        fclose(log);
    }
    while (getenv("LUMO_BOX_WAIT"))
        pause();
    *buttonId = box->numbuttons > 0 ? box->buttons[0].buttonid : -1;
    for (int i = 0; i < box->numbuttons; i++)
        if (box->buttons[i].flags & SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT)
            *buttonId = box->buttons[i].buttonid;
    return 0;
}
