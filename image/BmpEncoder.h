#pragma once
// A GDI bitmap as the bytes of a complete BMP file held in memory.
#include <windows.h>

#include <cstddef>

#include "platform/ByteBuffer.h"

// Byte layout of the files BitmapToBmpBytes writes: a 14-byte file header,
// a 44-byte info block whose biSize reads 44 (the header and one colour
// slot), then the pixel rows from offset 58.
constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::size_t kBmpInfoBlockSize = 44;
constexpr std::size_t kBmpPixelOffset = kBmpFileHeaderSize + kBmpInfoBlockSize;

// Makes block `size` zero bytes; false when the memory cannot be had.
using PixelBlockAllocator = bool (*)(ByteBuffer& block, std::size_t size);
bool AllocateZeroBytes(ByteBuffer& block, std::size_t size);

// The BMP file of the bitmap: BI_RGB rows, bottom row first, at the bitmap's
// own depth (16, 24 or 32 bits per pixel; palette bitmaps are written at 24).
// Never empty: a NULL or non-bitmap handle, or a bitmap too large to hold,
// gives the 58-byte header-only file. `allocate` is a seam for tests.
ByteBuffer BitmapToBmpBytes(HBITMAP bitmap, PixelBlockAllocator allocate = AllocateZeroBytes);
