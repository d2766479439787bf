#pragma once

// Frames per second everywhere: the sound card, the files the render tool reads and writes, and
// every device's arithmetic (frequencies, filter designs, time bases).
inline constexpr int kSampleRate = 44100;
