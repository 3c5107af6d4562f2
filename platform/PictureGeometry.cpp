// Display-mode geometry of the picture box. Every halving and every scaled
// size is an integer truncated toward zero, so a picture lands on the same
// pixels as on the system the layout was taken from.
#include "platform/PictureGeometry.h"

#include <algorithm>

namespace form {

PictureDraw ComputePictureDraw(int mode, int clientWidth, int clientHeight, int pictureWidth,
                               int pictureHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0) return PictureDraw{0, 0, 0, 0, false};
  clientWidth = std::max(clientWidth, 0);
  clientHeight = std::max(clientHeight, 0);
  mode = std::clamp(mode, 0, 2);

  if (mode == 0) return PictureDraw{0, 0, pictureWidth, pictureHeight, false};
  if (mode == 1) {
    bool sameSize = clientWidth == pictureWidth && clientHeight == pictureHeight;
    return PictureDraw{0, 0, clientWidth, clientHeight, !sameSize};
  }

  // Mode 2: each direction alone first.
  int left = 0, roomWidth = clientWidth;
  if (clientWidth >= pictureWidth) {
    left = (clientWidth - pictureWidth) / 2;
    roomWidth = pictureWidth;
  }
  int top = 0, roomHeight = clientHeight;
  if (clientHeight >= pictureHeight) {
    top = (clientHeight - pictureHeight) / 2;
    roomHeight = pictureHeight;
  }
  if (clientWidth >= pictureWidth && clientHeight >= pictureHeight)
    return PictureDraw{left, top, pictureWidth, pictureHeight, false};

  double scale = std::min(static_cast<double>(clientWidth) / pictureWidth,
                          static_cast<double>(clientHeight) / pictureHeight);
  int drawnWidth = static_cast<int>(pictureWidth * scale);
  int drawnHeight = static_cast<int>(pictureHeight * scale);
  left += (roomWidth - drawnWidth) / 2;
  top += (roomHeight - drawnHeight) / 2;
  return PictureDraw{left, top, drawnWidth, drawnHeight, true};
}

}  // namespace form
