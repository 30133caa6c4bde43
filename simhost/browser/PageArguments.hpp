#pragma once

// The arguments of a call made by the page, as the page-side script encodes them, turned into the
// JavaScript engine's values the host hands to a bound function.
//
// Each value is one tag, with its content where it has one:
//   u  undefined          n  null            t  true            f  false
//   i<digits>;            integral number in the signed 32-bit range   -> integer
//   U<digits>;            integral number in the unsigned 32-bit range -> unsigned integer
//   d<number>;            any other number (-0, NaN, Infinity too)     -> double
//   s<length>:<text>      string, length in UTF-16 code units          -> string
//   a<count>:<values>     array                                        -> JS::Array
//   o                     any other object                             -> JS::Object without members
// A call is  c<id>;s<length>:<object name>s<length>:<function name>a<count>:<arguments> .
// The page is not trusted: anything else is refused with a message, never read past its end.

#include <string>
#include <string_view>

#include "JSValues.hpp"

namespace sim {

struct PageCall {
    double id = 0;
    std::string objectName;
    std::string functionName;
    GS::Ref<JS::Base, GS::Counter> arguments;  // a JS::Array
};

// Throws sim::Error naming the fault.
PageCall DecodePageCall(std::string_view payload);
GS::Ref<JS::Base, GS::Counter> DecodePageValue(std::string_view encoded);

}  // namespace sim
