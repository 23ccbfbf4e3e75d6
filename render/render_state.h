// The small render-state operations every drawing pass uses, and the one-time GL set-up.
#pragma once
#include "render/vec3.h"

namespace qm {

// Overlay space of begin2D: 800 x 600 units, origin at the bottom left.
constexpr float OVERLAY_WIDTH = 800.0f;
constexpr float OVERLAY_HEIGHT = 600.0f;

// The one-time state after the windows exist (lights, light model, initial projection and view).
// The brightness ramp is applied by the caller right after (applyBrightness, overlay/gamma_ramp.h).
void initGLState();

void setDepthTest(bool on);
void setLighting(bool on);
void setCullFace(bool on);
void setBlend(bool on);
void setDepthWrite(bool on);
void blendAdditive();
void blendAlpha();
void colorWhite();
void setColor(Vec3 colour, float alpha);
void setColor3(float r, float g, float b);
void setMaterialSpecular(Vec3 specular);
void setMaterialShininess(float shininess);
void pushMatrix();
void popMatrix();
void translate(Vec3 v);
void scaleUniform(float s);
void scale(Vec3 v);
void rotate(Vec3 axis, float degrees);
// 0 texture, 1 modelview, 2 projection; any other value does nothing.
void selectMatrixMode(int mode);
void resetTextureMatrix();
void setReflectionTextureMatrix();
// Unit 0 or 1: selects it and enables 2D texturing there; the unit stays selected.
void enableTextureUnit(int unit);
void resetTextureUnits();
void setSphereMapTexGen(bool on);
void setCubeReflectionTexGen(bool on);
// Plain 2D texturing on unit 0 only, no generated coordinates, identity texture matrix, no alpha
// test and no face culling: for screen quads that must not depend on the passes before them.
void beginBlendedQuads();
void begin2D();
void end2D();

} // namespace qm
