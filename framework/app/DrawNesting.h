// Counts how deeply frame drawing is nested; it never drops below 0.
#pragma once

namespace Lumo
{

extern int gDrawNesting;

void DrawNestingEnter();
void DrawNestingLeave();

} // namespace Lumo
