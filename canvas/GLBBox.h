#pragma once

#include "canvas/VertexBuffer.h"
#include "core/CanvasEditing.h"
#include "core/Scene.h"
#include "core/VertexArrays.h"
#include "gl/GLWidgetSupport.h"

#include <QOpenGLWidget>

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;

// The curve editor canvas: owns the control points, the subdivision levels, the drawn
// curve and the convex hull, draws them (the axes from a display list, the geometry that
// changes with every edit from buffer objects) and edits the control points from mouse input.
// Its members are the core's canvas model; its slots and handlers apply the core's rules to
// them and finish every edit in finishEdit.
class GLBBox : public QOpenGLWidget, private bezier::CanvasModel
{
    Q_OBJECT

public:
    explicit GLBBox(QWidget *parent = nullptr, const char *name = nullptr);
    ~GLBBox() override;

    // The slots but undo and redo, and the signals, are the dialog's public interface to the
    // canvas, kept whether or not anything in this program connects them.
public slots:
    void setXRotation(int degrees);
    void setYRotation(int degrees);
    void setZRotation(int degrees);
    void setZoom(int value);
    void setAddMode();
    void setMoveMode();
    void setSelectMode();
    void deleteAllControlPoints();
    void changeDrawLevel(int level);
    void togglepolyline(bool show);
    void setShowConvexHull(bool show);
    void setShowSubDivPoints(bool show);
    // The editor's own: take back the last change of the control points, and bring it back;
    // the high-contrast look on or off.
    void undo();
    void redo();
    void setHighContrast(bool on);

signals:
    void newDrawLevel(int level);
    void sendDegree(int count);
    void sendu(double u);
    // The editing mode after every edit (kAddMode, kMoveMode, kDeleteMode), for the mode buttons
    // to show, even where a click on a button unchecked it.
    void modeShown(int mode);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    // Follows a change of the system's high-contrast setting.
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    virtual GLuint makeAxesList();

private:
    friend class GLBBoxTestAccess;
    // Reads the description from the model, so that it is never stale and sends no event.
    friend class CanvasAccessible;

    // Points out and in by the clipboard's keys; false for other keys.
    bool exchangeByClipboard(const QKeyEvent &event);
    // What follows every rule: the levels or the buffers brought up to date, the count
    // announced, the trace written, the repaint, and what is announced after it.
    void finishEdit(const bezier::EditResult &edit);
    void buildCurveList();
    // Executes one of the scene's runs that change with the curve (the axes' are in a list).
    void drawRun(const bezier::Scene &scene, const bezier::DrawRun &run, const bezier::SceneFrame &frame);
    // A dashed run, as quads in window pixels.
    void drawDashedLine(const bezier::DrawRun &run, const bezier::SceneFrame &frame);
    bezier::Look look() const { return bezier::lookOf(*this); }
    // The model's recompute, then the buffers rebuilt. computeConvexHull and
    // nearestControlPoint are the model's own, which the rules call.
    void recomputeLevels();
    // The viewport and matrices of the last paint, as GL reports them.
    bezier::ViewTransform currentViewTransform();
    void updateGL();

    GLuint axesList = 0;
    // Positions of the curve, the control polygon and the hull.
    VertexBuffer lineBuffer;
    // Positions and normals of the control-point markers, then the subdivision-point markers.
    VertexBuffer markerBuffer;
    // What buildCurveList put in the buffers.
    bezier::CurveBufferLayout curveContent;
    // Whether the next paint hands the free heap back to the system: set when a large content
    // was made or dropped.
    bool trimHeapAfterPaint = false;
    // The view of the last paint, for what the canvas says of its cursor outside a paint.
    bezier::ViewTransform paintedView;
    // The device pixel ratio and the look the axes list was made for.
    qreal listPixelRatio = 1.0;
    bezier::Look axesListLook = bezier::Look::Default;
    // The system's high-contrast setting as last read.
    bool systemContrast = false;
    ExactPointer pointer{*this};
};
