#pragma once

// Everything the host's modules offer is exported from the one shared platform library, so that
// the host and every add-on see a single copy of its state and of its type information.
#define PLATFORM_API __attribute__((visibility("default")))
