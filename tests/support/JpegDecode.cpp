#include "tests/support/JpegDecode.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct DecodeErrors {
    jpeg_error_mgr pub;
    std::jmp_buf recovery;
};

extern "C" [[noreturn]] void DecodeErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<DecodeErrors*>(cinfo->err)->recovery, 1);
}

extern "C" void DecodeQuiet(j_common_ptr) {}

int Decode(std::FILE* file, DecodedJpeg* out) {
    jpeg_decompress_struct cinfo;
    DecodeErrors errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = DecodeErrorExit;
    errors.pub.output_message = DecodeQuiet;
    if (setjmp(errors.recovery) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return -1;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out->nWidth = static_cast<int>(cinfo.output_width);
    out->nHeight = static_cast<int>(cinfo.output_height);
    out->nComponents = cinfo.num_components;
    out->bProgressive = cinfo.progressive_mode != 0;
    out->pixels.resize(static_cast<size_t>(out->nWidth) * out->nHeight * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row =
            out->pixels.data() + static_cast<size_t>(cinfo.output_scanline) * out->nWidth * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 0;
}

}  // namespace

int DecodeJpegFile(const std::string& path, DecodedJpeg& out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return -1;
    out = DecodedJpeg{};
    const int rc = Decode(file, &out);
    std::fclose(file);
    return rc;
}
