#pragma once

#include <QOpenGLWidget>

// What both OpenGL views need from the toolkit's OpenGL widget.

// Asks for a compatibility context, for fixed-function drawing and display lists, with a
// depth buffer for the depth test.
void requestFixedFunctionFormat(QOpenGLWidget &widget);

// Repaints at once: QOpenGLWidget only schedules paints, and repaint() may skip one, so the
// update request is handled before returning.
void repaintNow(QOpenGLWidget &widget);

// A viewport over the whole widget, in device pixels, and an orthographic projection of
// [-1, 1] x [-1, 1] between the depths `near` and `far`, whatever the widget's aspect ratio.
void setUnitSquareView(QOpenGLWidget &widget, int w, int h, double near, double far);

// Deletes the widget's display lists that exist, with its context current.
void deleteDisplayLists(QOpenGLWidget &widget, std::initializer_list<GLuint> lists);
