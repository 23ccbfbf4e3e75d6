#include "resources/pictures.h"

namespace qm {

const platform::Picture* pictureResource(int id)
{
    for (int i = 0; i < PICTURE_RESOURCE_COUNT; ++i)
        if (PICTURE_RESOURCES[i].id == id) return &PICTURE_RESOURCES[i].picture;
    return nullptr;
}

}
