#pragma once
// Time-stamp names for notes, reminders, templates, snapshots and copied files:
// "%04d%02d%02d%02d%02d%02d%03d_%02d" of local time and a caller's discriminator.
#include <windows.h>

#include <string>

std::wstring uniqueTimeName(const SYSTEMTIME& localTime, int n);
// Reads the local clock.
std::wstring uniqueTimeName(int n);
