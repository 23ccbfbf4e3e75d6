#include "host/preview.h"
#include "host/screensaver_app.h"
#include "platform/message_box.h"
#include "platform/preview_window.h"
#include "resources/pictures.h"
#include <cstdio>

namespace qm {

int runPreview(const ScreensaverApp& app)
{
    static const platform::Picture none;
    const platform::Picture* picture = pictureResource(BITMAP_PREVIEW_PICTURE);
    int result = platform::runPreviewWindow(app.hostWindow, picture ? *picture : none);
    if (result == platform::PREVIEW_NO_DISPLAY) {
        std::fprintf(stderr, "quillmark: no display to show the preview on (%s)\n", platform::previewError());
        return 0;
    }
    if (result == 0) platform::messageBox(PREVIEW_FAILED_TEXT, PREVIEW_FAILED_CAPTION);
    return result;
}

}
