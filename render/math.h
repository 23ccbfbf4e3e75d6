// All of the shared math in one include: vectors, quaternions, matrices, interpolation.
#pragma once
#include "render/gl_matrix.h"
#include "render/hermite.h"
#include "render/quat.h"
#include "render/vec3.h"
