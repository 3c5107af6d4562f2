#include "recognizer/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

ByteBuffer B(std::initializer_list<int> v) {
  ByteBuffer b;
  for (int x : v) b.push_back(static_cast<std::uint8_t>(x));
  return b;
}

TEST(TextToWide, AsciiWithAndWithoutTerminator) {
  EXPECT_EQ(TextToWide("abc", false), B({0x61, 0, 0x62, 0, 0x63, 0, 0, 0}));
  EXPECT_EQ(TextToWide("abc", true), B({0x61, 0, 0x62, 0, 0x63, 0}));
}

TEST(TextToWide, EmptyTextGivesEmptyBuffer) {
  EXPECT_TRUE(TextToWide("", false).empty());
  EXPECT_TRUE(TextToWide("", true).empty());
}

TEST(TextToWide, GbkIsUsedWhateverTheAnsiCodePage) {
  std::string gbk = "\xCA\xB6\xB1\xF0";
  EXPECT_EQ(TextToWide(gbk, false), B({0xC6, 0x8B, 0x2B, 0x52, 0, 0}));
  // The compiler emits the program's literals in code page 936 too.
  EXPECT_EQ(std::string("识别"), gbk);
}

TEST(TextToWide, InterpreterPrefixes) {
  EXPECT_EQ(TextToWide("cmd.exe /c ", true).size(), 22u);
  EXPECT_EQ(TextToWide("command.com /c ", true).size(), 30u);
}

TEST(AnsiToWideBytes, StopsAtFirstZeroByte) {
  EXPECT_EQ(AnsiToWideBytes(B({0x41, 0, 0x42}), 936), B({0x41, 0, 0, 0}));
  EXPECT_TRUE(AnsiToWideBytes(B({0, 0x41}), 936).empty());
  EXPECT_TRUE(AnsiToWideBytes(ByteBuffer(), 936).empty());
}

struct CutCase {
  const char* name;
  ByteBuffer input;
  ByteBuffer expected;
};

TEST(CutAtWideNul, Table) {
  const CutCase cases[] = {
      {"odd trailing byte dropped", B({0x41, 0, 0x42}), B({0x41, 0})},
      {"zero unit first", B({0, 0, 0x41, 0}), B({})},
      {"single byte", B({0x41}), B({})},
      {"no zero unit", B({0x41, 0, 0x42, 0}), B({0x41, 0, 0x42, 0})},
      {"stops at first zero unit", B({0x41, 0, 0, 0, 0x42, 0}), B({0x41, 0})},
      {"empty", B({}), B({})},
  };
  for (const auto& c : cases) EXPECT_EQ(CutAtWideNul(c.input), c.expected) << c.name;
}

TEST(WideText, RoundTripsChinese) {
  EXPECT_EQ(WideText("截屏(F10)"), std::wstring(L"\u622A\u5C4F(F10)"));
  EXPECT_EQ(WideBytesToString(StringToWideBytes(L"a\u4E2D")), L"a\u4E2D");
}

}  // namespace
