#include "host/window_procedure.h"
#include "host/run_state.h"

namespace qm {
namespace {

void storeMouseOffset(const platform::Message& m, platform::ClientSize client)
{
    int32_t centreX = client.width / 2;
    int32_t centreY = client.height / 2;
    runState().pendingMouseDX = float(m.x - centreX) * 0.5f;
    runState().pendingMouseDY = float(m.y - centreY) * 0.5f;
}

} // namespace

void windowProcedure(const platform::Message& message, platform::ClientSize client)
{
    using platform::MessageKind;
    switch (message.kind) {
    case MessageKind::MouseMove:
        storeMouseOffset(message, client);
        break;
    case MessageKind::KeyDown:
    case MessageKind::LeftButtonDown:
    case MessageKind::RightButtonDown:
    case MessageKind::Close:
    case MessageKind::Destroy:
        platform::postQuitMessage();
        break;
    case MessageKind::Quit:
        break;
    }
}

void dispatchMessage(const platform::Message& message)
{
    windowProcedure(message, platform::clientSize(platform::mainWindow()));
}

} // namespace qm
