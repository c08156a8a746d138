#include "app/DrawNesting.h"

namespace Lumo
{

int gDrawNesting = 0;

void DrawNestingEnter()
{
    gDrawNesting++;
}

void DrawNestingLeave()
{
    if (gDrawNesting > 0)
        gDrawNesting--;
}

} // namespace Lumo
