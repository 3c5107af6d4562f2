// BitmapToBmpBytes: a bitmap handle to BMP file bytes. The file always has
// the same shape: 14-byte file header, a 44-byte info block (biSize 44:
// BITMAPINFOHEADER plus one colour slot), BI_RGB pixel rows from offset 58.
// Bitmaps of 8 bits per pixel or fewer would need a colour table that this
// block cannot hold, so they are written at 24 bits per pixel; every reader
// of the file then sees one layout. The encoder keeps no state.
#include "image/BmpEncoder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/Raii.h"

namespace {

// The record handed to GetDIBits. Only its first 44 bytes go into the file,
// but it has room for a full colour table behind them.
// Wine: GetDIBits writes three colour masks after the header of a 16 or
// 32-bit bitmap even on the header-only call (at biSize, i.e. behind the
// 44 bytes), which would overrun a record of exactly 44 bytes.
struct WorkingInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};
static_assert(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) == kBmpInfoBlockSize,
              "the info block is the header and one colour slot");

void Put16(ByteBuffer& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(ByteBuffer& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

// File header and info block into the first 58 bytes of out.
void WriteHeaders(ByteBuffer& out, const WorkingInfo& info) {
  const std::uint32_t offBits = static_cast<std::uint32_t>(info.header.biSize) + kBmpFileHeaderSize;
  Put16(out, 0, 0x4D42);
  Put32(out, 2, offBits + info.header.biSizeImage);
  Put16(out, 6, 0);
  Put16(out, 8, 0);
  Put32(out, 10, offBits);
  std::memcpy(out.data() + kBmpFileHeaderSize, &info, kBmpInfoBlockSize);
}

// The header-only file: B and M, bfSize and bfOffBits 58, biSize 44 and
// 40 zero bytes.
ByteBuffer HeaderOnlyFile() {
  WorkingInfo info = {};
  info.header.biSize = kBmpInfoBlockSize;
  ByteBuffer out(kBmpPixelOffset, 0);
  WriteHeaders(out, info);
  return out;
}

// Bytes of BI_RGB rows (each a multiple of 4 bytes) for the header's width,
// height and depth; 0 when the header describes no image or the size does
// not fit the 32-bit file fields.
std::size_t PixelBlockSize(const BITMAPINFOHEADER& header) {
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biBitCount == 0) return 0;
  const std::uint64_t rowBytes =
      (static_cast<std::uint64_t>(header.biWidth) * header.biBitCount + 31) / 32 * 4;
  const std::uint64_t rows = static_cast<std::uint64_t>(std::llabs(static_cast<long long>(header.biHeight)));
  const std::uint64_t limit = std::numeric_limits<std::uint32_t>::max() - kBmpPixelOffset;
  if (rows > limit / rowBytes) return 0;
  const std::uint64_t size = rowBytes * rows;
  if (size > std::numeric_limits<std::size_t>::max() - kBmpPixelOffset) return 0;
  return static_cast<std::size_t>(size);
}

}  // namespace

bool AllocateZeroBytes(ByteBuffer& block, std::size_t size) {
  // The program uses no exceptions of its own; this only turns the standard
  // library's out-of-memory report into a plain false.
  try {
    block.assign(size, 0);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

ByteBuffer BitmapToBmpBytes(HBITMAP bitmap, PixelBlockAllocator allocate) {
  BITMAP record = {};
  GetObjectA(bitmap, sizeof(record), &record);
  const int scanLines = record.bmHeight;

  raii::MemDc dc(CreateCompatibleDC(nullptr));

  WorkingInfo info = {};
  info.header.biSize = kBmpInfoBlockSize;
  // With no bits and biBitCount 0 the system fills in the header alone.
  GetDIBits(dc.Get(), bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);

  // What the header query left behind the header (Wine's BI_BITFIELDS masks,
  // a palette) describes no BI_RGB row, so the colour slot is cleared and
  // holds only what the pixel call itself writes there.
  std::memset(info.colours, 0, sizeof(info.colours));
  info.header.biCompression = BI_RGB;
  if (info.header.biBitCount != 0 && info.header.biBitCount <= 8) {
    info.header.biBitCount = 24;
    info.header.biClrUsed = 0;
    info.header.biClrImportant = 0;
  }

  const std::size_t blockSize = PixelBlockSize(info.header);
  if (blockSize == 0) return HeaderOnlyFile();
  ByteBuffer out;
  if (!allocate(out, kBmpPixelOffset + blockSize) || out.size() != kBmpPixelOffset + blockSize)
    return HeaderOnlyFile();

  info.header.biSizeImage = static_cast<DWORD>(blockSize);
  GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(scanLines > 0 ? scanLines : 0),
            out.data() + kBmpPixelOffset, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  // The file's sizes describe the block that is really there, whatever the
  // pixel call left in biSizeImage.
  info.header.biSizeImage = static_cast<DWORD>(blockSize);
  WriteHeaders(out, info);
  return out;
}
