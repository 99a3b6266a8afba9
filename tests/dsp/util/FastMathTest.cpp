#include "dsp/util/FastMath.h"
#include "dsp/util/Lagrange.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
namespace fm = kavro::fastmath;

// Largest relative error of an approximation against the library function, over a dense sweep.
double worstRelativeError (const std::function<double (double)>& fast, const std::function<double (double)>& exact,
                           double from, double to, int steps = 200000)
{
    double worst = 0.0;
    for (int i = 0; i <= steps; ++i)
    {
        const double x = from + (to - from) * i / steps;
        const double reference = exact (x);
        if (reference != 0.0)
            worst = std::max (worst, std::abs (fast (x) - reference) / std::abs (reference));
    }
    return worst;
}

TEST (FastMath, StaysWithinOnePartIn100000OfTheLibrary)
{
    struct Case
    {
        const char* name;
        std::function<double (double)> fast, exact;
        double from, to;
    };
    const double pi = 3.14159265358979323846;
    const Case cases[] = {
        { "exp2", [] (double x) { return fm::exp2 ((float) x); }, [] (double x) { return std::exp2 ((double) (float) x); }, -40.0, 40.0 },
        { "tanh float", [] (double x) { return fm::tanh ((float) x); }, [] (double x) { return std::tanh ((double) (float) x); }, -20.0, 20.0 },
        { "tanh double", [] (double x) { return fm::tanh (x); }, [] (double x) { return std::tanh (x); }, -20.0, 20.0 },
        { "tanh near zero", [] (double x) { return fm::tanh (x); }, [] (double x) { return std::tanh (x); }, -1.0e-3, 1.0e-3 },
        { "sin", fm::sinQuarter, [] (double x) { return std::sin (x); }, 1.0e-9, pi / 2 },
        { "cos", fm::cosQuarter, [] (double x) { return std::cos (x); }, 0.0, 0.49 * pi },
        { "tan", fm::tanQuarter, [] (double x) { return std::tan (x); }, 1.0e-9, 0.49 * pi },
    };
    for (const auto& c : cases)
        EXPECT_LT (worstRelativeError (c.fast, c.exact, c.from, c.to), 1.0e-5) << c.name;
}

TEST (FastMath, LogarithmIsWithinTenMicroOctaves)
{
    double worst = 0.0;
    for (double x = 1.0e-12; x < 1.0e6; x *= 1.0007)
        worst = std::max (worst, std::abs ((double) fm::log2 ((float) x) - std::log2 ((double) (float) x)));
    EXPECT_LT (worst, 1.0e-5);
}

TEST (Lagrange, IsExactForCubicsAndHitsItsTaps)
{
    auto cubic = [] (double x) { return 0.5 * x * x * x - 2.0 * x * x + x - 3.0; };
    for (double t : { 0.0, 0.25, 0.5, 0.9 })
        EXPECT_NEAR (kavro::lagrange4 (cubic (-1), cubic (0), cubic (1), cubic (2), t), cubic (t), 1.0e-12) << t;

    // Around the end of a circular buffer the taps wrap.
    const float buffer[] = { 10.0f, 1.0f, 2.0f, 3.0f };
    EXPECT_FLOAT_EQ (kavro::readLagrange (buffer, 4, 0.0), 10.0f);
    EXPECT_FLOAT_EQ (kavro::readLagrange (buffer, 4, 3.0), 3.0f);
    EXPECT_TRUE (std::isfinite (kavro::readLagrange (buffer, 4, 3.999)));
}
} // namespace
