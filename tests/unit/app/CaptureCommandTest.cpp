#include "app/CaptureCommand.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "image/BmpEncoder.h"
#include "recognizer/TextEncoding.h"

namespace {

TEST(CaptureCommand, ImagePathHasOneBackslashBehindTheRunDirectory) {
  EXPECT_EQ(ImagePathIn(L"D:\\ocr"), L"D:\\ocr\\\u8BC6\u522B\u56FE\u7247.jpg");
  // A drive root's run directory is the drive alone.
  EXPECT_EQ(ImagePathIn(L"C:"), L"C:\\\u8BC6\u522B\u56FE\u7247.jpg");
}

TEST(CaptureCommand, RecognizerCommandQuotesTheImagePath) {
  EXPECT_EQ(RecognizerCommandWide(L"D:\\ocr"),
            TextToWide("Windows.Media.Ocr.Cli \"D:\\ocr\\识别图片.jpg\"", false));
  // A folder name no ANSI code page may spell stays as it is.
  std::wstring folder = L"C:\\\u622A\u56FE \u0416 & co";
  EXPECT_EQ(WideBytesToString(RecognizerCommandWide(folder)),
            L"Windows.Media.Ocr.Cli \"" + folder + L"\\\u8BC6\u522B\u56FE\u7247.jpg\"");
  ByteBuffer command = RecognizerCommandWide(folder);
  ASSERT_GE(command.size(), 2u);
  EXPECT_EQ(command[command.size() - 1], 0);
  EXPECT_EQ(command[command.size() - 2], 0);
}

TEST(CaptureCommand, LogTextIsTheOutputAndALineBreak) {
  EXPECT_EQ(LogTextFromOutput("abc"), L"abc\r\n");
  EXPECT_EQ(LogTextFromOutput(""), L"");
}

struct ModeCase {
  const char* name;
  int width, height;
  int expectedMode;
  bool heightMeasured;
};

TEST(CaptureCommand, DisplayModeFromTheImageSize) {
  const ModeCase cases[] = {
      {"wide enough alone, height not measured", 300, 10, 1, false},
      {"below in both directions", 299, 299, 2, true},
      {"tall enough", 299, 300, 1, true},
      {"nothing decoded", 0, 0, 2, true},
  };
  for (const ModeCase& c : cases) {
    bool measured = false;
    int mode = ChooseDisplayMode(c.width, [&] {
      measured = true;
      return c.height;
    });
    EXPECT_EQ(mode, c.expectedMode) << c.name;
    EXPECT_EQ(measured, c.heightMeasured) << c.name;
  }
}

HBITMAP SolidBitmap(int width, int height) {
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

void PutBitmapOnClipboard(HBITMAP bitmap) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, bitmap);
  CloseClipboard();
}

std::int32_t Read32(const ByteBuffer& b, size_t at) {
  return static_cast<std::int32_t>(b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
                                   (static_cast<std::uint32_t>(b.at(at + 3)) << 24));
}

TEST(ReadClipboardImage, TheClipboardBitmapAsTheProgramsBmpLayout) {
  PutBitmapOnClipboard(SolidBitmap(7, 5));
  ByteBuffer bytes = ReadClipboardImage();
  ASSERT_GT(bytes.size(), kBmpPixelOffset);
  EXPECT_EQ(Read32(bytes, 10), 58);
  EXPECT_EQ(Read32(bytes, 14), 44);
  EXPECT_EQ(Read32(bytes, 18), 7);
  EXPECT_EQ(Read32(bytes, 22), 5);
}

TEST(ReadClipboardImage, NoBitmapGivesTheHeaderOnlyFile) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(ReadClipboardImage().size(), kBmpPixelOffset);
}

TEST(ReadClipboardImage, WaitsForAProgramHoldingTheClipboardBriefly) {
  PutBitmapOnClipboard(SolidBitmap(3, 2));
  std::atomic<bool> held{false};
  std::atomic<bool> gaveUp{false};
  std::thread holder([&] {
    if (!OpenClipboard(nullptr)) {
      gaveUp = true;
      return;
    }
    held = true;
    Sleep(200);
    CloseClipboard();
  });
  while (!held && !gaveUp) Sleep(1);
  if (!held) {
    holder.join();
    FAIL() << "the holder thread could not open the clipboard";
  }
  ByteBuffer bytes = ReadClipboardImage();
  holder.join();
  ASSERT_GT(bytes.size(), kBmpPixelOffset);
  EXPECT_EQ(Read32(bytes, 18), 3);
}

}  // namespace
