// Unit tests of a flake: birth, physics steps and the pixels of its disc.

#include "snow/Flake.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace
{
using Pixels = std::set<std::pair<int, int>>;

struct Drawn
{
    Pixels pixels;
    int nRandomValues;
};

// Draws a flake centred well inside a fresh buffer; pixels are offsets from (20, 20).
Drawn DrawAt(double radius, int nRandom)
{
    CFrameBuffer frame;
    frame.Resize(40, 40);
    CDC dc(frame);
    const Flake f{0, 0, 20.0, 20.0, 1.0, radius};
    Drawn drawn;
    TestSupport::SeedSoNextRandIs(nRandom);
    drawn.nRandomValues = TestSupport::RandomValuesTaken([&] { f.Draw(dc); });
    for (auto [x, y] : TestSupport::WhitePixels(frame))
        drawn.pixels.insert({x - 20, y - 20});
    return drawn;
}

// A radius strictly inside band n (1..13).
double RadiusInBand(int n)
{
    return n == 1 ? 0.3 : (kRadiusThresholds[n - 2] + kRadiusThresholds[n - 1]) / 2;
}

const Pixels kPlus = {{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}};
const Pixels kBlock = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {0, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};

Pixels Plus(Pixels base, Pixels extra)
{
    base.insert(extra.begin(), extra.end());
    return base;
}
}   // namespace

TEST(RoundToInt, HalvesGoUpEvenWhenNegative)
{
    const std::pair<double, int> cases[] = {
        {2.5, 3}, {-2.5, -2}, {-0.5, 0}, {-0.6, -1}, {0.49, 0}, {10.4, 10}, {std::nextafter(0.5, 0.0), 1},
    };
    for (auto [v, expected] : cases)
    {
        SCOPED_TRACE(v);
        EXPECT_EQ(RoundToInt(v), expected);
    }
}

TEST(RoundToInt, OutOfRangeSaturates)
{
    EXPECT_EQ(RoundToInt(1e300), INT_MAX);
    EXPECT_EQ(RoundToInt(std::numeric_limits<double>::infinity()), INT_MAX);
    EXPECT_EQ(RoundToInt(-1e300), INT_MIN);
    EXPECT_EQ(RoundToInt(std::numeric_limits<double>::quiet_NaN()), INT_MIN);
    EXPECT_EQ(RoundToInt(2147483646.5), INT_MAX);
    EXPECT_EQ(RoundToInt(-2147483648.4), INT_MIN);
}

TEST(FlakeRaster, ThresholdsAreTheDiscAreasRoots)
{
    for (int n = 1; n <= 13; ++n)
    {
        SCOPED_TRACE(n);
        const long double exact = std::sqrt(static_cast<long double>(n) / 3.14159265358979323846264338327950288L);
        EXPECT_EQ(kRadiusThresholds[n - 1], static_cast<double>(exact));
    }
}

TEST(FlakeRaster, EveryOutcomeOfEveryBand)
{
    // band, the random value's outcomes (empty: the band takes no value), pixels of each outcome
    struct Case
    {
        int band;
        std::vector<Pixels> outcomes;
    };
    const std::vector<Case> cases = {
        {1, {{{0, 0}}}},
        {2, {{{0, 0}, {-1, 0}}, {{0, 0}, {1, 0}}, {{0, 0}, {0, -1}}, {{0, 0}, {0, 1}}}},
        {3,
         {{{0, 0}, {-1, 0}, {0, 1}}, {{0, 0}, {1, 0}, {0, -1}}, {{0, 0}, {-1, 0}, {0, -1}}, {{0, 0}, {1, 0}, {0, 1}}}},
        {4, {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}}},
        {5, {kPlus}},
        {6, {Plus(kPlus, {{-1, -1}}), Plus(kPlus, {{1, -1}}), Plus(kPlus, {{-1, 1}}), Plus(kPlus, {{1, 1}})}},
        {7, {Plus(kPlus, {{-1, -1}, {1, 1}}), Plus(kPlus, {{1, -1}, {-1, 1}})}},
        {8,
         {Plus(kPlus, {{-1, -1}, {1, -1}, {-1, 1}}), Plus(kPlus, {{1, -1}, {-1, 1}, {1, 1}}),
          Plus(kPlus, {{-1, 1}, {1, 1}, {-1, -1}}), Plus(kPlus, {{1, 1}, {-1, -1}, {1, -1}})}},
        {9, {kBlock}},
        {10, {Plus(kBlock, {{-2, -2}}), Plus(kBlock, {{2, -2}}), Plus(kBlock, {{-2, 2}}), Plus(kBlock, {{2, 2}})}},
        {11, {Plus(kBlock, {{0, -2}, {0, 2}}), Plus(kBlock, {{2, 0}, {-2, 0}})}},
        {12,
         {Plus(kBlock, {{0, -2}, {2, 0}, {0, 2}}), Plus(kBlock, {{2, 0}, {0, 2}, {-2, 0}}),
          Plus(kBlock, {{0, 2}, {-2, 0}, {0, -2}}), Plus(kBlock, {{-2, 0}, {0, -2}, {2, 0}})}},
        {13, {Plus(kBlock, {{0, -2}, {2, 0}, {0, 2}, {-2, 0}})}},
    };
    for (const Case& c : cases)
    {
        const bool bRandom = c.outcomes.size() > 1;
        for (std::size_t outcome = 0; outcome < c.outcomes.size(); ++outcome)
        {
            // Only the low bits count: outcome + 4 selects the same pattern as outcome.
            for (int v : {static_cast<int>(outcome), static_cast<int>(outcome) + 4, static_cast<int>(outcome) + 32764})
            {
                SCOPED_TRACE(testing::Message() << "band " << c.band << " value " << v);
                const Drawn drawn = DrawAt(RadiusInBand(c.band), v & 0x7FFF);
                EXPECT_EQ(drawn.pixels, c.outcomes[outcome]);
                EXPECT_EQ(drawn.pixels.size(), static_cast<std::size_t>(c.band));
                EXPECT_EQ(drawn.nRandomValues, bRandom ? 1 : 0);
            }
        }
    }
}

