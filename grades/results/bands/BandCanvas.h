#pragma once
// The canvas of the advanced view's charts: it paints the last layout it was
// given every time it is exposed, so a covered window comes back whole.

#include "grades/results/core/band_graph.h"

#include <QWidget>

class BandCanvas : public QWidget {
    Q_OBJECT
public:
    explicit BandCanvas(QWidget* viewport);

    // Places the canvas in its viewport and paints `layout` from now on.
    void setChart(const bands::ChartLayout& layout);
    // Nothing drawn, placement kept.
    void clear();
    const bands::ChartLayout& chart() const { return layout_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bands::ChartLayout layout_;
};
