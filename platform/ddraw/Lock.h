// One lock for the state of every surface: blits touch two surfaces, flips a whole chain.
#pragma once

#include <mutex>

namespace DDraw
{
std::mutex& LayerLock();
} // namespace DDraw
