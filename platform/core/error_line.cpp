#include "core/error_line.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace Platform
{
void WriteErrorLine(std::initializer_list<const char*> pieces) noexcept
{
    char line[1024];
    size_t used = 0;
    for (const char* piece : pieces)
    {
        size_t length = std::min(std::strlen(piece), sizeof line - 1 - used);
        std::memcpy(line + used, piece, length);
        used += length;
    }
    line[used++] = '\n';
    if (write(STDERR_FILENO, line, used) < 0)
        return;
}
} // namespace Platform
