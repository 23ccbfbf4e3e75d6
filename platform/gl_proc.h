// GL procedure lookup for the extension loader, for whichever context is current.
#pragma once

namespace qm::platform {
void* getGLProcAddress(const char* name);
}
