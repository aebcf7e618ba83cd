#pragma once

// JPEG files made and read with the bare library, to hold our codec
// against: the encoder's settings are open to each test, the decoder gives
// the rows as libjpeg delivers them (top row first).

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace jpegtesting {

struct BareError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

inline void BareExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<BareError*>(cinfo->err)->jump, 1);
}
inline void BareSilent(j_common_ptr) {}

// A picture of `components` bytes a pixel, top row first, from a pattern
// with edges and gradients so that every scale and option shows.
inline std::vector<unsigned char> Samples(int width, int height, int components) {
    std::vector<unsigned char> s(static_cast<std::size_t>(width) * height * components);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                s[(static_cast<std::size_t>(y) * width + x) * components + c] =
                    static_cast<unsigned char>(
                        (x * (5 + 3 * c) + y * (7 - 2 * c) + ((x / 4 + y / 4) % 2) * 60 * c) &
                        0xFF);
    return s;
}

// Encodes samples with the bare library; `tune` may change the settings
// after the defaults. Empty on a library error.
inline std::string BareEncode(int width, int height, int components, J_COLOR_SPACE space,
                              const std::vector<unsigned char>& samples,
                              const std::function<void(jpeg_compress_struct&)>& tune = {}) {
    struct Work {
        jpeg_compress_struct cinfo;
        BareError err;
        unsigned char* out;
        unsigned long size;
    };
    Work* w = static_cast<Work*>(std::calloc(1, sizeof(Work)));
    w->cinfo.err = jpeg_std_error(&w->err.pub);
    w->err.pub.error_exit = BareExit;
    w->err.pub.output_message = BareSilent;
    std::string bytes;
    if (setjmp(w->err.jump) == 0) {
        jpeg_create_compress(&w->cinfo);
        jpeg_mem_dest(&w->cinfo, &w->out, &w->size);
        w->cinfo.image_width = static_cast<JDIMENSION>(width);
        w->cinfo.image_height = static_cast<JDIMENSION>(height);
        w->cinfo.input_components = components;
        w->cinfo.in_color_space = space;
        jpeg_set_defaults(&w->cinfo);
        if (tune) tune(w->cinfo);
        jpeg_start_compress(&w->cinfo, TRUE);
        while (w->cinfo.next_scanline < w->cinfo.image_height) {
            JSAMPROW row = const_cast<unsigned char*>(samples.data()) +
                           static_cast<std::size_t>(w->cinfo.next_scanline) * width * components;
            jpeg_write_scanlines(&w->cinfo, &row, 1);
        }
        jpeg_finish_compress(&w->cinfo);
        bytes.assign(reinterpret_cast<char*>(w->out), w->size);
    }
    jpeg_destroy_compress(&w->cinfo);
    std::free(w->out);
    std::free(w);
    return bytes;
}

// What the bare library decodes.
struct BareImage {
    bool ok = false;
    int width = 0, height = 0, components = 0;
    std::vector<unsigned char> samples;  // top row first
    bool progressive = false, arithmetic = false;
    int colorComponents = 0;  // in the file
    unsigned maxQuant = 0;    // the largest value of the first quantisation table
    int densityUnit = 0, xDensity = 0;
    std::vector<std::vector<unsigned char>> colormap;  // quantised: entries per component
};

inline BareImage BareDecode(const std::string& bytes, unsigned denom = 1,
                            const std::function<void(jpeg_decompress_struct&)>& tune = {}) {
    struct Work {
        jpeg_decompress_struct cinfo;
        BareError err;
    };
    Work* w = static_cast<Work*>(std::calloc(1, sizeof(Work)));
    w->cinfo.err = jpeg_std_error(&w->err.pub);
    w->err.pub.error_exit = BareExit;
    w->err.pub.output_message = BareSilent;
    BareImage* out = new BareImage;
    if (setjmp(w->err.jump) == 0) {
        jpeg_create_decompress(&w->cinfo);
        jpeg_mem_src(&w->cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                     static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&w->cinfo, TRUE);
        w->cinfo.scale_num = 1;
        w->cinfo.scale_denom = denom;
        if (tune) tune(w->cinfo);
        out->progressive = w->cinfo.progressive_mode;
        out->arithmetic = w->cinfo.arith_code;
        out->colorComponents = w->cinfo.num_components;
        out->densityUnit = w->cinfo.density_unit;
        out->xDensity = w->cinfo.X_density;
        if (w->cinfo.quant_tbl_ptrs[0] != nullptr)
            for (int i = 0; i < DCTSIZE2; ++i)
                out->maxQuant =
                    std::max<unsigned>(out->maxQuant, w->cinfo.quant_tbl_ptrs[0]->quantval[i]);
        jpeg_start_decompress(&w->cinfo);
        out->width = static_cast<int>(w->cinfo.output_width);
        out->height = static_cast<int>(w->cinfo.output_height);
        out->components = w->cinfo.output_components;
        if (w->cinfo.quantize_colors)
            for (int c = 0; c < w->cinfo.out_color_components; ++c)
                out->colormap.emplace_back(w->cinfo.colormap[c],
                                           w->cinfo.colormap[c] + w->cinfo.actual_number_of_colors);
        out->samples.resize(static_cast<std::size_t>(out->width) * out->height * out->components);
        while (w->cinfo.output_scanline < w->cinfo.output_height) {
            JSAMPROW row =
                out->samples.data() +
                static_cast<std::size_t>(w->cinfo.output_scanline) * out->width * out->components;
            jpeg_read_scanlines(&w->cinfo, &row, 1);
        }
        jpeg_finish_decompress(&w->cinfo);
        out->ok = true;
    }
    jpeg_destroy_decompress(&w->cinfo);
    std::free(w);
    BareImage result = std::move(*out);
    delete out;
    return result;
}

// Marker sections put right after the start-of-image marker of a file.
inline std::string WithSections(const std::string& jpeg, const std::string& sections) {
    return jpeg.substr(0, 2) + sections + jpeg.substr(2);
}

// One marker section: FF, the marker, the big-endian length and the body.
inline std::string Section(int marker, const std::string& body) {
    const std::size_t length = body.size() + 2;
    std::string s;
    s += static_cast<char>(0xFF);
    s += static_cast<char>(marker);
    s += static_cast<char>(length >> 8);
    s += static_cast<char>(length & 0xFF);
    return s + body;
}

}  // namespace jpegtesting
