// Sleeps of sub-millisecond resolution for pacing. Sleep and mingw's
// std::this_thread::sleep_for wake on the system tick or drop the fraction of
// a millisecond, which would wreck a 30 fps schedule; this uses a per-thread
// high-resolution waitable timer, or a plain waitable timer where the system
// refuses the high-resolution kind.
#pragma once

#include <chrono>

namespace norva::plataforma {

// Blocks the calling thread for `espera` (nothing for zero or less).
void dormir(std::chrono::nanoseconds espera) noexcept;

}  // namespace norva::plataforma
