// The pictures the executable carries: bitmaps 107 (dialog picture) and 112 (preview) and icon 111.
#pragma once
#include "platform/dialog.h"

namespace qm {

constexpr int BITMAP_DIALOG_PICTURE = 107;
constexpr int BITMAP_PREVIEW_PICTURE = 112;
constexpr int ICON_PROGRAM = 111;

struct PictureResource {
    int id;
    platform::Picture picture;
};

// The picture with this resource id; null when there is none.
const platform::Picture* pictureResource(int id);

extern const PictureResource PICTURE_RESOURCES[];
extern const int PICTURE_RESOURCE_COUNT;

}
