#include "Base64.hpp"

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define LANDFETCH_BASE64_X86 1
#include <immintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#endif
#else
#define LANDFETCH_BASE64_X86 0
#endif

// GCC and Clang compile vector code only in functions marked for its instruction set; MSVC compiles
// the intrinsics anywhere.
#if defined(_MSC_VER) && !defined(__clang__)
#define LANDFETCH_TARGET(features)
#else
#define LANDFETCH_TARGET(features) __attribute__((target(features)))
#endif

namespace {

// Base64 letters to their values; 0x80 marks every byte outside the alphabet.
struct Base64Table {
    unsigned char values[256];
    constexpr Base64Table() : values()
    {
        for (unsigned char& value : values)
            value = 0x80;
        for (int i = 0; i < 26; ++i) {
            values['A' + i] = static_cast<unsigned char>(i);
            values['a' + i] = static_cast<unsigned char>(26 + i);
        }
        for (int i = 0; i < 10; ++i)
            values['0' + i] = static_cast<unsigned char>(52 + i);
        values[static_cast<unsigned char>('+')] = 62;
        values[static_cast<unsigned char>('/')] = 63;
    }
};
constexpr Base64Table Letters{};

template <typename Unit>
std::uint32_t LetterValue(Unit unit)
{
    const auto code = static_cast<std::make_unsigned_t<Unit>>(unit);
    if constexpr (sizeof(Unit) > 1) {
        if (code > 0xFF)
            return 0x80;
    }
    return Letters.values[code];
}

// Pairs of letters to their 12 bits, indexed by the first letter's byte and then the second's;
// 0x8000 marks a pair with anything outside the alphabet. One lookup serves two letters.
struct Base64PairTable {
    std::uint16_t values[1 << 16];
    constexpr Base64PairTable() : values()
    {
        for (unsigned first = 0; first < 256; ++first) {
            for (unsigned second = 0; second < 256; ++second) {
                const unsigned a = Letters.values[first], b = Letters.values[second];
                values[(first << 8) | second] =
                    static_cast<std::uint16_t>(((a | b) & 0x80) ? 0x8000 : ((a << 6) | b));
            }
        }
    }
};
constexpr Base64PairTable LetterPairs{};

// The 24 bits of four letters; bit 0x80000000 set when any of the four is not a letter.
template <typename Unit>
std::uint32_t GroupOf(const Unit* text)
{
    if constexpr (sizeof(Unit) == 2 && std::endian::native == std::endian::little) {
        std::uint64_t word;
        std::memcpy(&word, text, sizeof word);
        if (word & 0xFF00FF00FF00FF00ull)
            return 0x80000000u;
        const std::uint32_t high = LetterPairs.values[((word << 8) & 0xFF00) | ((word >> 16) & 0xFF)];
        const std::uint32_t low = LetterPairs.values[((word >> 24) & 0xFF00) | ((word >> 48) & 0xFF)];
        return (((high | low) & 0x8000u) << 16) | (high << 12) | low;
    } else {
        const std::uint32_t a = LetterValue(text[0]);
        const std::uint32_t b = LetterValue(text[1]);
        const std::uint32_t c = LetterValue(text[2]);
        const std::uint32_t d = LetterValue(text[3]);
        return ((a | b | c | d) << 24) | (a << 18) | (b << 12) | (c << 6) | d;
    }
}

// What a vector run did from the start of the text it was given: the units it took (letters only,
// whole blocks), the bytes it wrote, and how many units after those the scalar decoder takes
// before a run is tried again (past the last foreign unit of the block that stopped it, or the
// short tail). Zero only when the run took the whole text.
struct Run {
    std::size_t units = 0;
    std::size_t bytes = 0;
    std::size_t scalarUnits = 0;
};

template <typename Unit>
Run NoRun(const Unit*, std::size_t length, char*)
{
    return Run{0, 0, length};
}

#if LANDFETCH_BASE64_X86

// The vector decoding of Muła and Lemire: each letter's high and low nibbles index two tables whose
// entries share a bit exactly when the byte is not a letter; a third table, indexed by the high
// nibble ("/" moved to an index of its own), holds what turns the letter into its value. Two
// multiply-adds then gather four 6-bit values into 24 bits, and a shuffle puts the bytes in order.

// The index of the last set bit of a non-zero mask.
inline unsigned LastBit(std::uint32_t mask)
{
    return 31u - static_cast<unsigned>(std::countl_zero(mask));
}

// The text is read once, front to back, and the bytes written once, and nearly all of a long run's
// time goes waiting for memory: asking for the lines of both some way ahead keeps more of them on
// their way than the processor's own prefetching does (29 MB of two-byte units in 6 ms instead of
// 10).
constexpr std::uintptr_t Ahead = 2048;

LANDFETCH_TARGET("sse4.1") inline void AskAhead(const void* at)
{
    // The address may lie past the block's end: it only hints, and is never formed as a pointer.
    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(at) + Ahead), _MM_HINT_T0);
}

