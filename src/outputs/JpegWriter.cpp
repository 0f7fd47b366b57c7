#include "outputs/JpegWriter.h"

#include <csetjmp>
#include <cstring>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace {

// Long enough for "Can't open file" with any path the system accepts.
constexpr std::size_t kErrorTextSize = 4096 + 64;
char g_szJpegError[kErrorTextSize] = "";

// The standard error manager with the recovery point the error exit jumps
// back to. Plain data only: it lives in the frame that calls setjmp.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf recovery;
};

void CopyErrorText(const char* text) {
    std::strncpy(g_szJpegError, text, kErrorTextSize - 1);
    g_szJpegError[kErrorTextSize - 1] = '\0';
}

extern "C" void OutputMessage(j_common_ptr cinfo) {
    char buffer[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, buffer);
    CopyErrorText(buffer);
}

extern "C" void ResetErrorManager(j_common_ptr cinfo) {
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
    g_szJpegError[0] = '\0';
}

extern "C" [[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(manager->recovery, 1);
}

// Between setjmp and the library's last call nothing here has a destructor
// and no local changes after setjmp, so the jump back skips no clean-up and
// reads no stale value.
int Compress(std::FILE* file, int width, int height, int quality, const uint8_t* pixels) {
    jpeg_compress_struct cinfo;
    JpegErrorManager errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.output_message = OutputMessage;
    errors.pub.reset_error_mgr = ResetErrorManager;
    if (setjmp(errors.recovery) != 0) {
        jpeg_destroy_compress(&cinfo);
        return -1;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        // The library only reads the row; its interface is not const.
        JSAMPROW row = const_cast<JSAMPROW>(pixels + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return 0;
}

// The library's text for a write that failed outside it (the final close).
void SetWriteErrorText() {
    jpeg_error_mgr errors;
    jpeg_std_error(&errors);
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = &errors;
    errors.msg_code = JERR_FILE_WRITE;
    char buffer[JMSG_LENGTH_MAX];
    (*errors.format_message)(reinterpret_cast<j_common_ptr>(&cinfo), buffer);
    CopyErrorText(buffer);
}

}  // namespace

const char* GetJpegErrorText() {
    return g_szJpegError;
}

int WriteJpegStream(std::FILE* file, int width, int height, int quality, const uint8_t* pixels) {
    if (file == nullptr || pixels == nullptr || width <= 0 || height <= 0 ||
        width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
        // The library's own refusal of such an image, without handing it the
        // buffer.
        return Compress(file, 0, 0, quality, pixels);
    }
    return Compress(file, width, height, quality, pixels);
}

int WriteJpegFile(const char* path, int width, int height, int quality, const uint8_t* pixels) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::snprintf(g_szJpegError, kErrorTextSize, "Can't open file\"%s\"", path);
        return -1;
    }
    int rc = WriteJpegStream(file, width, height, quality, pixels);
    // Bytes the library handed to the stream but the system refused at the
    // close are a failed snapshot too.
    if (std::fclose(file) != 0 && rc == 0) {
        SetWriteErrorText();
        rc = -1;
    }
    return rc;
}
