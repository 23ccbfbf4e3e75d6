#include "host/frame_loop.h"
#include "camera/camera_director.h"
#include "cars/car.h"
#include "host/compose_frame.h"
#include "host/run_state.h"
#include "host/settings.h"
#include "host/shot_counter.h"
#include "host/window_procedure.h"
#include "platform/cursor.h"
#include "platform/message_pump.h"
#include "world/sun_flare.h"

namespace qm {
namespace {

void consumeOffset(float& pending)
{
    if (pending == 0.0f) return;
    runState().mouseTravel += pending;
    pending = 0.0f;
    centreCursor();
}

} // namespace

void centreCursor()
{
    platform::Window* main = platform::mainWindow();
    platform::ClientSize size = platform::clientSize(main);
    platform::warpCursor(main, size.width / 2, size.height / 2);
}

void frameLoop(FrameTimer& timer)
{
    do {
        pumpMessages();
        runFrame(timer);
    } while (runState().running);
}

void pumpMessages()
{
    platform::Message message;
    while (platform::peekMessage(message)) {
        if (message.kind == platform::MessageKind::Quit) runState().running = false;
        else dispatchMessage(message);
    }
}

void runFrame(FrameTimer& timer)
{
    float dt = float(timer.elapsed());
    timer.start();
    updateFrame(dt);
    composeFrame(dt);
}

void updateFrame(float dt)
{
    advanceKeyframeClock(dt);
    sunFlare().update(double(dt));
    updateCars(dt);
    cameraDirector().update(dt);
    if (shotHasEnded()) onShotEnded();
    consumeMouseOffsets();
    if (settings().mouseExit && runState().mouseTravel > MOUSE_EXIT_TRAVEL)
        runState().running = false;
}

void updateCars(float dt)
{
    const ListenerPose listener = cameraListener();
    for (Car& car : cars()) car.update(dt, listener);
}

void consumeMouseOffsets()
{
    consumeOffset(runState().pendingMouseDX);
    consumeOffset(runState().pendingMouseDY);
}

} // namespace qm
