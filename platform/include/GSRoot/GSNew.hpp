#pragma once

// Global operator new and delete of an add-on go through GS::MemoryManager. They are not declared
// here but defined once in GSRoot's new/delete object, which every add-on module links; an add-on
// defines none of its own.

#include <new>
