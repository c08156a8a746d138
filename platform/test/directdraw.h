// Test interface: the DirectDraw layer's switches.
#pragma once

namespace PlatformTest
{
// Makes "DirectDrawCreate" or "DirectDrawCreateEx" absent from ddraw.dll (false) or present again.
void SetDirectDrawEntryPoints(bool create, bool createEx);
// The layout of 16-bit display surfaces: 5-6-5 (the default) or, when false, 5-5-5.
void SetDirectDraw565(bool green6Bits);
} // namespace PlatformTest
