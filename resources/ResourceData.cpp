// Reading the embedded data back out of the executable. Resource memory is
// part of the mapped image, so it is copied into a ByteBuffer and needs no
// release; the cursor made from it belongs to the caller.
#include "resources/ResourceData.h"

#include <cstdint>
#include <cstring>

#include "resources/ResourceIds.h"

namespace {

// Offsets inside a cursor file: a 6-byte header, then 16-byte directory
// entries whose hot spot sits at +4 and +6, image size at +8, offset at +12.
constexpr size_t kDirHeaderSize = 6;
constexpr size_t kDirEntrySize = 16;
// Format version that CreateIconFromResourceEx expects for Win32 resources.
constexpr DWORD kIconResourceVersion = 0x00030000;
constexpr int kOverlayCursorSize = 32;

std::uint32_t ReadU16(const ByteBuffer& bytes, size_t at) {
  return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t ReadU32(const ByteBuffer& bytes, size_t at) {
  return ReadU16(bytes, at) | (ReadU16(bytes, at + 2) << 16);
}

}  // namespace

ByteBuffer LoadResourceBytes(int id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!info) return ByteBuffer();
  DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = ::LoadResource(module, info);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || size == 0) return ByteBuffer();
  const auto* first = static_cast<const std::uint8_t*>(data);
  return ByteBuffer(first, first + size);
}

ByteBuffer CursorResourceBits(const ByteBuffer& cursorFile) {
  if (cursorFile.size() < kDirHeaderSize + kDirEntrySize) return ByteBuffer();
  const size_t entry = kDirHeaderSize;
  const std::uint32_t hotX = ReadU16(cursorFile, entry + 4);
  const std::uint32_t hotY = ReadU16(cursorFile, entry + 6);
  const std::uint32_t imageSize = ReadU32(cursorFile, entry + 8);
  const std::uint32_t imageOffset = ReadU32(cursorFile, entry + 12);
  // Compared by subtraction, so a huge size or offset cannot wrap around.
  if (imageSize == 0 || imageOffset > cursorFile.size() ||
      imageSize > cursorFile.size() - imageOffset) {
    return ByteBuffer();
  }
  ByteBuffer bits(4 + imageSize);
  bits[0] = static_cast<std::uint8_t>(hotX & 0xFF);
  bits[1] = static_cast<std::uint8_t>(hotX >> 8);
  bits[2] = static_cast<std::uint8_t>(hotY & 0xFF);
  bits[3] = static_cast<std::uint8_t>(hotY >> 8);
  std::memcpy(bits.data() + 4, cursorFile.data() + imageOffset, imageSize);
  return bits;
}

HCURSOR LoadOverlayCursorFromResource() {
  ByteBuffer bits = CursorResourceBits(LoadResourceBytes(IDR_OVERLAY_CURSOR));
  if (bits.empty()) return nullptr;
  // FALSE: a cursor, so the two leading words are read as the hot spot.
  HICON made = ::CreateIconFromResourceEx(bits.data(), static_cast<DWORD>(bits.size()), FALSE,
                                          kIconResourceVersion, kOverlayCursorSize,
                                          kOverlayCursorSize, LR_DEFAULTCOLOR);
  return static_cast<HCURSOR>(made);
}
