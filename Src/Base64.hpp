#pragma once

// Base64 decoding of the page's texts. Every unit outside the standard alphabet ("=", blanks, line
// breaks, the URL-safe "-" and "_", anything beyond ASCII) is skipped; leftover bits that do not
// make a whole byte give nothing.

#include <cstddef>

namespace Base64 {

// The ways of decoding a clean run of letters: one letter group at a time, or 16 or 32 letters at
// once with the processor's vector instructions. All give the same bytes.
enum class Path { Scalar, Sse41, Avx2 };

// Whether this processor (and this build) can take the path.
bool PathAvailable(Path path);
// The fastest available path, chosen once from the processor's features.
Path BestPath();
const char* PathName(Path path);

// Decode into `bytes`, which must have room for every byte the text gives; return the count.
// A path this processor lacks decodes as Scalar.
std::size_t DecodeInto(const char16_t* text, std::size_t length, char* bytes, Path path = BestPath());
std::size_t DecodeInto(const char* text, std::size_t length, char* bytes, Path path = BestPath());

}  // namespace Base64
