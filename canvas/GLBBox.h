#pragma once

#include "canvas/Subdivision.h"
#include "canvas/ViewTransform.h"
#include "geometry/Polyline.h"
#include "geometry/PolylineList.h"

#include <QOpenGLWidget>

class QMouseEvent;

// Editing mode of the mouse.
using UserMode = int;
constexpr UserMode kSelectMode = 0;
constexpr UserMode kAddMode = 1;
constexpr UserMode kMoveMode = 2;

// The curve editor canvas: owns the control points, the subdivision levels, the drawn
// curve and the convex hull, draws them from two display lists and edits the control
// points from mouse input.
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
    std::size_t curveListVertexCount() const;
    void recomputeLevels();
    void computeConvexHull();
    int nearestControlPoint(double mx, double my);
    ViewTransform currentViewTransform();
    QPoint devicePosition(const QMouseEvent *event) const;
    void pressInSelectMode(int flippedY);
    void pressInAddMode(const ViewTransform &view, int flippedY);
    void pressInMoveMode(int flippedY);
    void updateGL();

    GLuint axesList = 0;
    GLuint curveList = 0;
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
    // Set when the curve changed before the context existed, so initializeGL builds it.
    bool curveListPending = false;
    // Storage the level cache reuses, so that a drag allocates nothing.
    LevelStorage levelStorage;
    // Vertex arrays on their way into the curve list, and how many vertices the list holds.
    std::vector<float> vertexStaging;
    std::size_t listVertices = 0;
    // Set when a large list was made or dropped: the next paint returns the freed heap.
    bool trimHeapAfterPaint = false;
    // The device pixel ratio the display lists' line widths were made for.
    qreal listPixelRatio = 1.0;
};
