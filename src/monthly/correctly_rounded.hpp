// exp and log10 rounded correctly: the exact value rounded to the nearest
// double, ties to even. The C libraries' own functions differ from one system
// (and processor) to another in the last bit, and the reports must not.
//
// Everything is computed in integer arithmetic, so that no compiler setting
// (contraction into fused multiply-adds, x87 precision) and no rounding mode
// can change a bit: a fast path in 128-bit fixed point with a proven error
// bound, and, when its result is too near the midpoint between two doubles to
// round with certainty, a slow path in fixed point of 256 and then 960 bits.
#pragma once

#include <cstdint>

namespace tiral {

// NaN gives NaN; +inf gives +inf, -inf gives +0; an overflow gives +inf, an
// underflow a subnormal or +0.
double correctly_rounded_exp(double x);

// NaN and x < 0 give NaN; ±0 gives -inf, +inf gives +inf; exact powers of ten
// give their exponent.
double correctly_rounded_log10(double x);

// The two paths on their own, for the tests that prove one against the other.
namespace correctly_rounded_paths {

// False where the fast path cannot round with certainty; the result then is
// left as it was.
bool fast_exp(double x, double& result);
bool fast_log10(double x, double& result);
// The fast path of log10 without its first, 64-bit step.
bool second_step_log10(double x, double& result);

// The slow path for every argument, whatever the fast path would say.
double slow_exp(double x);
double slow_log10(double x);

// The fast path's last step: the rounding of ±v * 2^scale, v = high 2^64 +
// low, when every number within `bound` of v rounds the same way; false,
// leaving `result` as it was, when one might not.
bool round_if_certain(std::uint64_t high, std::uint64_t low, std::uint64_t bound, int scale, bool negative,
                      double& result);

}  // namespace correctly_rounded_paths

}  // namespace tiral
