#pragma once
#include <cstdint>

// The program's single pseudo-random generator: the same sequence in every run, since its state
// starts at 1 and is never reseeded. Window thread only.

// The next draw, 0 .. 2^31 - 1.
int32_t NextRandom() noexcept;

// Back to the start of the sequence, so that a headless render of a patch is reproducible
// however many devices were created before it.
void ResetRandom() noexcept;
