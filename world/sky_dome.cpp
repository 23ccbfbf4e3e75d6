#include "world/sky_dome.h"
#include "assets/mesh.h"
#include "render/render_state.h"

namespace qm {
namespace {

GLuint domeList = 0;
bool domeHasFaces = false;
Texture domeTexture;

} // namespace

GLuint& skyDomeList() { return domeList; }
bool skyDomeLoaded() { return domeList != 0 && domeHasFaces; }
Texture& skyDomeTexture() { return domeTexture; }

void loadSky()
{
    Mesh dome;
    dome.load("skydome");
    domeList = dome.displayList;
    // A missing or broken member still gives a list, an empty one with a zero box.
    domeHasFaces = dome.maximum.x > dome.minimum.x || dome.maximum.y > dome.minimum.y || dome.maximum.z > dome.minimum.z;
    domeTexture.load("skydome.jpg");
}

void resetSky()
{
    domeList = 0;
    domeHasFaces = false;
    domeTexture = Texture();
}

void drawSkyDome(Vec3 eye)
{
    pushMatrix();
    translate(eye);
    domeTexture.bind();
    setDepthTest(false);
    resetTextureMatrix();
    setSphereMapTexGen(false);
    setLighting(false);
    setCullFace(false);
    setBlend(false);
    glCallList(domeList);
    setCullFace(true);
    setDepthTest(true);
    popMatrix();
}

} // namespace qm
