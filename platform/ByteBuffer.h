#pragma once
// A counted sequence of bytes: images, UTF-16 command lines and captured
// output travel in it. An empty vector is the "missing" buffer.
#include <cstdint>
#include <string>
#include <vector>

using ByteBuffer = std::vector<std::uint8_t>;

// n zero bytes; n of 0 or less gives an empty buffer.
inline ByteBuffer ZeroBytes(long long n) {
  return n > 0 ? ByteBuffer(static_cast<size_t>(n), 0) : ByteBuffer();
}

inline void AppendBytes(ByteBuffer& to, const ByteBuffer& from) {
  to.insert(to.end(), from.begin(), from.end());
}

// A text's characters without its terminating zero.
inline ByteBuffer TextToBytes(const std::string& text) {
  return ByteBuffer(text.begin(), text.end());
}

// Bytes read as text: up to the first zero byte, or all of them.
inline std::string BytesToText(const ByteBuffer& bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    if (b == 0) break;
    text.push_back(static_cast<char>(b));
  }
  return text;
}
