#pragma once
#include <string_view>

// This program's process id.
int CurrentProcessId();
// Whether a process with this id is still running (possibly another program that got the id). A
// process that has ended but is not yet collected by its parent (a zombie) runs no more.
bool ProcessRunning(int pid);
// The process id written in a file name: one to nine digits; 0 for anything else.
int ProcessIdFrom(std::string_view digits);
