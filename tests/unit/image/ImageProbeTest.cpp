// The size probe on bytes in memory, on files and on this program's own BMP
// layout; IsExistingFile on files, directories and missing paths.
#include "image/ImageProbe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "image/BmpEncoder.h"
#include "platform/Raii.h"
#include "recognizer/TextEncoding.h"

namespace {

// A 7 x 4 RGB PNG.
const std::uint8_t kPng7x4[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x07, 0x00, 0x00, 0x00, 0x04, 0x08, 0x02, 0x00, 0x00, 0x00, 0xCD, 0xA4, 0xB2, 0x2A, 0x00, 0x00, 0x00,
    0x3D, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x0D, 0xC8, 0x41, 0x01, 0x00, 0x30, 0x0C, 0x02, 0x31, 0x94, 0x54,
    0x09, 0x4A, 0xAA, 0x84, 0xE7, 0xA9, 0xA8, 0x12, 0x04, 0x6E, 0x79, 0x46, 0x12, 0x23, 0x2C, 0x56, 0x44, 0x9C,
    0xA8, 0x90, 0xCC, 0x18, 0x9B, 0x35, 0x31, 0x67, 0xEA, 0xBF, 0x61, 0x82, 0xC3, 0x86, 0x84, 0x0B, 0xCD, 0xDF,
    0x32, 0xC5, 0x65, 0x4B, 0xCA, 0x95, 0x96, 0x07, 0xEA, 0xD4, 0x21, 0xB1, 0x23, 0xE9, 0xFE, 0xBD, 0x00, 0x00,
    0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

ByteBuffer Png7x4() { return ByteBuffer(std::begin(kPng7x4), std::end(kPng7x4)); }

void Put32(ByteBuffer& b, size_t at, std::uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(ByteBuffer& b, size_t at, std::uint16_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

// A BMP with the common 40-byte info header, 24 bits per pixel.
ByteBuffer StandardBmp(int width, int height) {
  const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
  const std::uint32_t sizeImage = stride * height;
  ByteBuffer b(54 + sizeImage, 0x5A);
  Put16(b, 0, 0x4D42);
  Put32(b, 2, 54 + sizeImage);
  Put32(b, 6, 0);
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, width);
  Put32(b, 22, height);
  Put16(b, 26, 1);
  Put16(b, 28, 24);
  Put32(b, 30, 0);
  Put32(b, 34, sizeImage);
  Put32(b, 38, 2835);
  Put32(b, 42, 2835);
  Put32(b, 46, 0);
  Put32(b, 50, 0);
  return b;
}

// This program's own layout, made by the encoder from a real bitmap.
ByteBuffer OwnBmp(int width, int height) {
  raii::Bitmap bitmap(CreateBitmap(width, height, 1, 32, nullptr));
  return BitmapToBmpBytes(bitmap.Get());
}

std::string TempDir() {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  std::string text = dir;
  if (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

// Writes a file for the length of one test; the path is code page 936.
class TempFile {
 public:
  TempFile(const std::string& path, const ByteBuffer& bytes) : path_(path) {
    raii::Handle file(CreateFileW(WideText(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ok_ = file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
          written == bytes.size();
  }
  ~TempFile() { DeleteFileW(WideText(path_).c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  bool ok() const { return ok_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool ok_ = false;
};

TEST(ProbeImageSize, EmptyBufferGivesZero) {
  EXPECT_EQ(ProbeImageWidth(ByteBuffer()), 0);
  EXPECT_EQ(ProbeImageHeight(ByteBuffer()), 0);
}

TEST(ProbeImageSize, DecodesImageBytesFromMemory) {
  struct Case {
    const char* name;
    ByteBuffer bytes;
    std::int32_t width;
    std::int32_t height;
  };
  const Case cases[] = {
      {"standard BMP", StandardBmp(13, 5), 13, 5},
      {"PNG", Png7x4(), 7, 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProbeImageWidth(c.bytes), c.width) << c.name;
    EXPECT_EQ(ProbeImageHeight(c.bytes), c.height) << c.name;
  }
}

TEST(ProbeImageSize, GarbageBytesGiveZero) {
  ByteBuffer garbage(300, 0);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37 + 11);
  EXPECT_EQ(ProbeImageWidth(garbage), 0);
  EXPECT_EQ(ProbeImageHeight(garbage), 0);
  // A PNG cut short after its header is no image either.
  ByteBuffer cut = Png7x4();
  cut.resize(30);
  EXPECT_EQ(ProbeImageWidth(cut), 0);
}

// The capture command measures exactly these bytes to pick the display mode.
TEST(ProbeImageSize, ProgramsOwnBmpLayoutIsMeasured) {
  struct Case {
    int width;
    int height;
  };
  for (const Case c : {Case{300, 10}, Case{299, 300}, Case{2, 2}}) {
    ByteBuffer bytes = OwnBmp(c.width, c.height);
    ASSERT_EQ(bytes.size(), 58u + 4u * c.width * c.height);
    EXPECT_EQ(ProbeImageWidth(bytes), c.width) << c.width << "x" << c.height;
    EXPECT_EQ(ProbeImageHeight(bytes), c.height) << c.width << "x" << c.height;
  }
  // No bitmap on the clipboard: the header-only file measures 0.
  EXPECT_EQ(ProbeImageWidth(BitmapToBmpBytes(nullptr)), 0);
  EXPECT_EQ(ProbeImageHeight(BitmapToBmpBytes(nullptr)), 0);
}

TEST(ProbeImageSize, PathOfAnImageFileIsDecodedFromTheFile) {
  // The name is Chinese, so the path has to go through code page 936.
  TempFile png(TempDir() + "\\识别图片_probe.png", Png7x4());
  ASSERT_TRUE(png.ok());
  const ByteBuffer path = TextToBytes(png.path());
  EXPECT_EQ(ProbeImageWidth(path), 7);
  EXPECT_EQ(ProbeImageHeight(path), 4);
  // Bytes past a zero byte are not part of the path.
  ByteBuffer withTail = path;
  withTail.push_back(0);
  AppendBytes(withTail, ByteBuffer{1, 2, 3});
  EXPECT_EQ(ProbeImageWidth(withTail), 7);
}

TEST(ProbeImageSize, PathOfAFileThatIsNoImageGivesZero) {
  TempFile text(TempDir() + "\\snaptext_probe.txt", TextToBytes("no image here"));
  ASSERT_TRUE(text.ok());
  EXPECT_EQ(ProbeImageWidth(TextToBytes(text.path())), 0);
}

TEST(ProbeImageSize, PathOfADirectoryIsDecodedAsBytes) {
  const std::string dir = TempDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(ProbeImageWidth(TextToBytes(dir)), 0);
  EXPECT_EQ(ProbeImageHeight(TextToBytes(dir)), 0);
}

TEST(IsExistingFile, FilesDirectoriesAndMissingPaths) {
  TempFile file(TempDir() + "\\识别图片_exists.bin", ByteBuffer{1, 2, 3});
  ASSERT_TRUE(file.ok());
  EXPECT_TRUE(IsExistingFile(file.path()));
  EXPECT_FALSE(IsExistingFile(TempDir())) << "directory";
  EXPECT_FALSE(IsExistingFile(TempDir() + "\\snaptext_no_such_file.bin"));
  EXPECT_FALSE(IsExistingFile(""));
  // A wildcard counts when its first match is a file.
  EXPECT_TRUE(IsExistingFile(TempDir() + "\\识别图片_exist?.bin"));
}

ByteBuffer Mutated(ByteBuffer bytes, size_t at, std::uint32_t value) {
  Put32(bytes, at, value);
  return bytes;
}

TEST(ReadOwnBmpSize, AcceptsOnlyTheWellFormedOwnLayout) {
  const ByteBuffer own = OwnBmp(5, 3);
  ASSERT_EQ(own.size(), 58u + 60u);
  ByteBuffer topDown = Mutated(own, 22, static_cast<std::uint32_t>(-3));
  ByteBuffer notBm = own;
  notBm[1] = 'X';
  ByteBuffer cut = own;
  cut.resize(own.size() - 4);
  ByteBuffer eightBits = own;
  Put16(eightBits, 28, 8);
  struct Case {
    const char* name;
    ByteBuffer bytes;
    bool accepted;
    std::int32_t width;
    std::int32_t height;
  };
  const Case cases[] = {
      {"own layout", own, true, 5, 3},
      {"top-down rows", topDown, true, 5, 3},
      {"header-only file", BitmapToBmpBytes(nullptr), false, 0, 0},
      {"standard 40-byte header", StandardBmp(5, 3), false, 0, 0},
      {"not BM", notBm, false, 0, 0},
      {"pixel offset 54", Mutated(own, 10, 54), false, 0, 0},
      {"info size 40", Mutated(own, 14, 40), false, 0, 0},
      {"zero width", Mutated(own, 18, 0), false, 0, 0},
      {"negative width", Mutated(own, 18, static_cast<std::uint32_t>(-5)), false, 0, 0},
      {"zero height", Mutated(own, 22, 0), false, 0, 0},
      {"height beyond the rows", Mutated(own, 22, 4), false, 0, 0},
      {"huge width", Mutated(own, 18, 0x7FFFFFFF), false, 0, 0},
      {"file size mismatch", Mutated(own, 2, 200), false, 0, 0},
      {"image size mismatch", Mutated(own, 34, 64), false, 0, 0},
      {"compressed", Mutated(own, 30, BI_RLE8), false, 0, 0},
      {"palette depth", eightBits, false, 0, 0},
      {"truncated", cut, false, 0, 0},
      {"empty", ByteBuffer(), false, 0, 0},
  };
  for (const auto& c : cases) {
    std::int32_t width = -1;
    std::int32_t height = -1;
    EXPECT_EQ(ReadOwnBmpSize(c.bytes, width, height), c.accepted) << c.name;
    if (c.accepted) {
      EXPECT_EQ(width, c.width) << c.name;
      EXPECT_EQ(height, c.height) << c.name;
    }
  }
}

}  // namespace
