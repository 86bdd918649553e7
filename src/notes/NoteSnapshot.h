#pragma once
// The snapshot PNG of a note: the window's premultiplied pixels saved with straight alpha.
#include <string>

#include "NoteStore.h"

// False for an empty or oversized picture, or when GDI+ cannot write the file.
bool writeSnapshotPng(const TavSnapshotPixels& picture, const std::wstring& path);
