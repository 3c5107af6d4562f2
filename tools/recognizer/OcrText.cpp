// Text conversions of the recogniser. Tesseract writes UTF-8; the program
// that reads our output takes its bytes as text in the ANSI code page and
// shows them in a multi-line edit box, which breaks lines at "\r\n" only.
#include "tools/recognizer/OcrText.h"

#include <windows.h>

#include <vector>

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point that ends just before index end (exclusive).
unsigned CodePointBefore(const std::wstring& s, size_t end) {
  wchar_t last = s[end - 1];
  if (IsLowSurrogate(last) && end >= 2 && IsHighSurrogate(s[end - 2]))
    return 0x10000 + ((static_cast<unsigned>(s[end - 2]) - 0xD800) << 10) + (static_cast<unsigned>(last) - 0xDC00);
  return last;
}

unsigned CodePointAt(const std::wstring& s, size_t at) {
  wchar_t first = s[at];
  if (IsHighSurrogate(first) && at + 1 < s.size() && IsLowSurrogate(s[at + 1]))
    return 0x10000 + ((static_cast<unsigned>(first) - 0xD800) << 10) + (static_cast<unsigned>(s[at + 1]) - 0xDC00);
  return first;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == 0x3000; }

}  // namespace

std::wstring Utf8ToWide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], units);
  return wide;
}

bool IsCjkCodePoint(unsigned cp) {
  return (cp >= 0x2E80 && cp <= 0x2FDF) ||    // radicals
         (cp >= 0x3000 && cp <= 0x303F) ||    // CJK symbols and punctuation
         (cp >= 0x3040 && cp <= 0x31FF) ||    // kana, bopomofo and their extensions
         (cp >= 0x3400 && cp <= 0x4DBF) ||    // extension A
         (cp >= 0x4E00 && cp <= 0x9FFF) ||    // unified ideographs
         (cp >= 0xF900 && cp <= 0xFAFF) ||    // compatibility ideographs
         (cp >= 0xFE30 && cp <= 0xFE4F) ||    // vertical and compatibility forms
         (cp >= 0xFF00 && cp <= 0xFFEF) ||    // full-width and half-width forms
         (cp >= 0x20000 && cp <= 0x3FFFF);    // extensions B and later
}

std::wstring StripCjkSpaces(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != L' ') {
      out.push_back(text[i++]);
      continue;
    }
    size_t end = i;
    while (end < text.size() && text[end] == L' ') ++end;
    bool between = !out.empty() && end < text.size() && IsCjkCodePoint(CodePointBefore(out, out.size())) &&
                   IsCjkCodePoint(CodePointAt(text, end));
    if (!between) out.append(text, i, end - i);
    i = end;
  }
  return out;
}

std::wstring TidyRecognizedText(const std::wstring& text) {
  std::vector<std::wstring> lines(1);
  for (wchar_t c : text) {
    if (c == L'\f' || c == L'\r') continue;
    if (c == L'\n')
      lines.emplace_back();
    else
      lines.back().push_back(c);
  }
  for (std::wstring& line : lines) {
    line = StripCjkSpaces(line);
    size_t keep = line.size();
    while (keep > 0 && IsBlank(line[keep - 1])) --keep;
    line.resize(keep);
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::wstring out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += L"\r\n";
    out += lines[i];
  }
  return out;
}

std::string WideToCodePage(const std::wstring& text, unsigned codePage) {
  if (text.empty()) return std::string();
  int bytes = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], bytes, nullptr, nullptr);
  return out;
}
