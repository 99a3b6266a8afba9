#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

// Faster evaluations of the transcendental functions the per-sample loops call. Each stays within a
// relative error of 1e-5 of the library function over the range the engine uses (tests pin the
// bounds), far below anything audible.
namespace kavro::fastmath
{
// 2^x for |x| < 126: the integer part goes into the exponent, 2^f for |f| <= 0.5 is a polynomial.
inline float exp2 (float x)
{
    // Round to nearest by truncation (no library call on baseline x86-64).
    const auto n = (float) static_cast<std::int32_t> (x + (x >= 0.0f ? 0.5f : -0.5f));
    const float f = x - n;
    // Taylor series of e^(f ln 2), degree 6: relative error below 2e-7 for |f| <= 0.5. Evaluated as
    // two short chains, which matters where exp2 sits on a per-sample critical path.
    constexpr float c1 = 0.693147180559945f, c2 = 0.240226506959101f, c3 = 0.0555041086648216f,
                    c4 = 0.00961812910762848f, c5 = 0.00133335581464284f, c6 = 0.000154035303933816f;
    const float f2 = f * f;
    const float p = (1.0f + f * c1) + f2 * ((c2 + f * c3) + f2 * ((c4 + f * c5) + f2 * c6));
    const auto exponentBits = static_cast<std::int32_t> (n + 127.0f) << 23;
    float scale;
    std::memcpy (&scale, &exponentBits, sizeof scale);
    return p * scale;
}

// log2 (x) for finite x > 0 (normal floats): the exponent from the bits, the mantissa m in
// [sqrt 1/2, sqrt 2) by log m = 2 atanh ((m - 1) / (m + 1)), series to z^9 (error below 1e-9).
inline float log2 (float x)
{
    std::int32_t bits;
    std::memcpy (&bits, &x, sizeof bits);
    int exponent = ((bits >> 23) & 0xff) - 127;
    bits = (bits & 0x007fffff) | 0x3f800000; // mantissa as a float in [1, 2)
    float m;
    std::memcpy (&m, &bits, sizeof m);
    if (m > 1.41421356f)
    {
        m *= 0.5f;
        ++exponent;
    }
    const float z = (m - 1.0f) / (m + 1.0f), z2 = z * z;
    const float lnM = 2.0f * z * (1.0f + z2 * (1.0f / 3 + z2 * (1.0f / 5 + z2 * (1.0f / 7 + z2 / 9))));
    return (float) exponent + lnM * 1.44269504f;
}

// sin (x) and cos (x) for x in [0, pi/2]: Taylor series to x^11 and x^14 (error below 6e-8 there),
// evaluated in Estrin's scheme so that the multiplications do not wait on each other in long
// chains such as the drive's folds.
inline double sinQuarter (double x)
{
    const double x2 = x * x, x4 = x2 * x2, x8 = x4 * x4;
    const double a = 1.0 - x2 / 6.0, b = 1.0 / 120.0 - x2 / 5040.0, c = 1.0 / 362880.0 - x2 / 39916800.0;
    return x * (a + x4 * b + x8 * c);
}

inline double cosQuarter (double x)
{
    const double x2 = x * x, x4 = x2 * x2, x8 = x4 * x4;
    const double a = 1.0 - x2 / 2.0, b = 1.0 / 24.0 - x2 / 720.0, c = 1.0 / 40320.0 - x2 / 3628800.0,
                 d = 1.0 / 479001600.0 - x2 / 87178291200.0;
    return a + x4 * b + x8 * (c + x4 * d);
}

// sin (2 pi p) for a phase p in [0, 1), folded onto the first quarter.
inline float sinTurn (float p)
{
    constexpr double twoPi = 6.283185307179586;
    if (p < 0.25f)
        return (float) sinQuarter (twoPi * p);
    if (p < 0.5f)
        return (float) sinQuarter (twoPi * (0.5 - p));
    if (p < 0.75f)
        return (float) -sinQuarter (twoPi * (p - 0.5));
    return (float) -sinQuarter (twoPi * (1.0 - p));
}

// tan (x) for x in [0, pi/2).
inline double tanQuarter (double x) { return sinQuarter (x) / cosQuarter (x); }

// tanh: an odd series near zero, 1 - 2 / (e^2x + 1) elsewhere.
template <typename T>
inline T tanh (T x)
{
    const T a = x < T (0) ? -x : x;
    T y;
    if (a < T (0.55))
    {
        const T a2 = a * a;
        y = a * (T (1) + a2 * (T (-1.0 / 3) + a2 * (T (2.0 / 15) + a2 * (T (-17.0 / 315) + a2 * (T (62.0 / 2835)
                + a2 * (T (-1382.0 / 155925) + a2 * (T (21844.0 / 6081075))))))));
    }
    else if (a < T (9))
    {
        y = T (1) - T (2) / ((T) fastmath::exp2 ((float) (a * T (2.885390081777927))) + T (1));
    }
    else
    {
        y = T (1);
    }
    return x < T (0) ? -y : y;
}
} // namespace kavro::fastmath
