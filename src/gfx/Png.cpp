#include "gfx/Png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// libpng reports errors by longjmp; nothing with a destructor may live
// between the setjmp and the calls that can fail, so buffers are made first.
void SilentWarning(png_structp, png_const_charp) {}

}  // namespace

int WritePng(const unsigned char* rgb, int width, int height, int stride, const std::string& path) {
    if (!rgb || width <= 0 || height <= 0 || width > CBitmap::kMaxDimension ||
        height > CBitmap::kMaxDimension || stride < width * 3)
        return -1;
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return -1;
    std::vector<png_const_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[static_cast<std::size_t>(y)] = rgb + static_cast<std::ptrdiff_t>(y) * stride;

    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, SilentWarning);
    if (!png) return -1;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return -1;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return -1;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_rows(png, const_cast<png_bytepp>(rows.data()), static_cast<png_uint_32>(height));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) return -1;
    if (std::fclose(file.release()) != 0) return -1;
    return 0;
}

int WritePng(const CBitmap& bitmap, const CRect& area, const std::string& path) {
    const CRect r = area.Intersect(CRect(0, 0, bitmap.Width(), bitmap.Height()));
    if (r.IsRectEmpty()) return -1;
    return WritePng(bitmap.Row(r.top) + static_cast<std::ptrdiff_t>(r.left) * 3, r.Width(),
                    r.Height(), static_cast<int>(bitmap.Stride()), path);
}

int WritePng(const CBitmap& bitmap, const std::string& path) {
    return WritePng(bitmap, CRect(0, 0, bitmap.Width(), bitmap.Height()), path);
}

int ReadPng(const std::string& path, CBitmap* out) {
    if (!out) return -1;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return -1;
    unsigned char sig[8];
    if (std::fread(sig, 1, 8, file.get()) != 8 || png_sig_cmp(sig, 0, 8) != 0) return -1;

    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, SilentWarning);
    if (!png) return -1;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return -1;
    }
    // Filled only after the size is known and checked; declared before the
    // recovery point so that a longjmp does not skip its construction.
    CBitmap* image = new CBitmap();
    std::vector<png_bytep>* rows = new std::vector<png_bytep>();
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete image;
        delete rows;
        return -1;
    }
    png_init_io(png, file.get());
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, CBitmap::kMaxDimension, CBitmap::kMaxDimension);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if ((colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_strip_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (w == 0 || h == 0 || w > CBitmap::kMaxDimension || h > CBitmap::kMaxDimension ||
        png_get_rowbytes(png, info) != static_cast<std::size_t>(w) * 3) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete image;
        delete rows;
        return -1;
    }
    *image = CBitmap(static_cast<int>(w), static_cast<int>(h));
    rows->resize(h);
    for (png_uint_32 y = 0; y < h; ++y) (*rows)[y] = image->Row(static_cast<int>(y));
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    *out = std::move(*image);
    delete image;
    delete rows;
    return 0;
}