LANDFETCH_TARGET("sse4.1") inline __m128i Sse41Load(const char* text)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
}

// Units beyond 0xFF saturate to 0x00 or 0xFF, neither of them a letter.
LANDFETCH_TARGET("sse4.1") inline __m128i Sse41Load(const char16_t* text)
{
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 8));
    return _mm_packus_epi16(low, high);
}

template <typename Unit>
LANDFETCH_TARGET("sse4.1") Run Sse41Run(const Unit* text, std::size_t length, char* bytes)
{
    const __m128i lowTable = _mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A,
                                           0x1B, 0x1B, 0x1B, 0x1A);
    const __m128i highTable = _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10,
                                            0x10, 0x10, 0x10, 0x10);
    const __m128i shiftTable = _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i slash = _mm_set1_epi8(0x2F);
    const __m128i pairWeights = _mm_set1_epi32(0x01400140);
    const __m128i quadWeights = _mm_set1_epi32(0x00011000);
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    Run run;
    while (length - run.units >= 16) {
        AskAhead(text + run.units);
        AskAhead(bytes + run.bytes);
        const __m128i letters = Sse41Load(text + run.units);
        const __m128i highNibbles = _mm_and_si128(_mm_srli_epi32(letters, 4), nibble);
        const __m128i lowNibbles = _mm_and_si128(letters, nibble);
        const __m128i foreign =
            _mm_and_si128(_mm_shuffle_epi8(lowTable, lowNibbles), _mm_shuffle_epi8(highTable, highNibbles));
        if (!_mm_testz_si128(foreign, foreign)) {
            const auto clean = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(foreign, _mm_setzero_si128())));
            run.scalarUnits = LastBit(~clean & 0xFFFFu) + 1;
            return run;
        }
        const __m128i shift = _mm_shuffle_epi8(shiftTable, _mm_add_epi8(_mm_cmpeq_epi8(letters, slash), highNibbles));
        const __m128i values = _mm_add_epi8(letters, shift);
        const __m128i packed = _mm_madd_epi16(_mm_maddubs_epi16(values, pairWeights), quadWeights);
        const __m128i ordered = _mm_shuffle_epi8(packed, order);
        // Exactly 12 bytes: the caller's room may end right after them.
        _mm_storel_epi64(reinterpret_cast<__m128i*>(bytes + run.bytes), ordered);
        const auto last = static_cast<std::uint32_t>(_mm_extract_epi32(ordered, 2));
        std::memcpy(bytes + run.bytes + 8, &last, 4);
        run.units += 16;
        run.bytes += 12;
    }
    run.scalarUnits = length - run.units;
    return run;
}

LANDFETCH_TARGET("avx2") inline __m256i Avx2Load(const char* text)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text));
}

// Packing works within each 128-bit half; the permutation puts the four quarters back in order.
LANDFETCH_TARGET("avx2") inline __m256i Avx2Load(const char16_t* text)
{
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 16));
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8);
}

