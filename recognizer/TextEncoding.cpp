// Code page 936 to UTF-16LE conversions. The source length handed to
// MultiByteToWideChar is -1, so a conversion ends at the first zero byte and
// the terminator is converted with the text.
#include "recognizer/TextEncoding.h"

#include <windows.h>

namespace {
constexpr unsigned kTextCodePage = 936;
}

ByteBuffer AnsiToWideBytes(const ByteBuffer& bytes, unsigned codePage) {
  ByteBuffer source = bytes;
  source.push_back(0);
  if (source[0] == 0) return ByteBuffer();
  const char* text = reinterpret_cast<const char*>(source.data());
  int units = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  ByteBuffer wide = ZeroBytes(2LL * units);
  if (wide.empty()) return wide;
  MultiByteToWideChar(codePage, 0, text, -1, reinterpret_cast<wchar_t*>(wide.data()), units);
  return wide;
}

ByteBuffer CutAtWideNul(const ByteBuffer& wide) {
  size_t n = wide.size();
  if (n < 2) return ByteBuffer();
  size_t k = 0;
  while (k + 2 <= n && !(wide[k] == 0 && wide[k + 1] == 0)) k += 2;
  return ByteBuffer(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(k));
}

ByteBuffer TextToWide(const std::string& text, bool cut) {
  ByteBuffer wide = AnsiToWideBytes(TextToBytes(text), kTextCodePage);
  return cut ? CutAtWideNul(wide) : wide;
}

std::wstring WideBytesToString(const ByteBuffer& wide) {
  ByteBuffer units = CutAtWideNul(wide);
  std::wstring result(units.size() / 2, L'\0');
  for (size_t i = 0; i < result.size(); ++i)
    result[i] = static_cast<wchar_t>(units[2 * i] | (units[2 * i + 1] << 8));
  return result;
}

ByteBuffer StringToWideBytes(const std::wstring& text) {
  ByteBuffer bytes;
  bytes.reserve(text.size() * 2);
  for (wchar_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
  }
  return bytes;
}

std::wstring WideText(const std::string& text) { return WideBytesToString(TextToWide(text, true)); }
