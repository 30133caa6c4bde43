#pragma once

// What the host itself does with an add-on's handles.

#include <memory>

#include "BM.hpp"

// Handles alive at the moment; lets a host check that an add-on releases what it was given.
PLATFORM_API Int64 BMGetLiveHandleCount();

// The handle's bytes, kept alive for the host after the add-on kills the handle, so a host can
// keep a large block (a picture) once instead of copying it. The host holds the bytes as they
// are: the add-on gives the handle up when the call returns and writes no more into it.
PLATFORM_API std::shared_ptr<const char> BMShareHandleBytes(GSConstHandle handle);
