#include "overlay/loading_screen.h"
#include "platform/gl_surface.h"
#include "render/render_state.h"

namespace qm {
namespace {

LoadingScreen instance;

} // namespace

void LoadingScreen::build()
{
    quadList = glGenLists(1);
    glNewList(quadList, GL_COMPILE);
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0, 0);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-1, 1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, 1, 0);
    glEnd();
    glEndList();
    glFinish();
    picture.load("load.jpg");
}

void LoadingScreen::present() const
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setLighting(false);
    begin2D();
    colorWhite();
    picture.bind();
    translate(Vec3(LOADING_PICTURE_CENTRE_X, LOADING_PICTURE_CENTRE_Y, 0));
    scale(Vec3(LOADING_PICTURE_HALF_WIDTH, LOADING_PICTURE_HALF_HEIGHT, 1));
    glCallList(quadList);
    setLighting(true);
    glFinish();
    end2D();
    platform::swapCurrentBuffers();
}

LoadingScreen& loadingScreen() { return instance; }
void resetLoadingScreen() { instance = LoadingScreen(); }

} // namespace qm
