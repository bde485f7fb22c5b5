// JPEG decoding through libjpeg. libjpeg reports fatal errors by calling error_exit,
// which must not return; we leave with longjmp from a function that owns no C++ objects,
// so no destructor is ever skipped.
#include <csetjmp>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include "platform/gfx/assets/image.h"

namespace gfx::assets {

namespace {

struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnFatal(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings (level -1) mean corrupt data that libjpeg would patch over with grey: we
// refuse the image rather than show a damaged one, and stop at once, since a few bytes
// that declare a huge image and then end would otherwise have every missing row made
// up. Trace messages are dropped so nothing is printed.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0) OnFatal(cinfo);
}

struct JpegJob {
    const uint8_t* data;
    size_t size;
    Image* out;
    std::string* error;
};

bool DecodeInto(JpegJob* job) {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnFatal;
    errors.pub.emit_message = OnMessage;
    errors.message[0] = 0;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        *job->error = errors.message;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, const_cast<unsigned char*>(job->data),
                 static_cast<unsigned long>(job->size));
    jpeg_read_header(&cinfo, TRUE);

    // Arithmetic coding (which the web never took up, and our images do not use) is
    // refused: where its data end early its decoder makes up the rest without a warning,
    // so 200 bytes could make us decode 26 million pixels of nothing.
    if (cinfo.arith_code) {
        jpeg_destroy_decompress(&cinfo);
        *job->error = "arithmetic coding not supported";
        return false;
    }

    const int64_t w = cinfo.image_width, h = cinfo.image_height;
    if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide || w * h > kMaxImagePixels) {
        jpeg_destroy_decompress(&cinfo);
        *job->error = "bad size";
        return false;
    }
    if (cinfo.jpeg_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_GRAYSCALE;
    } else if (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB) {
        cinfo.out_color_space = JCS_RGB;
    } else {
        jpeg_destroy_decompress(&cinfo);
        *job->error = "unsupported colour space";
        return false;
    }
    jpeg_start_decompress(&cinfo);
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    const int comps = cinfo.output_components;
    job->out->width = width;
    job->out->height = height;
    // Reserved, not filled: rows are added as they are decoded, so data that ends early
    // never costs the whole image's memory.
    std::vector<uint32_t>& pixels = job->out->pixels;
    pixels.reserve(static_cast<size_t>(width) * height);
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                static_cast<JDIMENSION>(width * comps), 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1) break;
        pixels.resize(pixels.size() + static_cast<size_t>(width));
        uint32_t* out = pixels.data() + pixels.size() - static_cast<size_t>(width);
        const JSAMPLE* s = row[0];
        for (int x = 0; x < width; ++x) {
            uint32_t r, g, b;
            if (comps == 1) {
                r = g = b = s[x];
            } else {
                r = s[3 * x];
                g = s[3 * x + 1];
                b = s[3 * x + 2];
            }
            out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
    const bool complete = cinfo.output_scanline == cinfo.output_height;
    if (complete) jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (!complete) {
        *job->error = "image data truncated";
        return false;
    }
    return true;
}

}  // namespace

Result<Image> DecodeJpeg(std::span<const uint8_t> data) {
    if (data.empty()) return Error{"JPEG image: no data"};
    Image img;
    std::string error;
    JpegJob job{data.data(), data.size(), &img, &error};
    if (!DecodeInto(&job))
        return Error{"JPEG image: " + (error.empty() ? "decoding failed" : error)};
    return img;
}

}  // namespace gfx::assets
