#pragma once

#include <QOpenGLWidget>

// What both OpenGL views need from the toolkit's OpenGL widget.

// Asks for a compatibility context, for fixed-function drawing and display lists, with a
// depth buffer for the depth test.
void requestFixedFunctionFormat(QOpenGLWidget &widget);

// Repaints at once: QOpenGLWidget only schedules paints, and repaint() may skip one, so the
// update request is handled before returning.
void repaintNow(QOpenGLWidget &widget);

// Deletes the widget's display lists that exist, with its context current.
void deleteDisplayLists(QOpenGLWidget &widget, std::initializer_list<GLuint> lists);
