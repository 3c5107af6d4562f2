#pragma once
// The recogniser's text side: Tesseract's UTF-8 made tidy and turned into the
// system's ANSI code page for standard output.
#include <string>

// UTF-8 to UTF-16; malformed bytes become U+FFFD.
std::wstring Utf8ToWide(const std::string& utf8);

// True for the ideographs, kana, CJK punctuation and full-width forms, where
// no space separates neighbours. Takes a code point, not a UTF-16 unit.
bool IsCjkCodePoint(unsigned codePoint);

// Tesseract separates Chinese characters by spaces as if they were words;
// spaces with a CJK character on both sides are removed, others kept.
std::wstring StripCjkSpaces(const std::wstring& text);

// The text as the recogniser prints it: form feeds and carriage returns
// dropped, CJK spaces stripped, trailing blanks of each line and the blank
// lines at the end removed, lines joined by "\r\n" with none at the end.
std::wstring TidyRecognizedText(const std::wstring& text);

// UTF-16 to the given code page (CP_ACP for the output); characters the code
// page lacks become its default character.
std::string WideToCodePage(const std::wstring& text, unsigned codePage);
