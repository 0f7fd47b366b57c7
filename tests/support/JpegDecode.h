#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A JPEG file read back with the system libjpeg.
struct DecodedJpeg {
    int nWidth = 0;
    int nHeight = 0;
    int nComponents = 0;
    bool bProgressive = false;
    std::vector<uint8_t> pixels;  // RGB, top row first
};

// 0, or -1 when the file cannot be opened or is not a whole JPEG image.
int DecodeJpegFile(const std::string& path, DecodedJpeg& out);
