#include "tools/recognizer/OcrText.h"
#include "tools/recognizer/TesseractRun.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct SpaceCase {
  const char* name;
  std::wstring in;
  std::wstring out;
};

class StripCjkSpacesRows : public ::testing::TestWithParam<SpaceCase> {};

TEST_P(StripCjkSpacesRows, KeepsOnlyMeaningfulSpaces) { EXPECT_EQ(StripCjkSpaces(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(
    Rows, StripCjkSpacesRows,
    ::testing::Values(
        SpaceCase{"BetweenIdeographs", L"截 图 识 字", L"截图识字"},
        SpaceCase{"RunsOfSpaces", L"截  图", L"截图"},
        SpaceCase{"LatinWordsKeepTheirSpaces", L"Hello World 2026", L"Hello World 2026"},
        SpaceCase{"IdeographBesideLatinKeepsIt", L"保存为 PNG 文件", L"保存为 PNG 文件"},
        SpaceCase{"FullWidthPunctuationCounts", L"你好 ， 世界 。", L"你好，世界。"},
        SpaceCase{"KanaCounts", L"カ タ", L"カタ"},
        SpaceCase{"LeadingAndTrailingSpacesKept", L" 截 ", L" 截 "},
        SpaceCase{"SurrogatePairIdeograph", L"\xD840\xDC00 \x4E00", L"\xD840\xDC00\x4E00"},
        SpaceCase{"LoneSurrogateIsNotCjk", L"\xDC00 \x4E00", L"\xDC00 \x4E00"},
        SpaceCase{"Empty", L"", L""}),
    [](const ::testing::TestParamInfo<SpaceCase>& info) { return std::string(info.param.name); });

TEST(IsCjkCodePoint, Ranges) {
  EXPECT_TRUE(IsCjkCodePoint(0x4E00));
  EXPECT_TRUE(IsCjkCodePoint(0x9FFF));
  EXPECT_TRUE(IsCjkCodePoint(0x3002));   // 。
  EXPECT_TRUE(IsCjkCodePoint(0xFF0C));   // ，
  EXPECT_TRUE(IsCjkCodePoint(0x20000));  // extension B
  EXPECT_FALSE(IsCjkCodePoint('A'));
  EXPECT_FALSE(IsCjkCodePoint(0x00E9));
  EXPECT_FALSE(IsCjkCodePoint(0xAC00));  // Hangul keeps its spaces
}

TEST(TidyRecognizedText, WindowsLineBreaksAndNoTrailingBlankLines) {
  EXPECT_EQ(TidyRecognizedText(L"Hello World 2026\n\f"), L"Hello World 2026");
  EXPECT_EQ(TidyRecognizedText(L"第 一 行  \n\nsecond line\t\n \n\n"), L"第一行\r\n\r\nsecond line");
  EXPECT_EQ(TidyRecognizedText(L"a\r\nb"), L"a\r\nb");
  EXPECT_EQ(TidyRecognizedText(L"\n\f"), L"");
  EXPECT_EQ(TidyRecognizedText(L""), L"");
}

TEST(Utf8ToWide, DecodesAndReplacesMalformedBytes) {
  EXPECT_EQ(Utf8ToWide("\xE6\x88\xAA\xE5\x9B\xBE" "A"), L"截图A");
  EXPECT_EQ(Utf8ToWide(""), L"");
  std::wstring bad = Utf8ToWide("a\xFF" "b");
  EXPECT_EQ(bad, L"a\xFFFD" L"b");
}

TEST(WideToCodePage, ChineseInCodePage936AndReplacementElsewhere) {
  EXPECT_EQ(WideToCodePage(L"截图 ok", 936), "\xBD\xD8\xCD\xBC ok");
  EXPECT_EQ(WideToCodePage(L"caf\xE9", 1252), "caf\xE9");
  EXPECT_EQ(WideToCodePage(L"截", 1252), "?");
  EXPECT_EQ(WideToCodePage(L"", 936), "");
}

TEST(SplitExitTrailer, SeparatesTextAndCode) {
  std::string text;
  int code = -1;
  ASSERT_TRUE(SplitExitTrailer("Hello\n\n\x1f" "exit=0\n", &text, &code));
  EXPECT_EQ(text, "Hello\n");
  EXPECT_EQ(code, 0);
  ASSERT_TRUE(SplitExitTrailer("\n\x1f" "exit=124\n", &text, &code));
  EXPECT_EQ(text, "");
  EXPECT_EQ(code, 124);
  // The last trailer counts: recognised text cannot fake the status.
  ASSERT_TRUE(SplitExitTrailer("x\n\x1f" "exit=0\n\n\x1f" "exit=1\n", &text, &code));
  EXPECT_EQ(code, 1);
}

TEST(SplitExitTrailer, MissingOrDamagedTrailerIsReported) {
  std::string text;
  int code = 0;
  EXPECT_FALSE(SplitExitTrailer("", &text, &code));
  EXPECT_FALSE(SplitExitTrailer("Hello World\n", &text, &code));
  EXPECT_FALSE(SplitExitTrailer("Hello\n\x1f" "exit=\n", &text, &code));
  EXPECT_FALSE(SplitExitTrailer("Hello\n\x1f" "exit=12x\n", &text, &code));
}

TEST(HostPaths, DriveZAndScriptSafety) {
  EXPECT_EQ(HostPathOnDriveZ("/usr/bin/tesseract"), L"Z:\\usr\\bin\\tesseract");
  EXPECT_TRUE(IsUsableHostPath("/usr/bin/tesseract"));
  EXPECT_TRUE(IsUsableHostPath("/opt/ocr-5.3/bin/tesseract"));
  EXPECT_FALSE(IsUsableHostPath(""));
  EXPECT_FALSE(IsUsableHostPath("tesseract"));
  EXPECT_FALSE(IsUsableHostPath("/tmp/it's"));
  EXPECT_FALSE(IsUsableHostPath("/tmp/a\"b"));
  EXPECT_FALSE(IsUsableHostPath("/tmp/a\\b"));
  EXPECT_FALSE(IsUsableHostPath("/tmp/a\nb"));
}

TEST(BuildTesseractCommandLine, RunsTheProgramUnderATimeLimitAndReportsItsCode) {
  TesseractSettings settings;
  settings.program = "/usr/bin/tesseract";
  settings.timeoutSeconds = 30;
  std::wstring line = BuildTesseractCommandLine(settings);
  EXPECT_EQ(line.rfind(L"/bin/sh -c \"", 0), 0u) << line;
  EXPECT_NE(line.find(L"/usr/bin/timeout -k 2 30 '/usr/bin/tesseract' stdin stdout -l chi_sim+eng --psm 6"),
            std::wstring::npos)
      << line;
  EXPECT_NE(line.find(L"exit=%d"), std::wstring::npos);
  // Exactly the two quotes around the script: anything more would split it.
  size_t quotes = 0;
  for (wchar_t c : line) quotes += c == L'"';
  EXPECT_EQ(quotes, 2u);
  EXPECT_EQ(line.back(), L'"');
}

}  // namespace
