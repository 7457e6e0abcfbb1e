// QuantileEstimatorSet's AVX-512 path. This file alone is compiled for AVX-512 (and without
// floating-point contraction, see fn/CMakeLists.txt); the set calls it only where the processor
// has AVX-512. Its one external function is that path: the kernel's helpers have internal
// linkage, and the set's inline accessors, emitted here in unoptimised builds, are integer
// pointer arithmetic that no instruction set changes.

#include <immintrin.h>

#include "fn/stats/MarkerMoves.h"

namespace fn {

namespace {

// Eight lanes as AVX-512 keeps them. Its comparisons give a mask register; the generic vector
// notation would turn that into a vector and back at every step, which made the kernel slower
// than the AVX2 one. The arithmetic is the same instructions, so every lane rounds alike.
struct Mask8
{
    __mmask8 bits;
    Mask8 operator&(Mask8 o) const { return {__mmask8(bits & o.bits)}; }
    Mask8 operator|(Mask8 o) const { return {__mmask8(bits | o.bits)}; }
    Mask8& operator&=(Mask8 o)
    {
        bits &= o.bits;
        return *this;
    }
};

struct Double8
{
    __m512d v;
    Double8 operator+(Double8 o) const { return {_mm512_add_pd(v, o.v)}; }
    Double8 operator-(Double8 o) const { return {_mm512_sub_pd(v, o.v)}; }
    Double8 operator*(Double8 o) const { return {_mm512_mul_pd(v, o.v)}; }
    Double8 operator/(Double8 o) const { return {_mm512_div_pd(v, o.v)}; }
    Double8& operator+=(Double8 o)
    {
        v = _mm512_add_pd(v, o.v);
        return *this;
    }
    // Ordered comparisons, false where either side is not a number, as the vector notation's.
    Mask8 operator<(Double8 o) const { return {_mm512_cmp_pd_mask(v, o.v, _CMP_LT_OQ)}; }
    Mask8 operator<=(Double8 o) const { return {_mm512_cmp_pd_mask(v, o.v, _CMP_LE_OQ)}; }
    Mask8 operator>(Double8 o) const { return {_mm512_cmp_pd_mask(v, o.v, _CMP_GT_OQ)}; }
    Mask8 operator>=(Double8 o) const { return {_mm512_cmp_pd_mask(v, o.v, _CMP_GE_OQ)}; }
    Mask8 operator==(Double8 o) const { return {_mm512_cmp_pd_mask(v, o.v, _CMP_EQ_OQ)}; }
};

template <>
struct Lanes<Double8>
{
    using Mask = Mask8;
    static constexpr std::size_t count = 8;
};

template <>
inline Double8 load<Double8>(const double* p)
{
    return {_mm512_loadu_pd(p)};
}

template <>
inline void store<Double8>(double* p, const Double8& v)
{
    _mm512_storeu_pd(p, v.v);
}

template <>
inline Double8 broadcast<Double8>(double x)
{
    return {_mm512_set1_pd(x)};
}

template <>
inline Double8 select(const Mask8& m, const Double8& a, const Double8& b)
{
    return {_mm512_mask_blend_pd(m.bits, b.v, a.v)};
}

template <>
inline bool lane(const Mask8& m, std::size_t j)
{
    return (m.bits >> j) & 1u;
}

template <>
inline bool any(const Mask8& m)
{
    return m.bits != 0;
}

template <>
inline bool all(const Mask8& m)
{
    return m.bits == 0xff;
}

} // namespace

void QuantileEstimatorSet::moveMarkersAvx512(QuantileEstimatorSet& set)
{
    moveMarkers<Double8>(set);
}

} // namespace fn
