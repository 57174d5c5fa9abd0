#pragma once

#include <QString>

// What both views need of OpenGL, tried before any window is shown: an OpenGL widget on
// this platform, a context for it, and in that context the fixed-function pipeline with
// display lists. Returns why that cannot be had, or an empty string when all is there.
QString missingOpenGLSupport();

// Whether the toolkit runs on a platform whose windows a user sees on a desktop.
bool onDesktopPlatform();
