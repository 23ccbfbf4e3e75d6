#include "cars/car_passes.h"
#include "cars/car.h"
#include "cars/car_resources.h"
#include "render/gl.h"
#include "render/gl_matrix.h"
#include "render/random.h"
#include "render/render_state.h"

#include <cmath>

namespace qm {
namespace {

constexpr float MODEL_SCALE = 0.0011f;
constexpr float SHADOW_SCALE = 0.003f;
const Vec3 ILLUMINATION_SCALE{0.003f, 0.003f, 1.0f};
constexpr GLfloat LIGHT_POSITION[4] = {6000, 6000, 14000, 1};
constexpr GLfloat LIGHT_DIRECTION[3] = {0, 0, -1};
constexpr float BODY_AMBIENT = 0.2f;
constexpr float REFLECTION_AMBIENT = 0.1f;
constexpr float TYRE_SHININESS = 10.0f;
constexpr float RIM_SHININESS = 6.0f;
constexpr float TYRE_SPECULAR_OFFSET = 0.5f;
constexpr float RIM_SPECULAR_OFFSET = 0.9f;
constexpr float WHEEL_SPIN_DEGREES = 360.0f * 10.0f;   // ten turns per section
constexpr float HELMET_TURN = 0.5f;
constexpr float HELMET_LEAN = -1.5f;
constexpr float HELMET_LEAN_THRESHOLD = 5.0f;
constexpr float HELMET_JITTER_RANGE = 6.0f;
constexpr float HELMET_JITTER_OFFSET = 3.0f;

const Vec3 UP_AXIS{0, 0, 1};
const Vec3 SIDE_AXIS{1, 0, 0};
const Vec3 FORWARD_AXIS{0, 1, 0};

// Artwork that failed to load leaves list 0, which GL refuses with an error: skip it instead.
void callList(GLuint list)
{
    if (list != 0) glCallList(list);
}

void setGlobalAmbient(float grey)
{
    const GLfloat ambient[4] = {grey, grey, grey, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}

void specularGrey(float g)
{
    setMaterialSpecular(Vec3(g, g, g));
}

// The car's frame onto the current matrix, at the given model scale.
void placeOnFrame(const TrackFrame& frame, float modelScale)
{
    translate(frame.position);
    multMatrixByBasis(frame.right, frame.forward, frame.up);
    scaleUniform(modelScale);
}

// The illumination coordinates follow the car's place on the light map and its heading.
void loadIlluminationMatrix(const Car& car)
{
    selectMatrixMode(0);
    glLoadIdentity();
    translate(car.lightMapCoord);
    scale(ILLUMINATION_SCALE);
    multMatrixByBasis(car.frame.right, car.frame.forward, car.frame.up);
    selectMatrixMode(1);
}

// Place, steer, mirror and spin wheel i; right-side wheels are the same mesh turned round.
void placeWheel(const Car& car, int i)
{
    translate(car.wheelPositions[size_t(i)]);
    if (i < 2) rotate(UP_AXIS, car.frame.steer);
    const float spin = car.fraction * WHEEL_SPIN_DEGREES;
    if (i == 0 || i == 2) {
        rotate(UP_AXIS, 180.0f);
        rotate(SIDE_AXIS, -spin);
    } else {
        rotate(SIDE_AXIS, spin);
    }
}

// The four wheels with one of the wheel meshes, each lit by its light-map sample: the specular
// grey always, the colour too when tinted.
void drawWheels(const Car& car, GLuint list, float specularOffset, bool tinted)
{
    if (!car.visible || car.wheelPositions.size() < 4) return;
    for (int i = 0; i < 4; ++i) {
        const float l = car.wheelLight[i];
        if (tinted) setColor3(l, l, l);
        specularGrey(l - specularOffset);
        pushMatrix();
        placeWheel(car, i);
        callList(list);
        popMatrix();
    }
}

template <void (Car::*Step)() const>
void forVisibleCars()
{
    for (const Car& car : cars()) {
        if (!car.visible) continue;
        pushMatrix();
        car.applyTransform();
        (car.*Step)();
        popMatrix();
    }
}

void cleanUpAfterCars()
{
    enableTextureUnit(1);
    setCubeReflectionTexGen(false);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    enableTextureUnit(0);
    setLighting(false);
    setBlend(false);
    setDepthWrite(true);
    colorWhite();
    resetTextureUnits();
}

} // namespace

void Car::applyTransform() const
{
    placeOnFrame(frame, MODEL_SCALE);
}

void Car::drawShadow() const
{
    pushMatrix();
    placeOnFrame(frame, SHADOW_SCALE);
    setDepthTest(false);
    setBlend(true);
    blendAlpha();
    callList(shadowList);
    setBlend(false);
    setDepthTest(true);
    popMatrix();
}

void beginBodyPass()
{
    glLightfv(GL_LIGHT1, GL_POSITION, LIGHT_POSITION);
    glLightfv(GL_LIGHT1, GL_SPOT_DIRECTION, LIGHT_DIRECTION);
    setLighting(true);
    glEnable(GL_LIGHT1);
    setGlobalAmbient(BODY_AMBIENT);
    enableTextureUnit(1);
    carResources().illuminationTexture.bind();
    enableTextureUnit(0);
    glDepthFunc(GL_LESS);
}

void Car::drawBody() const
{
    if (!visible) return;
    enableTextureUnit(1);
    loadIlluminationMatrix(*this);
    enableTextureUnit(0);
    bodyTexture.bind();
    callList(bodyList);
}

void beginReflectionPass()
{
    setGlobalAmbient(REFLECTION_AMBIENT);
    enableTextureUnit(0);
    carResources().skyboxCube.bind();
    setCubeReflectionTexGen(true);
    setReflectionTextureMatrix();
    setBlend(true);
    blendAdditive();
    glDepthFunc(GL_LEQUAL);
    setDepthWrite(false);
    enableTextureUnit(1);
}

void Car::drawReflection() const
{
    if (!visible) return;
    loadIlluminationMatrix(*this);
    callList(reflectionList);
}

void beginTyrePass()
{
    setGlobalAmbient(BODY_AMBIENT);
    enableTextureUnit(0);
    setCubeReflectionTexGen(false);
    resetTextureUnits();
    resetTextureMatrix();
    setBlend(false);
    setDepthWrite(true);
    glDepthFunc(GL_LESS);
    colorWhite();
    setMaterialShininess(TYRE_SHININESS);
    carResources().tyreTexture.bind();
}

void Car::drawTyres() const
{
    drawWheels(*this, carResources().wheelPass0List, TYRE_SPECULAR_OFFSET, false);
}

void beginRimPass()
{
    setBlend(true);
    blendAlpha();
    glDepthFunc(GL_LEQUAL);
    setDepthWrite(false);
    colorWhite();
    setMaterialShininess(RIM_SHININESS);
    carResources().wheelTexture.bind();
}

void Car::drawRims() const
{
    drawWheels(*this, carResources().wheelPass1List, RIM_SPECULAR_OFFSET, true);
}

void beginHelmetPass()
{
    enableTextureUnit(1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    resetTextureMatrix();
    setMaterialShininess(RIM_SHININESS);
    enableTextureUnit(0);
    resetTextureUnits();
    setDepthWrite(true);
}

float helmetLean(float steer)
{
    float lean = HELMET_LEAN * steer;
    if (std::fabs(lean) > HELMET_LEAN_THRESHOLD)
        lean += float(randUnit()) * HELMET_JITTER_RANGE - HELMET_JITTER_OFFSET;
    return lean;
}

void Car::drawHelmet() const
{
    const CarResources& r = carResources();
    pushMatrix();
    translate(helmetOffset);
    rotate(UP_AXIS, HELMET_TURN * frame.steer);
    rotate(FORWARD_AXIS, helmetLean(frame.steer));

    setBlend(false);
    helmetTexture.bind();
    const float c = centreLight;
    specularGrey(c - TYRE_SPECULAR_OFFSET);
    setColor3(c, c, c);
    enableTextureUnit(1);
    glDisable(GL_TEXTURE_2D);
    enableTextureUnit(0);
    glDepthFunc(GL_LESS);
    callList(r.helmetList);

    specularGrey(0.0f);
    setBlend(true);
    blendAdditive();
    enableTextureUnit(0);
    setSphereMapTexGen(true);
    r.chromeTexture.bind();
    enableTextureUnit(1);
    r.specularLevelTexture.bind();
    glDepthFunc(GL_LEQUAL);
    setLighting(false);
    callList(r.helmetList);
    setLighting(true);

    popMatrix();
    resetTextureUnits();
    setSphereMapTexGen(false);
    setBlend(false);
}

void drawCarPasses()
{
    for (Car& car : cars()) car.prepareForDrawing();
    carResources().shadowTexture.bind();
    for (const Car& car : cars()) car.drawShadow();
    beginBodyPass();
    forVisibleCars<&Car::drawBody>();
    beginReflectionPass();
    forVisibleCars<&Car::drawReflection>();
    setCubeReflectionTexGen(false);
    beginTyrePass();
    forVisibleCars<&Car::drawTyres>();
    beginRimPass();
    forVisibleCars<&Car::drawRims>();
    beginHelmetPass();
    forVisibleCars<&Car::drawHelmet>();
    cleanUpAfterCars();
}

} // namespace qm
