#include "jpeg.h"

#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <new>
#include <stdexcept>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

namespace lumora::pictures {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return.
// It jumps back to Compress, past library frames only, so no destructor of
// ours is skipped.
struct ErrorManager {
    jpeg_error_mgr pub; // first: libjpeg's pointer to it is a pointer to us
    std::jmp_buf jump;
    std::array<char, JMSG_LENGTH_MAX> message;
};

void ExitOnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message.data());
    std::longjmp(errors->jump, 1);
}

// Collects the coded bytes in a vector, a chunk at a time. libjpeg's own
// memory destination leaves its buffer unreachable when an error ends the
// work half-way; this one leaves nothing to free.
struct Destination {
    jpeg_destination_mgr pub; // first, as above
    std::vector<std::uint8_t>* out;
    std::array<JOCTET, 4096> chunk;
};

void StartChunk(Destination& destination) {
    destination.pub.next_output_byte = destination.chunk.data();
    destination.pub.free_in_buffer = destination.chunk.size();
}

void InitDestination(j_compress_ptr info) {
    StartChunk(*reinterpret_cast<Destination*>(info->dest));
}

// An exception must not cross libjpeg's C frames, so a failed append becomes
// libjpeg's own out-of-memory error.
void Append(j_compress_ptr info, std::size_t count) {
    auto& destination = *reinterpret_cast<Destination*>(info->dest);
    bool appended = true;
    try {
        const auto* first = destination.chunk.data();
        destination.out->insert(destination.out->end(), first, first + count);
    } catch (const std::bad_alloc&) {
        appended = false;
    }
    if (!appended) {
        info->err->msg_code = JERR_OUT_OF_MEMORY;
        (*info->err->error_exit)(reinterpret_cast<j_common_ptr>(info));
    }
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
    Append(info, reinterpret_cast<Destination*>(info->dest)->chunk.size());
    StartChunk(*reinterpret_cast<Destination*>(info->dest));
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    const auto& destination = *reinterpret_cast<Destination*>(info->dest);
    Append(info, destination.chunk.size() - destination.pub.free_in_buffer);
}

// Everything alive here while libjpeg may jump back is trivially destructible,
// which is what makes the jump safe. Returns false with libjpeg's message on an
// error.
bool Compress(const std::vector<JSAMPLE>& rgb, int width, int height, int quality,
              Destination& destination, ErrorManager& errors) {
    jpeg_compress_struct info{};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ExitOnError;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof info);
    destination.pub.init_destination = InitDestination;
    destination.pub.empty_output_buffer = EmptyOutputBuffer;
    destination.pub.term_destination = TermDestination;
    info.dest = &destination.pub;

    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    // Baseline tables, so every decoder takes them, Windows' WIC first of all.
    jpeg_set_quality(&info, quality, TRUE);
    // The pictures are small and a colour that spans one pixel must stay that
    // colour: no chroma subsampling.
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
    }
    // The integer transform and the standard Huffman tables give the same
    // bytes with or without the library's SIMD code, on any processor.
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = FALSE;

    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    while (info.next_scanline < info.image_height) {
        // libjpeg only reads the rows, but its prototype asks for non-const ones.
        auto* row = const_cast<JSAMPLE*>(rgb.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const Image& image, int quality) {
    // libjpeg itself refuses a picture of no pixels or one too large for it.
    const int width = image.Width();
    const int height = image.Height();
    std::vector<JSAMPLE> rgb;
    rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = image.At(x, y);
            rgb.insert(rgb.end(), {c.r, c.g, c.b});
        }
    }

    std::vector<std::uint8_t> out;
    Destination destination{};
    destination.out = &out;
    ErrorManager errors{};
    if (!Compress(rgb, width, height, quality, destination, errors))
        throw std::runtime_error(std::string("libjpeg: ") + errors.message.data());
    return out;
}

} // namespace lumora::pictures
