#pragma once
// A read-only IStream over bytes that stay the caller's: no copy is made.
// The bytes must outlive every reference to the stream and are never
// written. Objects are heap-allocated and end with their last Release.
#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <cstdint>

// A new stream at position 0 with one reference; null when memory runs out.
IStream* CreateByteStream(const std::uint8_t* bytes, std::size_t size);
