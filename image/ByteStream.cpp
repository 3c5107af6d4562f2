// Read-only stream over borrowed bytes. Decoders read the same image bytes
// the caller already holds, so a copy into a global block (the usual way to
// hand bytes to GDI+) is only cost: several megabytes of fresh pages for a
// screen-sized picture. Clones share the bytes and keep their own position.
#include "image/ByteStream.h"

#include <cstring>
#include <new>

namespace {

class ByteStream final : public IStream {
 public:
  ByteStream(const std::uint8_t* bytes, std::size_t size, std::size_t position)
      : bytes_(bytes), size_(size), position_(position) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) ||
        IsEqualIID(iid, IID_IStream)) {
      *object = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE Read(void* into, ULONG count, ULONG* read) override {
    if (!into && count > 0) return STG_E_INVALIDPOINTER;
    const std::size_t left = position_ < size_ ? size_ - position_ : 0;
    const ULONG n = static_cast<ULONG>(count < left ? count : left);
    if (n > 0) std::memcpy(into, bytes_ + position_, n);
    position_ += n;
    if (read) *read = n;
    // Reading past the end is not an error; the short count tells it.
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
    if (written) *written = 0;
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
    long long base = 0;
    switch (origin) {
      case STREAM_SEEK_SET:
        base = 0;
        break;
      case STREAM_SEEK_CUR:
        base = static_cast<long long>(position_);
        break;
      case STREAM_SEEK_END:
        base = static_cast<long long>(size_);
        break;
      default:
        return STG_E_INVALIDFUNCTION;
    }
    const long long target = base + move.QuadPart;
    // Past the end is allowed (reads there give nothing); before the start is not.
    if (target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<std::size_t>(target);
    if (now) now->QuadPart = static_cast<ULONGLONG>(target);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* to, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                   ULARGE_INTEGER* written) override {
    if (!to) return STG_E_INVALIDPOINTER;
    const std::size_t left = position_ < size_ ? size_ - position_ : 0;
    const ULONGLONG wanted = count.QuadPart < left ? count.QuadPart : left;
    ULONGLONG done = 0;
    HRESULT result = S_OK;
    while (done < wanted) {
      const ULONG chunk = static_cast<ULONG>(wanted - done < 0x10000000 ? wanted - done : 0x10000000);
      ULONG put = 0;
      result = to->Write(bytes_ + position_ + done, chunk, &put);
      done += put;
      if (FAILED(result) || put < chunk) break;
    }
    position_ += static_cast<std::size_t>(done);
    if (read) read->QuadPart = done;
    if (written) written->QuadPart = done;
    return FAILED(result) ? result : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    std::memset(stat, 0, sizeof(*stat));
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = size_;
    stat->grfMode = STGM_READ;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override {
    if (!copy) return STG_E_INVALIDPOINTER;
    *copy = new (std::nothrow) ByteStream(bytes_, size_, position_);
    return *copy ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~ByteStream() = default;

  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t position_;
  LONG references_ = 1;
};

}  // namespace

IStream* CreateByteStream(const std::uint8_t* bytes, std::size_t size) {
  return new (std::nothrow) ByteStream(bytes, size, 0);
}
