#pragma once

// This program's process id.
int CurrentProcessId();
// Whether a process with this id is still running (possibly another program that got the id).
bool ProcessRunning(int pid);
