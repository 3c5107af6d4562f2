#pragma once
// Where a picture box draws its picture, by display mode. Pure: no window.

namespace form {

struct PictureDraw {
  int left, top, width, height;  // destination in client pixels
  bool stretched;                // drawn with StretchBlt (size differs from the picture's)
};

// mode 0: natural size at the top-left; 1: the whole client area;
// 2: centred, shrunk by the smaller scale when it does not fit.
PictureDraw ComputePictureDraw(int mode, int clientWidth, int clientHeight, int pictureWidth,
                               int pictureHeight);

}  // namespace form
