#pragma once

#include "dsp/util/FastMath.h"

#include <algorithm>

namespace kavro
{
// The folding saturator in front of the filter. Drive d folds the signal 6.75 d times through a
// sine fold (the last fold partly), on a half-sample-interpolated path whose difference from the
// unfolded signal is smoothed by two all-pass states, then blends in by d.
class WavefoldDrive
{
public:
    struct Amount
    {
        float drive = 0.0f;
        int folds = 0;
        double fraction = 0.0;
    };

    // Once per base-rate sample, shared by the channels.
    static Amount amountFor (float drive)
    {
        drive = drive > 0.0f ? std::min (drive, 1.0f) : 0.0f; // NaN folds nothing
        const double n = 6.75 * drive;
        if (n <= 1.0)
            return { drive, 0, n };
        const int folds = (int) std::ceil (n) - 1;
        return { drive, folds, n - folds };
    }

    static double fold (double v)
    {
        constexpr double halfPi = 1.57079633;
        const double s = fastmath::sinQuarter (std::min (halfPi, std::abs (v) * halfPi));
        return v > 0.0 ? s : -s;
    }

    void reset() { *this = {}; }

    float process (float input, const Amount& amount)
    {
        if (amount.drive <= 0.0f)
            return input;

        constexpr double G = 0.915965594177219;
        const double x = input;
        const double u = 0.5 * (x + x1 + 0.041421356237309505 * (x3 - x2));
        x3 = x2;
        x2 = x1;
        x1 = x;

        // The two fold chains are independent: run them side by side.
        double foldedU = u, foldedX = x;
        for (int i = 0; i < amount.folds; ++i)
        {
            foldedU = fold (foldedU);
            foldedX = fold (foldedX);
        }
        const double d1 = amount.fraction * fold (foldedU) + (1.0 - amount.fraction) * foldedU - u;
        const double d2 = amount.fraction * fold (foldedX) + (1.0 - amount.fraction) * foldedX - x;

        const double b1 = G * b + d1;
        const double a1 = G * a - d1;
        a = G * a1 + d2;
        b = G * b1 - d2;
        const double r = (G * b1 + G * a + p) / 1.187 + x;
        p = 0.5 * G * a;
        return (float) (x + (r - x) * amount.drive);
    }

private:
    double x1 = 0.0, x2 = 0.0, x3 = 0.0;
    double a = 0.0, b = 0.0, p = 0.0;
};
} // namespace kavro