template <typename Unit>
LANDFETCH_TARGET("avx2") Run Avx2Run(const Unit* text, std::size_t length, char* bytes)
{
    const __m256i lowTable = _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13,
                                              0x1A, 0x1B, 0x1B, 0x1B, 0x1A, 0x15, 0x11, 0x11, 0x11, 0x11, 0x11,
                                              0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
    const __m256i highTable = _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10,
                                               0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x01, 0x02, 0x04, 0x08,
                                               0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
    const __m256i shiftTable = _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16,
                                                19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i slash = _mm256_set1_epi8(0x2F);
    const __m256i pairWeights = _mm256_set1_epi32(0x01400140);
    const __m256i quadWeights = _mm256_set1_epi32(0x00011000);
    const __m256i order = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, 2, 1, 0, 6, 5,
                                           4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    const __m256i gather = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    Run run;
    while (length - run.units >= 32) {
        AskAhead(text + run.units);
        AskAhead(bytes + run.bytes);
        const __m256i letters = Avx2Load(text + run.units);
        const __m256i highNibbles = _mm256_and_si256(_mm256_srli_epi32(letters, 4), nibble);
        const __m256i lowNibbles = _mm256_and_si256(letters, nibble);
        const __m256i foreign = _mm256_and_si256(_mm256_shuffle_epi8(lowTable, lowNibbles),
                                                 _mm256_shuffle_epi8(highTable, highNibbles));
        if (!_mm256_testz_si256(foreign, foreign)) {
            const auto clean =
                static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(foreign, _mm256_setzero_si256())));
            run.scalarUnits = LastBit(~clean) + 1;
            return run;
        }
        const __m256i shift =
            _mm256_shuffle_epi8(shiftTable, _mm256_add_epi8(_mm256_cmpeq_epi8(letters, slash), highNibbles));
        const __m256i values = _mm256_add_epi8(letters, shift);
        const __m256i packed = _mm256_madd_epi16(_mm256_maddubs_epi16(values, pairWeights), quadWeights);
        const __m256i ordered = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(packed, order), gather);
        // Exactly 24 bytes: the caller's room may end right after them.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + run.bytes), _mm256_castsi256_si128(ordered));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(bytes + run.bytes + 16), _mm256_extracti128_si256(ordered, 1));
        run.units += 32;
        run.bytes += 24;
    }
    run.scalarUnits = length - run.units;
    return run;
}

struct Features {
    bool sse41 = false;
    bool avx2 = false;
};

Features DetectFeatures()
{
    Features features;
#if defined(_MSC_VER) && !defined(__clang__)
    int registers[4];
    __cpuid(registers, 0);
    const int highest = registers[0];
    if (highest < 1)
        return features;
    __cpuid(registers, 1);
    const bool ssse3 = (registers[2] & (1 << 9)) != 0;
    features.sse41 = ssse3 && (registers[2] & (1 << 19)) != 0;
    const bool osSavesVectors = (registers[2] & (1 << 27)) != 0 && (registers[2] & (1 << 28)) != 0 &&
                                (_xgetbv(0) & 0x6) == 0x6;
    if (highest >= 7 && osSavesVectors) {
        __cpuidex(registers, 7, 0);
        features.avx2 = (registers[1] & (1 << 5)) != 0;
    }
#else
    __builtin_cpu_init();
    features.sse41 = __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1");
    features.avx2 = __builtin_cpu_supports("avx2");
#endif
    return features;
}

const Features& ProcessorFeatures()
{
    static const Features features = DetectFeatures();
    return features;
}

#endif

