#pragma once

#include "core/ParameterModel.h"

#include <QOpenGLWidget>

// Plots the Bernstein basis polynomials for a count of control points over the unit
// square, with a vertical line at the parameter u. Its members are the core's parameter model.
class GLParameter : public QOpenGLWidget, private bezier::ParameterModel
{
    Q_OBJECT

public:
    explicit GLParameter(QWidget *parent = nullptr, const char *name = nullptr);
    ~GLParameter() override;

    // The model's, which its sampling uses.
    using ParameterModel::binomial;
    using ParameterModel::factorial;

    // The slots and the signal are the view's public interface in the dialog, kept whether or
    // not anything in this program connects them.
public slots:
    void setDegree(int count);
    void setu(double value);

signals:
    void senddegree(int count);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    virtual int makeAxesList();

private:
    friend class GLParameterTestAccess;

    void buildCurveList();
    // Announces the degree, then the model samples the basis.
    void computeBasis();
    void updateGL();

    int axesList = 0;
    int curveList = 0;
    // Set when the plot changed before the context existed, so initializeGL builds it.
    bool curveListPending = false;
    // The device pixel ratio the display lists' line widths were made for.
    qreal listPixelRatio = 1.0;
};
