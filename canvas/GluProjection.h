#pragma once

#include "core/ViewTransform.h"

// Projection and unprojection through GLU, as the desktop canvas picks and places points.
extern const bezier::Projection kGluProjection;
