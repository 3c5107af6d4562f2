// The read-only stream over borrowed bytes: what decoders rely on (reads
// that stop at the end, seeks from every origin, the size from Stat, clones
// with their own position) and that it never writes.
#include "image/ByteStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct StreamRef {
  explicit StreamRef(IStream* s) : stream(s) {}
  ~StreamRef() {
    if (stream) stream->Release();
  }
  IStream* stream;
};

ULONGLONG SeekTo(IStream* stream, long long move, DWORD origin, HRESULT* result = nullptr) {
  LARGE_INTEGER by;
  by.QuadPart = move;
  ULARGE_INTEGER now;
  now.QuadPart = 0xDEADBEEF;
  const HRESULT hr = stream->Seek(by, origin, &now);
  if (result) *result = hr;
  return now.QuadPart;
}

const std::uint8_t kBytes[] = {10, 11, 12, 13, 14, 15, 16};

TEST(ByteStream, ReadsStopAtTheEndWithShortCounts) {
  StreamRef s(CreateByteStream(kBytes, sizeof kBytes));
  ASSERT_NE(s.stream, nullptr);
  std::uint8_t got[8] = {};
  ULONG read = 99;
  EXPECT_EQ(s.stream->Read(got, 3, &read), S_OK);
  EXPECT_EQ(read, 3u);
  EXPECT_EQ(got[0], 10);
  EXPECT_EQ(got[2], 12);
  EXPECT_EQ(s.stream->Read(got, 8, &read), S_FALSE);
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(got[0], 13);
  EXPECT_EQ(got[3], 16);
  EXPECT_EQ(s.stream->Read(got, 1, &read), S_FALSE);
  EXPECT_EQ(read, 0u);
}

TEST(ByteStream, SeeksFromEveryOriginAndRefusesBeforeTheStart) {
  StreamRef s(CreateByteStream(kBytes, sizeof kBytes));
  struct Case {
    long long move;
    DWORD origin;
    ULONGLONG expected;
    std::uint8_t byteThere;  // 0: nothing to read there
  };
  const Case cases[] = {
      {2, STREAM_SEEK_SET, 2, 12}, {1, STREAM_SEEK_CUR, 3, 13}, {-1, STREAM_SEEK_END, 6, 16},
      {-3, STREAM_SEEK_CUR, 3, 13}, {5, STREAM_SEEK_END, 12, 0},
  };
  for (const Case& c : cases) {
    HRESULT hr = E_FAIL;
    EXPECT_EQ(SeekTo(s.stream, c.move, c.origin, &hr), c.expected) << c.move << " from " << c.origin;
    EXPECT_EQ(hr, S_OK);
    std::uint8_t got = 0;
    ULONG read = 0;
    s.stream->Read(&got, 1, &read);
    EXPECT_EQ(read, c.byteThere ? 1u : 0u);
    EXPECT_EQ(got, c.byteThere);
    SeekTo(s.stream, -static_cast<long long>(read), STREAM_SEEK_CUR);
  }
  HRESULT hr = S_OK;
  SeekTo(s.stream, 0, STREAM_SEEK_SET);
  SeekTo(s.stream, -1, STREAM_SEEK_CUR, &hr);
  EXPECT_EQ(hr, STG_E_INVALIDFUNCTION);
  EXPECT_EQ(SeekTo(s.stream, 0, STREAM_SEEK_CUR), 0u) << "a refused seek leaves the position";
}

TEST(ByteStream, StatGivesTheSizeAndWritesAreRefused) {
  std::vector<std::uint8_t> bytes(kBytes, kBytes + sizeof kBytes);
  StreamRef s(CreateByteStream(bytes.data(), bytes.size()));
  STATSTG stat;
  ASSERT_EQ(s.stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.type, static_cast<DWORD>(STGTY_STREAM));
  EXPECT_EQ(stat.cbSize.QuadPart, sizeof kBytes);
  EXPECT_EQ(stat.pwcsName, nullptr);
  const std::uint8_t junk[2] = {0, 0};
  ULONG written = 5;
  EXPECT_TRUE(FAILED(s.stream->Write(junk, 2, &written)));
  EXPECT_EQ(written, 0u);
  ULARGE_INTEGER size;
  size.QuadPart = 1;
  EXPECT_TRUE(FAILED(s.stream->SetSize(size)));
  EXPECT_EQ(bytes, std::vector<std::uint8_t>(kBytes, kBytes + sizeof kBytes));
}

TEST(ByteStream, ClonesShareTheBytesButNotThePosition) {
  StreamRef s(CreateByteStream(kBytes, sizeof kBytes));
  SeekTo(s.stream, 4, STREAM_SEEK_SET);
  IStream* copy = nullptr;
  ASSERT_EQ(s.stream->Clone(&copy), S_OK);
  StreamRef c(copy);
  EXPECT_EQ(SeekTo(c.stream, 0, STREAM_SEEK_CUR), 4u);
  std::uint8_t got = 0;
  c.stream->Read(&got, 1, nullptr);
  EXPECT_EQ(got, 14);
  EXPECT_EQ(SeekTo(s.stream, 0, STREAM_SEEK_CUR), 4u);
  // The clone outlives the original: it holds its own reference.
  s.stream->Release();
  s.stream = nullptr;
  SeekTo(c.stream, 0, STREAM_SEEK_SET);
  c.stream->Read(&got, 1, nullptr);
  EXPECT_EQ(got, 10);
}

TEST(ByteStream, AnswersForItsInterfacesOnly) {
  StreamRef s(CreateByteStream(kBytes, sizeof kBytes));
  void* object = nullptr;
  ASSERT_EQ(s.stream->QueryInterface(IID_ISequentialStream, &object), S_OK);
  static_cast<IUnknown*>(object)->Release();
  EXPECT_EQ(s.stream->QueryInterface(IID_IStorage, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

}  // namespace
