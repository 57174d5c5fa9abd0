#pragma once

#include "canvas/VertexBuffer.h"
#include "core/CanvasEditing.h"
#include "geometry/Polyline.h"
#include "geometry/PolylineList.h"

#include <QOpenGLWidget>

class QMouseEvent;

// The curve editor canvas: owns the control points, the subdivision levels, the drawn
// curve and the convex hull, draws them (the axes from a display list, the geometry that
// changes with every edit from buffer objects) and edits the control points from mouse input.
// Its slots and handlers apply the toolkit-free rules to its members and then redraw.
class GLBBox : public QOpenGLWidget
{
    Q_OBJECT

public:
    explicit GLBBox(QWidget *parent = nullptr, const char *name = nullptr);
    ~GLBBox() override;

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

signals:
    void newDrawLevel(int level);
    void sendDegree(int count);
    void sendu(double u);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    virtual GLuint makeAxesList();

private:
    friend class GLBBoxTestAccess;

    void buildCurveList();
    void drawCurveBuffers();
    void recomputeLevels();
    void computeConvexHull();
    int nearestControlPoint(double mx, double my);
    ViewTransform currentViewTransform();
    QPoint devicePosition(const QMouseEvent *event) const;
    CanvasState state();
    void updateGL();

    GLuint axesList = 0;
    float xRot = 0.0f;
    float yRot = 0.0f;
    float zRot = 0.0f;
    float zoom = 1.25f;
    float xTrans = 0.0f;
    float yTrans = 0.0f;
    int mouseButton = 0;
    int mouseX = 0;
    int mouseY = 0;
    Polyline curve;
    Polyline controlPoints;
    PolylineList levels;
    Polyline hull;
    int drawLevel = 5;
    int computedLevel = 0;
    bool showPolyline = false;
    int selectedPoint = -1;
    bool showConvexHull = false;
    bool showSubDivPoints = false;
    UserMode userMode = kAddMode;
    // Storage the level cache reuses, so that a drag allocates nothing.
    LevelStorage levelStorage;

    // What buildCurveList put in the buffers: vertex counts of each part, in drawing order.
    struct CurveBufferContent
    {
        GLsizei curve = 0;
        bool polygonShown = false;
        GLsizei polygon = 0;
        bool hullShown = false;
        GLsizei hull = 0;
        GLsizei controlMarkers = 0;
        int selectedMarker = -1;
        bool subdivisionMarkersShown = false;
        GLsizei subdivisionMarkers = 0;

        std::size_t lineVertices() const { return std::size_t(curve) + polygon + hull; }
        std::size_t markerVertices() const;
    };
    // Positions of the curve, the control polygon and the hull.
    VertexBuffer lineBuffer;
    // Positions and normals of the control-point markers, then the subdivision-point markers.
    VertexBuffer markerBuffer;
    CurveBufferContent curveContent;
    // Whether the next paint hands the free heap back to the system: set when a large content
    // was made or dropped.
    bool trimHeapAfterPaint = false;
    // The device pixel ratio the axes list's line widths were made for.
    qreal listPixelRatio = 1.0;
};
