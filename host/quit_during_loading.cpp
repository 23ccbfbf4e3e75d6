#include "host/quit_during_loading.h"
#include "platform/message_pump.h"

namespace qm {
namespace {
QuitDuringLoading quitAction = nullptr;
}

void setQuitDuringLoading(QuitDuringLoading action)
{
    quitAction = action;
}

void endRunIfQuitPending()
{
    if (quitAction && platform::quitPending()) quitAction();
}

} // namespace qm
