#pragma once

#include <cstdint>
#include <string>

// Milliseconds since an arbitrary start, as a 32-bit counter that wraps after about
// 49.7 days (the stand-in for GetTickCount / timeGetTime). Any thread.
uint32_t tickCount();

// Physical memory in bytes, reported as a 32-bit value: anything larger counts as
// 4,294,967,295. Any thread.
uint32_t physicalMemorySize();

// Seconds of wall-clock time with millisecond resolution.
double wallSeconds();

// The program file's full path and its folder (ending in "/"), from /proc/self/exe.
std::string programPath();
std::string programFolder();
