// quillmark-render: draws the saver's frames headless from data.rar in the current folder.
#include "tools/render/headless_renderer.h"

#include <cstdio>

int main(int argc, char** argv)
{
    qm::RenderOptions options;
    std::string error;
    if (!qm::parseRenderOptions(argc, argv, options, &error)) {
        std::fprintf(stderr, "quillmark-render: %s\n%s", error.c_str(), qm::renderUsage());
        return 2;
    }
    qm::HeadlessRenderer renderer;
    return renderer.run(options);
}
