#pragma once

namespace GS {

// Counting policy of the host's shared references: single-threaded, non-intrusive.
class Counter {};

}  // namespace GS