TEST(FlakeRaster, ThresholdsBelongToTheLowerBand)
{
    const Drawn atT1 = DrawAt(kRadiusThresholds[0], 0);
    EXPECT_EQ(atT1.pixels.size(), 1u);
    EXPECT_EQ(atT1.nRandomValues, 0);
    const Drawn aboveT1 = DrawAt(std::nextafter(kRadiusThresholds[0], 10.0), 0);
    EXPECT_EQ(aboveT1.pixels.size(), 2u);
    EXPECT_EQ(aboveT1.nRandomValues, 1);

    EXPECT_EQ(DrawAt(kRadiusThresholds[12], 0).pixels.size(), 13u);
}

TEST(FlakeRaster, AboveTheLastThresholdAnEllipseOfTheRoundedRadius)
{
    struct Case
    {
        double x, y, radius;
        CRect box;
    };
    const Case cases[] = {
        {20.0, 20.0, std::nextafter(kRadiusThresholds[12], 10.0), CRect(18, 18, 22, 22)},
        {20.0, 20.0, 2.4, CRect(18, 18, 22, 22)},
        {20.0, 20.0, 2.5, CRect(17, 17, 23, 23)},
        {20.0, 20.0, 3.5, CRect(16, 16, 24, 24)},
        {100.5, 50.2, 5.5, CRect(95, 44, 107, 56)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.radius);
        CFrameBuffer drawn;
        CFrameBuffer expected;
        drawn.Resize(120, 70);
        expected.Resize(120, 70);
        CDC dc(drawn);
        const Flake f{0, 0, c.x, c.y, 1.0, c.radius};
        EXPECT_EQ(TestSupport::RandomValuesTaken([&] { f.Draw(dc); }), 0);
        expected.Ellipse(c.box.left, c.box.top, c.box.right, c.box.bottom);
        EXPECT_EQ(TestSupport::WhitePixels(drawn), TestSupport::WhitePixels(expected));
        EXPECT_FALSE(TestSupport::WhitePixels(drawn).empty());
    }
}

TEST(FlakeRaster, ZeroNegativeAndNaNRadiiDrawTheCentreOnly)
{
    for (double radius : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN()})
    {
        SCOPED_TRACE(radius);
        const Drawn drawn = DrawAt(radius, 0);
        EXPECT_EQ(drawn.pixels, (Pixels{{0, 0}}));
        EXPECT_EQ(drawn.nRandomValues, 0);
    }
}

TEST(FlakeRaster, WorkedExamples)
{
    CFrameBuffer frame;
    frame.Resize(20, 20);
    CDC dc(frame);
    TestSupport::SeedSoNextRandIs(7);
    Flake{0, 0, 10.4, -0.5, 1.0, 0.9}.Draw(dc);   // band 3, outcome 3; the row above the top is dropped
    EXPECT_EQ(TestSupport::WhitePixels(frame), (Pixels{{10, 0}, {11, 0}, {10, 1}}));

    frame.FillSolidRect(CRect(0, 0, 20, 20), RgbColor(0, 0, 0));
    TestSupport::SeedSoNextRandIs(2);
    Flake{0, 0, 3.49, 7.5, 1.0, 1.5}.Draw(dc);   // band 8, outcome 2
    EXPECT_EQ(TestSupport::WhitePixels(frame),
              (Pixels{{3, 8}, {2, 8}, {4, 8}, {3, 7}, {3, 9}, {2, 9}, {4, 9}, {2, 7}}));
}

TEST(FlakeRaster, DrawingTwiceTakesTwoValues)
{
    CFrameBuffer frame;
    frame.Resize(10, 10);
    CDC dc(frame);
    const Flake f{0, 0, 5, 5, 1.0, RadiusInBand(2)};
    EXPECT_EQ(TestSupport::RandomValuesTaken([&] {
                  f.Draw(dc);
                  f.Draw(dc);
              }),
              2);
}

TEST(FlakeRaster, FarOffCentresNeitherCrashNorDraw)
{
    CFrameBuffer frame;
    frame.Resize(10, 10);
    CDC dc(frame);
    const double inf = std::numeric_limits<double>::infinity();
    for (double x : {1e300, -1e300, inf, std::numeric_limits<double>::quiet_NaN(), 2147483647.0})
        for (double radius : {0.3, 1.9, 2.03, 50.0, 1e300})
            Flake{0, 0, x, x, 1.0, radius}.Draw(dc);
    EXPECT_TRUE(TestSupport::WhitePixels(frame).empty());

    // A centre in view with an enormous radius covers the whole buffer.
    Flake{0, 0, 5, 5, 1.0, inf}.Draw(dc);
    EXPECT_EQ(TestSupport::WhitePixels(frame).size(), 100u);
}
