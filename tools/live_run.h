#pragma once

// quarvin-render --live: the patch on the sound card without a window.

// Whether the arguments ask for the live mode.
bool WantsLive(int argc, char** argv);
// Runs it until SIGINT or SIGTERM, or until the sound card is lost; the exit code (0, 1 for usage
// and sound card errors and a lost card, 2 for a rejected patch).
int RunLive(int argc, char** argv);
