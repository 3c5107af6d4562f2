#pragma once
// Access to the program's embedded data (resources.rc): the raw bytes of an
// RCDATA resource, and the overlay's own cursor made from its cursor file.
#include <windows.h>

#include "platform/ByteBuffer.h"

// Bytes of the RCDATA resource `id` in the executable; empty when missing.
ByteBuffer LoadResourceBytes(int id);

// The image part of a cursor file as CreateIconFromResourceEx takes it for a
// cursor: the hot spot as two 16-bit words (x, then y), then the image bytes
// that the file's first directory entry points at. Empty when the file is
// too short or its entry points outside it.
ByteBuffer CursorResourceBits(const ByteBuffer& cursorFile);

// The overlay cursor (IDR_OVERLAY_CURSOR), 32 x 32 with its hot spot at the
// arrow's tip; null on failure. The caller owns it (DestroyCursor).
HCURSOR LoadOverlayCursorFromResource();
