// Builds and presents one frame in the fixed order; also captures the transition picture.
#pragma once

namespace qm {

void composeFrame(float dt);
void captureTransitionFrame();

} // namespace qm
