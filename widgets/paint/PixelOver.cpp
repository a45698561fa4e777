#include "widgets/paint/PixelOver.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace widgets {

std::uint32_t OverPixel(std::uint32_t s, std::uint32_t d) {
  constexpr std::uint32_t kMask = 0x00FF00FF, kHalf = 0x00800080, kPlusOne = 0x10000100;
  const std::uint32_t rest = 255 - (s >> 24);
  const auto part = [&](std::uint32_t x, std::uint32_t y) {
    std::uint32_t t = (x & kMask) * rest + kHalf;
    t = ((t + ((t >> 8) & kMask)) >> 8) & kMask;
    t += y & kMask;
    t |= kPlusOne - ((t >> 8) & kMask);
    return t & kMask;
  };
  return part(d, s) | (part(d >> 8, s >> 8) << 8);
}

namespace {

// The scalar loop for what the vector one leaves: most pixels of a skin
// are opaque or empty.
inline void OverScalar(const std::uint32_t* from, std::uint32_t* to, int count) {
  for (int i = 0; i < count; ++i) {
    const std::uint32_t p = from[i];
    if (p >= 0xFF000000u)
      to[i] = p;
    else if (p != 0)
      to[i] = OverPixel(p, to[i]);
  }
}

#if defined(__SSE2__)
// Two pixels widened to 16 bits a channel: d * (255 - alpha of s) / 255,
// rounded as pixman's MUL_UN8 (x * a + 0x80, then (t + (t >> 8)) >> 8,
// which is (t * 0x101) >> 16).
inline __m128i MulRest(__m128i s16, __m128i d16) {
  __m128i alpha = _mm_shufflelo_epi16(s16, _MM_SHUFFLE(3, 3, 3, 3));
  alpha = _mm_shufflehi_epi16(alpha, _MM_SHUFFLE(3, 3, 3, 3));
  const __m128i rest = _mm_xor_si128(alpha, _mm_set1_epi16(0x00FF));
  const __m128i t = _mm_add_epi16(_mm_mullo_epi16(d16, rest), _mm_set1_epi16(0x0080));
  return _mm_mulhi_epu16(t, _mm_set1_epi16(0x0101));
}

// Four pixels; the sum saturates per byte as pixman's ADD_UN8.
inline __m128i Over4(__m128i s, __m128i d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = MulRest(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
  const __m128i hi = MulRest(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
  return _mm_adds_epu8(_mm_packus_epi16(lo, hi), s);
}
#endif

}  // namespace

void OverRow(const std::uint32_t* from, std::uint32_t* to, int count) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    // Alpha bits all set in all four: the source replaces; all zero: it
    // leaves the destination.
    const int alphas = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, opaque), opaque));
    if (alphas == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), s);
      continue;
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(s, _mm_setzero_si128())) == 0xFFFF) continue;
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), Over4(s, d));
  }
#endif
  OverScalar(from + i, to + i, count - i);
}

void OverColourRow(const std::uint32_t* from, std::uint32_t* to, int count, std::uint32_t colour) {
  const std::uint32_t below = 0xFF000000u | colour;
  int i = 0;
#if defined(__SSE2__)
  // The colour widened once; an empty pixel shows it, an opaque one itself.
  const __m128i zero = _mm_setzero_si128();
  const __m128i colours = _mm_set1_epi32(static_cast<int>(below));
  const __m128i wide = _mm_unpacklo_epi8(colours, zero);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    __m128i out;
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, opaque), opaque)) == 0xFFFF)
      out = s;
    else if (_mm_movemask_epi8(_mm_cmpeq_epi32(s, zero)) == 0xFFFF)
      out = colours;
    else
      out = _mm_adds_epu8(
          _mm_packus_epi16(MulRest(_mm_unpacklo_epi8(s, zero), wide), MulRest(_mm_unpackhi_epi8(s, zero), wide)), s);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), out);
  }
#endif
  for (; i < count; ++i) {
    const std::uint32_t p = from[i];
    to[i] = p >= 0xFF000000u ? p : OverPixel(p, below);
  }
}

}  // namespace widgets
