// SDL's settings for the whole process. SDL 2.26's hint list is not safe to change while another
// thread reads it (its audio thread does), so every hint is set here, once, before the first SDL
// subsystem and with it the first SDL thread starts. Both the video and the sound side call this
// first; it lives in the shared sound library so that the process has one of it.
#pragma once

namespace Platform
{
__attribute__((visibility("default"))) void SetSdlHints();
// OpenGL drivers reserve address space freely (Mesa's llvmpipe some 1.5 GB) and crash where a
// reservation fails: under an address-space limit (ulimit -v) the layer draws with SDL's own
// renderer and never loads them.
__attribute__((visibility("default"))) bool AddressSpaceLimited();
} // namespace Platform
