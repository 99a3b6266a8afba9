#pragma once

namespace kavro
{
// 4-point (third-order) Lagrange interpolation between b1 and b2 at fraction t in [0, 1), from the
// taps b0, b1, b2, b3 at positions -1, 0, 1, 2.
template <typename T>
inline T lagrange4 (T b0, T b1, T b2, T b3, T t)
{
    const T tm1 = t - T (1), tm2 = t - T (2), tp1 = t + T (1);
    return -t * tm1 * tm2 / T (6) * b0
           + tp1 * tm1 * tm2 / T (2) * b1
           - tp1 * t * tm2 / T (2) * b2
           + tp1 * t * tm1 / T (6) * b3;
}

// Reads a circular buffer at a fractional position in [0, length), wrapping the four taps around it.
template <typename T, typename Position>
inline T readLagrange (const T* buffer, int length, Position position)
{
    const int i = (int) position;
    const T t = (T) (position - (Position) i);
    auto wrap = [length] (int index) { return index < 0 ? index + length : (index >= length ? index - length : index); };
    return lagrange4 (buffer[wrap (i - 1)], buffer[i], buffer[wrap (i + 1)], buffer[wrap (i + 2)], t);
}
} // namespace kavro
