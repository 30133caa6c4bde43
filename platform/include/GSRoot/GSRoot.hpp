#pragma once

// The host's base module at once: texts, containers, shared references, GUIDs, exceptions, memory.

#include "Array.hpp"
#include "BM.hpp"
#include "CH.hpp"
#include "Counter.hpp"
#include "GSDebug.hpp"
#include "GSException.hpp"
#include "GSGuid.hpp"
#include "GSNew.hpp"
#include "MemoryManager.hpp"
#include "Ref.hpp"
#include "UniString.hpp"
