// Image size probe. Every call loads gdiplus.dll, starts GDI+, decodes the
// image afresh, asks one size and shuts GDI+ down again: no state survives a
// call. The GDI+ flat interface is bound at run time by export name.
//
// On the memory path GDI+ reads the caller's bytes through a read-only
// stream over them: a screen-sized picture is not copied into a global
// block first (that copy costs more than everything else of the probe).
#include "image/ImageProbe.h"

#include <windows.h>

#include <limits>

#include "image/BmpEncoder.h"
#include "image/ByteStream.h"
#include "platform/Raii.h"
#include "recognizer/TextEncoding.h"

namespace {

// The flat interface's records and entry points, as gdiplus.dll exports them.
struct GdiplusStartupInput {
  UINT32 GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};
using GpImage = void;
using GdiplusStartupFn = int(WINAPI*)(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
using GdiplusShutdownFn = void(WINAPI*)(ULONG_PTR token);
using GdipLoadImageFromFileFn = int(WINAPI*)(const WCHAR* path, GpImage** image);
using GdipLoadImageFromStreamFn = int(WINAPI*)(IStream* stream, GpImage** image);
using GdipGetImageSizeFn = int(WINAPI*)(GpImage* image, UINT* answer);
using GdipDisposeImageFn = int(WINAPI*)(GpImage* image);

struct ModuleTraits {
  static HMODULE Invalid() { return nullptr; }
  static bool IsValid(HMODULE v) { return v != nullptr; }
  static void Close(HMODULE v) { ::FreeLibrary(v); }
};
using Module = raii::Owned<HMODULE, ModuleTraits>;

template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
  // Through void(*)(): the one function type every other converts to
  // without a cast-function-type warning.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

enum class SizeQuery { kWidth, kHeight };

// The size as GDI+ decodes it; 0 when GDI+ is missing, cannot start, or
// cannot decode the file or the bytes.
std::int32_t ProbeWithGdiplus(const ByteBuffer& image, const std::string& text, bool isFile,
                              SizeQuery query) {
  Module gdiplus(LoadLibraryW(L"gdiplus.dll"));
  if (!gdiplus) return 0;
  auto startup = Bind<GdiplusStartupFn>(gdiplus.Get(), "GdiplusStartup");
  auto shutdown = Bind<GdiplusShutdownFn>(gdiplus.Get(), "GdiplusShutdown");
  auto loadFromFile = Bind<GdipLoadImageFromFileFn>(gdiplus.Get(), "GdipLoadImageFromFile");
  auto loadFromStream = Bind<GdipLoadImageFromStreamFn>(gdiplus.Get(), "GdipLoadImageFromStream");
  auto getSize = Bind<GdipGetImageSizeFn>(
      gdiplus.Get(), query == SizeQuery::kWidth ? "GdipGetImageWidth" : "GdipGetImageHeight");
  auto dispose = Bind<GdipDisposeImageFn>(gdiplus.Get(), "GdipDisposeImage");
  if (!startup || !shutdown || !loadFromFile || !loadFromStream || !getSize || !dispose) return 0;

  GdiplusStartupInput input = {1, nullptr, FALSE, FALSE};
  ULONG_PTR token = 0;
  if (startup(&token, &input, nullptr) != 0) return 0;

  GpImage* decoded = nullptr;
  if (isFile) {
    ByteBuffer path = TextToWide(text, false);
    loadFromFile(reinterpret_cast<const WCHAR*>(path.data()), &decoded);
  } else if (!image.empty()) {
    // The stream reads the caller's bytes where they are: they outlive the
    // image, which GDI+ decodes lazily through the stream after the load.
    if (IStream* stream = CreateByteStream(image.data(), image.size())) {
      loadFromStream(stream, &decoded);
      stream->Release();
    }
  }
  UINT answer = 0;
  if (decoded) {
    if (getSize(decoded, &answer) != 0) answer = 0;
    dispose(decoded);
  }
  shutdown(token);
  if (answer > static_cast<UINT>(std::numeric_limits<std::int32_t>::max())) return 0;
  return static_cast<std::int32_t>(answer);
}

std::int32_t ProbeImageSize(const ByteBuffer& image, SizeQuery query) {
  const std::string text = BytesToText(image);
  const bool isFile = IsExistingFile(text);
  std::int32_t answer = ProbeWithGdiplus(image, text, isFile, query);
  // Wine: GDI+ refuses BMPs whose info header is 44 bytes, the very layout
  // this program writes. Its size is in its header.
  std::int32_t width = 0;
  std::int32_t height = 0;
  if (answer == 0 && !isFile && ReadOwnBmpSize(image, width, height))
    answer = query == SizeQuery::kWidth ? width : height;
  return answer;
}

std::uint32_t Get32(const ByteBuffer& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t Get16(const ByteBuffer& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace

bool IsExistingFile(const std::string& path) {
  ByteBuffer wide = TextToWide(path, false);
  if (wide.empty()) return false;
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW(reinterpret_cast<const wchar_t*>(wide.data()), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool ReadOwnBmpSize(const ByteBuffer& bytes, std::int32_t& width, std::int32_t& height) {
  const std::size_t n = bytes.size();
  if (n < kBmpPixelOffset || n > std::numeric_limits<std::uint32_t>::max()) return false;
  if (Get16(bytes, 0) != 0x4D42 || Get32(bytes, 2) != n || Get32(bytes, 10) != kBmpPixelOffset ||
      Get32(bytes, 14) != kBmpInfoBlockSize)
    return false;
  const std::int32_t w = static_cast<std::int32_t>(Get32(bytes, 18));
  const std::int32_t h = static_cast<std::int32_t>(Get32(bytes, 22));
  const std::uint16_t planes = Get16(bytes, 26);
  const std::uint16_t bitCount = Get16(bytes, 28);
  const std::uint32_t compression = Get32(bytes, 30);
  const std::uint32_t sizeImage = Get32(bytes, 34);
  if (w <= 0 || h == 0 || h == std::numeric_limits<std::int32_t>::min() || planes != 1 ||
      compression != BI_RGB)
    return false;
  if (bitCount != 16 && bitCount != 24 && bitCount != 32) return false;
  // The rows the header declares must be the bytes that follow it.
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(w) * bitCount + 31) / 32 * 4;
  const std::uint64_t rows = static_cast<std::uint64_t>(h < 0 ? -static_cast<std::int64_t>(h) : h);
  if (sizeImage != n - kBmpPixelOffset || rowBytes * rows != sizeImage) return false;
  width = w;
  height = static_cast<std::int32_t>(rows);
  return true;
}

std::int32_t ProbeImageWidth(const ByteBuffer& image) { return ProbeImageSize(image, SizeQuery::kWidth); }

std::int32_t ProbeImageHeight(const ByteBuffer& image) { return ProbeImageSize(image, SizeQuery::kHeight); }
