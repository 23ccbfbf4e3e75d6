// The one place the program's drawing code gets OpenGL 1.x, GLU and the extension tokens from.
#pragma once
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glext.h>
