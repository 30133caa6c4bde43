#pragma once

// Which addresses the page may send out of the palette, and which may load inside it. Everything
// here reads the address as the browser and the system would read it, not as the page wrote it.

#include "GSRoot.hpp"

// Where the palette loads the web application from, and the address prefix through which the page
// asks for a local file to be opened.
const GS::UniString& WebAppAddress();
const GS::UniString& OpenFilePrefix();

// The address the system's default browser is given for an address that leaves the page, or an
// empty text when nothing may be opened:
// - http and https addresses with a host, and mailto addresses, written in the browser's form
//   (blanks and control characters around them dropped, the scheme in lower case, "//" after it);
// - the open-file prefix followed by "/" and a local absolute path (a drive letter, or one leading
//   slash and a name) to a document of a known type, judged after its escapes are decoded, and
//   opened as "file://" with that path;
// - nothing else.
GS::UniString ExternalAddress(const GS::UniString& url);

// An address that must not load inside the palette (host API 27 and 28): everything except the
// web application itself and the about, javascript and blob addresses of its own page.
bool IsOutsideAddress(const GS::UniString& url);
