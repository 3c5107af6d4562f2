// Where the picture box draws, by display mode: rows named by behaviour.
#include "platform/PictureGeometry.h"

#include <gtest/gtest.h>

namespace {

struct Row {
  const char* name;
  int mode, clientWidth, clientHeight, pictureWidth, pictureHeight;
  form::PictureDraw expected;
};

const Row kRows[] = {
    {"natural size at the top-left", 0, 308, 301, 100, 50, {0, 0, 100, 50, false}},
    {"natural size even when larger than the box", 0, 50, 40, 100, 80, {0, 0, 100, 80, false}},
    {"stretched fills the client area", 1, 308, 301, 100, 50, {0, 0, 308, 301, true}},
    {"stretched of the exact size is a plain copy", 1, 308, 301, 308, 301, {0, 0, 308, 301, false}},
    {"centred when it fits", 2, 308, 301, 100, 50, {104, 125, 100, 50, false}},
    {"centring halves truncate", 2, 309, 300, 100, 51, {104, 124, 100, 51, false}},
    {"exact size sits at the origin", 2, 308, 301, 308, 301, {0, 0, 308, 301, false}},
    {"too wide: shrunk by the width's scale, centred vertically", 2, 308, 301, 616, 100, {0, 125, 308, 50, true}},
    {"too tall: shrunk by the height's scale, centred horizontally", 2, 308, 301, 100, 602, {129, 0, 50, 301, true}},
    {"scaled sizes truncate: 9 x 0.5 gives 4", 2, 101, 100, 202, 9, {0, 47, 101, 4, true}},
    {"scaled sizes truncate: 8 / 3 gives 2", 2, 100, 100, 300, 8, {0, 49, 100, 2, true}},
    {"larger both ways: the smaller scale wins", 2, 100, 100, 400, 200, {0, 25, 100, 50, true}},
    {"a mode above 2 counts as 2", 7, 308, 301, 100, 50, {104, 125, 100, 50, false}},
    {"a mode below 0 counts as 0", -3, 308, 301, 100, 50, {0, 0, 100, 50, false}},
    {"no picture size: nothing drawn", 2, 308, 301, 0, 50, {0, 0, 0, 0, false}},
    {"an empty client area shrinks the picture to nothing", 2, 0, 0, 10, 10, {0, 0, 0, 0, true}},
};

TEST(PictureGeometry, Table) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    form::PictureDraw d =
        form::ComputePictureDraw(row.mode, row.clientWidth, row.clientHeight, row.pictureWidth, row.pictureHeight);
    EXPECT_EQ(d.left, row.expected.left);
    EXPECT_EQ(d.top, row.expected.top);
    EXPECT_EQ(d.width, row.expected.width);
    EXPECT_EQ(d.height, row.expected.height);
    EXPECT_EQ(d.stretched, row.expected.stretched);
  }
}

}  // namespace
