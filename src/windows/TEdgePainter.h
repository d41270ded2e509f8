// The three-dimensional cell edges of the element lists (raised header cells, the bump edges of
// selected rows), drawn with the classic light, highlight, shadow and dark-shadow greys.
#pragma once

#include <QRect>

class QPainter;

namespace tabrix {

class TEdgePainter {
public:
    enum class Edge {
        kRaised,      // raised outer and inner
        kBump,        // raised outer, sunken inner
        kSoftSunken,  // sunken, the softer greys
        kSoftBump,    // bump, the softer greys
    };

    static void Draw(QPainter& painter, const QRect& rect, Edge edge);

private:
    // One ring: topLeft colour on the top and left lines, bottomRight on the others.
    static void Ring(QPainter& painter, const QRect& rect, unsigned topLeft, unsigned bottomRight);
};

}  // namespace tabrix
