#pragma once
// Texts of the program are byte strings in code page 936. These helpers turn
// them into UTF-16LE for the wide-character system calls, always through
// code page 936 whatever the system's ANSI code page is.
#include <string>

#include "platform/ByteBuffer.h"

// UTF-16LE of the text through code page 936; with the 2-byte terminator
// unless cut is true.
ByteBuffer TextToWide(const std::string& text, bool cut);

// UTF-16LE of the byte string in codePage, with terminator; empty when the
// bytes before the first zero byte are none.
ByteBuffer AnsiToWideBytes(const ByteBuffer& bytes, unsigned codePage);

// The bytes before the first zero unit; a trailing odd byte is never kept.
ByteBuffer CutAtWideNul(const ByteBuffer& wide);

// Convenience for the wide Win32 calls: the text as a UTF-16 string (no
// terminator inside), through code page 936.
std::wstring WideText(const std::string& text);
// UTF-16 bytes (LE) to a string, up to the first zero unit.
std::wstring WideBytesToString(const ByteBuffer& wide);
// A UTF-16 string as LE bytes, without terminator.
ByteBuffer StringToWideBytes(const std::wstring& text);
