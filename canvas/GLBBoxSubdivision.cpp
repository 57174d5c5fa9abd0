// Subdivision levels of the canvas: a cache of the curve at every depth up to the drawn one.
#include "canvas/GLBBox.h"

void GLBBox::recomputeLevels()
{
    ::recomputeLevels(state());
    buildCurveList();
}

void GLBBox::changeDrawLevel(int level)
{
    ::changeDrawLevel(state(), level);
    recomputeLevels();
    updateGL();
    emit newDrawLevel(drawLevel);
}
