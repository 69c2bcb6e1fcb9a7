#pragma once
// One snowflake: a small body falling through a viewing pyramid, and how it is drawn.

#include "platform/Dc.h"

// floor(v + 0.5): halves round towards +infinity. Values beyond int's range saturate, and NaN
// gives INT_MIN: such a point lies far outside any window.
int RoundToInt(double v);

// The shared generator's next value scaled to [0, 1], both ends included.
double UnitRandom();

// Radii at which a flake gains a pixel: Tn is the double nearest sqrt(n / pi), so a flake lights
// as many pixels as its disc's area, rounded up. Above T13 it is drawn as an ellipse.
inline constexpr double kRadiusThresholds[13] = {
    0.5641895835477563, 0.7978845608028654, 0.9772050238058398, 1.1283791670955126, 1.26156626101008,
    1.381976597885342,  1.4927053303604616, 1.5957691216057308, 1.692568750643269,  1.7841241161527712,
    1.8712051592547776, 1.9544100476116797, 2.0342144725641096,
};

struct Flake
{
    double vx;       // m/s, positive to the right
    double vy;       // m/s, positive downwards
    double x;        // pixels, client coordinates of the centre
    double y;        // pixels; 0 is the top edge
    double depth;    // in [(1/256)^(1/3), 1]: far flakes are small and slow
    double radius;   // pixels

    // Draws the flake in white: a cluster of single pixels as large as its disc, or an ellipse.
    // Some sizes choose their pixels with one value of the shared random generator.
    void Draw(CDC& dc) const { Draw(dc, DrawChoice()); }
    // The drawing in two steps, so that a frame can take its random values in flake order and
    // draw in another: the value Draw takes from the generator (0 when its size takes none), and
    // the drawing with that value.
    int DrawChoice() const;
    void Draw(CDC& dc, int nChoice) const;
    // Every pixel Draw may touch lies in this rectangle.
    CRect GetBoundRect() const;
    void DrawPlus(CDC& dc, int cx, int cy) const;
    void DrawBlock(CDC& dc, int cx, int cy) const;
};

static_assert(sizeof(Flake) == 6 * sizeof(double), "a flake is six doubles");
