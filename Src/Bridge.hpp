#pragma once

// How the page's calls are read and answered: argument readers, Base64, replies.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ACAPIFunctions.hpp"
#include "GSRoot.hpp"
#include "JSValues.hpp"

// The status of a placement that ended in an exception.
constexpr GSErrCode ErrPlacementException = -7003;

using JSRef = GS::Ref<JS::Base, GS::Counter>;
using JSArgs = GS::Array<JSRef>;

JSArgs ArgumentList(JSRef parameter);
UInt32 ArgumentCount(const JSArgs& args);
double NumberArgument(const JSArgs& args, UInt32 index);
GS::UniString StringArgument(const JSArgs& args, UInt32 index);
// The text itself, without a copy: valid while `args` holds the item. Empty as StringArgument is.
const GS::UniString& StringArgumentInPlace(const JSArgs& args, UInt32 index);
std::vector<char>& BytesArgument(std::vector<char>& bytes, const JSArgs& args, UInt32 index);
std::vector<char> DecodeBase64(const std::string& text);
// Decodes straight into a host handle with room for every byte the text gives; returns the count.
std::size_t DecodeBase64Into(const GS::UniString& text, char* bytes);

// Page numbers as host integers: truncated toward zero, NaN reads 0, clamped to the range of the
// integer type.
Int32 NumberToInt32(double value);
Int16 NumberToInt16(double value);

JSRef TextReply(const GS::UniString& text);
JSRef BoolReply(bool value);
// Runs a placement body; anything it throws becomes the reply "kod=-7003 EXC_prime ".
JSRef GuardedTextReply(std::function<GS::UniString()> body);
// "kod=%d " with the status, then the diagnostics line.
GS::UniString PlacementReply(GSErrCode status, const GS::UniString& diagnostics);

// The ACAPI functions, each defined in the file of the feature that owns it.
namespace Bridge {
#define LANDFETCH_DECLARE_ACAPI_FUNCTION(name, firstApi) JSRef name(JSRef parameter);
LANDFETCH_ACAPI_FUNCTIONS(LANDFETCH_DECLARE_ACAPI_FUNCTION)
#undef LANDFETCH_DECLARE_ACAPI_FUNCTION
}  // namespace Bridge
