// A line on standard error that needs no memory (the program may have none left): past the C
// library's buffers, written in one piece however many threads write theirs at once.
#pragma once

#include <initializer_list>

namespace Platform
{
// The pieces joined and a line end added; cut short past 1 KB.
void WriteErrorLine(std::initializer_list<const char*> pieces) noexcept;
} // namespace Platform