// The letter-by-letter decoder with two fast lanes: vector runs over clean text, and groups of
// four letters. Anything else goes one unit at a time with the same skipping and the same leftover
// bits, so every lane gives what the letter-by-letter decoder alone gives.
template <typename Unit, typename VectorRun>
std::size_t Decode(const Unit* text, std::size_t length, char* bytes, VectorRun vectorRun)
{
    std::size_t in = 0;
    std::size_t out = 0;
    std::size_t vectorFrom = 0;  // where a vector run may next be tried
    std::uint32_t accumulator = 0;
    int pending = 0;  // letters taken since the last whole group of four
    while (in < length) {
        if (pending == 0) {
            if (in >= vectorFrom) {
                const Run run = vectorRun(text + in, length - in, bytes + out);
                in += run.units;
                out += run.bytes;
                vectorFrom = in + run.scalarUnits;
            }
            while (in + 8 <= length && in < vectorFrom) {
                const std::uint32_t first = GroupOf(text + in);
                const std::uint32_t second = GroupOf(text + in + 4);
                if ((first | second) & 0x80000000u)
                    break;
                bytes[out] = static_cast<char>((first >> 16) & 0xFF);
                bytes[out + 1] = static_cast<char>((first >> 8) & 0xFF);
                bytes[out + 2] = static_cast<char>(first & 0xFF);
                bytes[out + 3] = static_cast<char>((second >> 16) & 0xFF);
                bytes[out + 4] = static_cast<char>((second >> 8) & 0xFF);
                bytes[out + 5] = static_cast<char>(second & 0xFF);
                out += 6;
                in += 8;
            }
            if (in + 4 <= length && in < vectorFrom) {
                const std::uint32_t group = GroupOf(text + in);
                if ((group & 0x80000000u) == 0) {
                    bytes[out] = static_cast<char>((group >> 16) & 0xFF);
                    bytes[out + 1] = static_cast<char>((group >> 8) & 0xFF);
                    bytes[out + 2] = static_cast<char>(group & 0xFF);
                    out += 3;
                    in += 4;
                    continue;
                }
            }
            if (in >= length)
                break;
            if (in >= vectorFrom)
                continue;  // a whole-group lane reached the retry point: the next pass tries a vector run
        }
        const std::uint32_t value = LetterValue(text[in++]);
        if (value & 0x80)
            continue;
        accumulator = (accumulator << 6) | value;
        ++pending;
        if (pending == 2) {
            bytes[out++] = static_cast<char>((accumulator >> 4) & 0xFF);
        } else if (pending == 3) {
            bytes[out++] = static_cast<char>((accumulator >> 2) & 0xFF);
        } else if (pending == 4) {
            bytes[out++] = static_cast<char>(accumulator & 0xFF);
            pending = 0;
        }
    }
    return out;
}

template <typename Unit>
std::size_t DecodeOn(Base64::Path path, const Unit* text, std::size_t length, char* bytes)
{
#if LANDFETCH_BASE64_X86
    if (Base64::PathAvailable(path)) {
        if (path == Base64::Path::Avx2)
            return Decode(text, length, bytes, Avx2Run<Unit>);
        if (path == Base64::Path::Sse41)
            return Decode(text, length, bytes, Sse41Run<Unit>);
    }
#else
    (void)path;
#endif
    return Decode(text, length, bytes, NoRun<Unit>);
}

}  // namespace

namespace Base64 {

bool PathAvailable(Path path)
{
    switch (path) {
        case Path::Scalar: return true;
#if LANDFETCH_BASE64_X86
        case Path::Sse41: return ProcessorFeatures().sse41;
        case Path::Avx2: return ProcessorFeatures().avx2;
#else
        case Path::Sse41:
        case Path::Avx2: return false;
#endif
    }
    return false;
}

Path BestPath()
{
    static const Path best = PathAvailable(Path::Avx2)    ? Path::Avx2
                             : PathAvailable(Path::Sse41) ? Path::Sse41
                                                          : Path::Scalar;
    return best;
}

const char* PathName(Path path)
{
    switch (path) {
        case Path::Scalar: return "scalar";
        case Path::Sse41: return "sse4.1";
        case Path::Avx2: return "avx2";
    }
    return "?";
}

std::size_t DecodeInto(const char16_t* text, std::size_t length, char* bytes, Path path)
{
    return DecodeOn(path, text, length, bytes);
}

std::size_t DecodeInto(const char* text, std::size_t length, char* bytes, Path path)
{
    return DecodeOn(path, text, length, bytes);
}

}  // namespace Base64
