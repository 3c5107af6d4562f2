#pragma once
// The size of an image handed over as bytes, or as the path of an image file.
#include <cstdint>
#include <string>

#include "platform/ByteBuffer.h"

// Width / height in pixels of the image, decoded with GDI+. When the bytes
// read as text name an existing file, that file is decoded; otherwise the
// bytes themselves. 0 for every failure.
std::int32_t ProbeImageWidth(const ByteBuffer& image);
std::int32_t ProbeImageHeight(const ByteBuffer& image);

// True when the path (code page 936) names an existing entry that is not a
// directory. A path with wildcards counts when its first match is a file.
bool IsExistingFile(const std::string& path);

// Width and height read from the header of the BMP layout that
// BitmapToBmpBytes writes (44-byte info block, rows from offset 58); false
// for bytes that are not a well-formed file of exactly that layout. The
// height is given as a count of rows (positive).
bool ReadOwnBmpSize(const ByteBuffer& bytes, std::int32_t& width, std::int32_t& height);
