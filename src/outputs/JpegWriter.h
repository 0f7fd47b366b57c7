#pragma once

#include <cstdint>
#include <cstdio>

// Baseline JPEG files of the screen, on the system libjpeg (v62 interface).
//
// `pixels` holds `height` rows of `width` RGB triples, top row first, no row
// padding. GUI thread only: the error text is one global buffer.

// Writes `path`. 0 on success; -1 on failure, with the reason in
// GetJpegErrorText(): "Can't open file\"PATH\"" when the file cannot be
// opened, else the library's own message. A file the library failed to
// finish stays on disk as far as it was written.
int WriteJpegFile(const char* path, int width, int height, int quality, const uint8_t* pixels);

// The same compression into a stream the caller opened and will close (a
// destination that can fail part way through, in tests). 0 or -1, as above.
int WriteJpegStream(std::FILE* file, int width, int height, int quality, const uint8_t* pixels);

// The last message of the JPEG writer; empty after a clean compression.
const char* GetJpegErrorText();
