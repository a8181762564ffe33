#pragma once

// Looking through text for the first of a few bytes, sixteen bytes at a time where the
// processor can: histories make up most of an exchanged file, and the readers and writers
// look through every byte of them.

#include <array>
#include <bit>
#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace exchange {

// Any of N bytes, given when the scan starts (a CSV file's separator is known only then).
template <std::size_t N>
struct AnyOf {
    std::array<char, N> set;

    bool Matches(char c) const {
        for (const char wanted : set) {
            if (c == wanted) return true;
        }
        return false;
    }
#if defined(__SSE2__)
    __m128i Matching(__m128i bytes) const {
        __m128i found = _mm_setzero_si128();
        for (const char wanted : set) {
            found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(wanted)));
        }
        return found;
    }
#endif
};

// The bytes of a string literal, for AnyOf: BytesOf(",;\"").
template <std::size_t M>
constexpr AnyOf<M - 1> BytesOf(const char (&text)[M]) {
    AnyOf<M - 1> bytes{};
    for (std::size_t i = 0; i + 1 < M; ++i) bytes.set[i] = text[i];
    return bytes;
}

// The position of the first of the Bytes at or after from, or the size of the text. Bytes has
// Matches(char) and, where SSE2 is, Matching(__m128i), giving 0xFF for each byte that is one.
template <typename Bytes>
std::size_t FindFirst(std::string_view text, std::size_t from, const Bytes& bytes = Bytes{}) {
    std::size_t i = from;
#if defined(__SSE2__)
    for (; i + 16 <= text.size(); i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(bytes.Matching(block)));
        if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask));
    }
#endif
    while (i < text.size() && !bytes.Matches(text[i])) ++i;
    return i;
}

// How many times the byte occurs in the text.
inline std::size_t CountOf(std::string_view text, char byte) {
    std::size_t count = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Each match takes one from its byte's counter (a match compares as -1), and the counters
    // are summed before any can run over: up to 255 blocks at a time.
    const __m128i wanted = _mm_set1_epi8(byte);
    while (i + 16 <= text.size()) {
        __m128i counters = _mm_setzero_si128();
        for (int blocks = 0; blocks < 255 && i + 16 <= text.size(); ++blocks, i += 16) {
            const auto* at = reinterpret_cast<const __m128i*>(text.data() + i);
            counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(_mm_loadu_si128(at), wanted));
        }
        const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    for (; i < text.size(); ++i) count += text[i] == byte ? 1U : 0U;
    return count;
}

}  // namespace exchange
