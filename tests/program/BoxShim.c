/* Loaded into the real program (LD_PRELOAD) in place of SDL's message box: notes on which thread
   each box was asked for, its caption and its text in the file LUMO_BOX_LOG names, and answers it
   with its default button, as a player pressing Enter would; with LUMO_BOX_WAIT set it is never
   answered, as a player away from the screen. With LUMO_TERM_BEFORE_BOX set the program is asked to
   end (SIGTERM) as it writes its fatal error to standard error, just before the box for it. */
#include <SDL.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

ssize_t write(int fd, const void* data, size_t size)
{
    static const char fatal[] = "FATAL ERROR: ";
    if (fd == 2 && getenv("LUMO_TERM_BEFORE_BOX") && size >= sizeof fatal - 1 &&
        memcmp(data, fatal, sizeof fatal - 1) == 0)
        raise(SIGTERM);
    return syscall(SYS_write, fd, data, size);
}

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
