#include "assets/image_buffer.h"
#include "assets/asset_stream.h"
#include "platform/message_box.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <jpeglib.h>
#include <jerror.h>

namespace qm {
namespace {

// Scans beyond this many are treated as damage: each one costs a pass over the whole picture.
constexpr int MAX_JPEG_SCANS = 1000;
// Decoded bytes per member byte beyond which a header is taken as hostile: a baseline picture
// needs at least two bits per 8 x 8 block and component (at most 512 bytes out per byte in), so
// only degenerate progressive files come near; it keeps the buffers in proportion to the member.
constexpr uint64_t MAX_JPEG_EXPANSION = 4096;

// A fake end-of-image marker handed to the decoder when it wants more than the member holds.
const JOCTET FAKE_EOI[2] = {0xFF, JPEG_EOI};

struct ErrorManager {
    jpeg_error_mgr standard;
    jmp_buf escape;
};

// Fatal errors jump back to decodeWithLibrary instead of ending the process.
void onFatalError(j_common_ptr info)
{
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

// Messages are formatted and dropped: nothing is ever shown or logged.
void onOutputMessage(j_common_ptr info)
{
    char text[JMSG_LENGTH_MAX < 200 ? 200 : JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
}

void onProgress(j_common_ptr info)
{
    auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number > MAX_JPEG_SCANS) {
        info->err->msg_code = JERR_BAD_PROGRESSION;
        (*info->err->error_exit)(info);
    }
}

void sourceInit(j_decompress_ptr) {}
void sourceTerm(j_decompress_ptr) {}

boolean sourceFill(j_decompress_ptr info)
{
    info->src->next_input_byte = FAKE_EOI;
    info->src->bytes_in_buffer = 2;
    return TRUE;
}

void sourceSkip(j_decompress_ptr info, long count)
{
    if (count <= 0) return;
    jpeg_source_mgr* source = info->src;
    if (size_t(count) > source->bytes_in_buffer) {
        sourceFill(info);  // skipping past the end: what remains is the fake end marker
        return;
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

// Everything the decode touches lives here, outside the frame that calls setjmp, so nothing
// the fatal-error jump skips over needs destroying.
struct DecodeJob {
    jpeg_decompress_struct decoder;
    ErrorManager errors;
    jpeg_source_mgr source;
    jpeg_progress_mgr progress;
    std::vector<JSAMPROW> rows;
    ImageBuffer* image;
    const uint8_t* data;
    uint32_t size;
};

void installSource(DecodeJob& job)
{
    job.source.init_source = sourceInit;
    job.source.fill_input_buffer = sourceFill;
    job.source.skip_input_data = sourceSkip;
    job.source.resync_to_restart = jpeg_resync_to_restart;
    job.source.term_source = sourceTerm;
    job.source.next_input_byte = job.data;
    job.source.bytes_in_buffer = job.size;
    job.decoder.src = &job.source;
}

// Steps 5 and 6: the zeroed buffer and a row table that stores scanline k at row height-1-k.
bool prepareBuffer(DecodeJob& job)
{
    ImageBuffer& image = *job.image;
    const jpeg_decompress_struct& d = job.decoder;
    if (!imageSizeAllowed(d.output_width, d.output_height)) return false;
    image.width = int32_t(d.output_width);
    image.height = int32_t(d.output_height);
    image.rowBytes = image.width * d.output_components;
    image.inkInverted = d.out_color_space == JCS_CMYK && d.saw_Adobe_marker;
    image.pixels.assign(size_t(image.rowBytes) * size_t(image.height), 0);
    job.rows.resize(size_t(image.height));
    for (int32_t k = 0; k < image.height; ++k)
        job.rows[size_t(k)] = image.pixels.data() + size_t(image.height - 1 - k) * size_t(image.rowBytes);
    return true;
}

// Step 7: read until every row arrived; a call that delivers nothing ends the loop.
void readRows(DecodeJob& job)
{
    JDIMENSION height = job.decoder.output_height;
    while (job.decoder.output_scanline < height) {
        JDIMENSION next = job.decoder.output_scanline;
        if (jpeg_read_scanlines(&job.decoder, job.rows.data() + next, height - next) == 0) break;
    }
}

// A header claiming a picture above the size limit, or far more pixels than the member can code,
// is refused before the decoder allocates for it.
bool headerWithinLimits(const DecodeJob& job)
{
    const jpeg_decompress_struct& d = job.decoder;
    const uint64_t outBytes = uint64_t(d.image_width) * d.image_height * uint64_t(d.num_components);
    return imageSizeAllowed(d.image_width, d.image_height) && outBytes <= uint64_t(job.size) * MAX_JPEG_EXPANSION;
}

// The only frame that calls setjmp; it holds no objects of its own.
bool decodeWithLibrary(DecodeJob* job)
{
    job->decoder.err = jpeg_std_error(&job->errors.standard);
    job->errors.standard.error_exit = onFatalError;
    job->errors.standard.output_message = onOutputMessage;
    if (setjmp(job->errors.escape)) {
        jpeg_destroy_decompress(&job->decoder);
        return false;
    }
    jpeg_create_decompress(&job->decoder);
    job->progress.progress_monitor = onProgress;
    job->decoder.progress = &job->progress;
    installSource(*job);
    jpeg_read_header(&job->decoder, TRUE);
    if (!headerWithinLimits(*job)) {
        jpeg_destroy_decompress(&job->decoder);
        return false;
    }
    jpeg_start_decompress(&job->decoder);
    if (!prepareBuffer(*job)) {
        jpeg_destroy_decompress(&job->decoder);
        return false;
    }
    readRows(*job);
    jpeg_destroy_decompress(&job->decoder);
    return true;
}

uint8_t blendInk(uint8_t ink, uint8_t black, bool inverted)
{
    unsigned paper = inverted ? ink : 255u - ink;
    unsigned light = inverted ? black : 255u - black;
    return uint8_t((paper * light + 127u) / 255u);
}

} // namespace

void ImageBuffer::clear()
{
    rowBytes = width = height = 0;
    pixels.clear();
    pixels.shrink_to_fit();
    inkInverted = false;
}

bool decodeJpeg(const uint8_t* data, uint32_t size, ImageBuffer& image)
{
    image.clear();
    if (!data || size == 0) return false;
    auto job = std::make_unique<DecodeJob>();
    job->image = &image;
    job->data = data;
    job->size = size;
    if (decodeWithLibrary(job.get())) return true;
    image.clear();
    return false;
}

bool loadJpeg(const char* memberName, ImageBuffer& image)
{
    AssetStream stream;
    if (!stream.fetch(memberName)) {
        char text[320];
        std::snprintf(text, sizeof text, "ARCH:Can't load JPG file: %s", memberName);
        platform::messageBox(text, "Error");
        image.clear();
        return false;
    }
    return decodeJpeg(stream.data(), stream.size(), image);
}

bool convertToRgb(ImageBuffer& image)
{
    const int32_t components = image.components();
    if (components == 3) return true;
    if (components != 1 && components != 4) return false;
    const size_t count = size_t(image.width) * size_t(image.height);
    std::vector<uint8_t> rgb(count * 3);
    const uint8_t* in = image.pixels.data();
    for (size_t i = 0; i < count; ++i, in += components) {
        uint8_t* out = &rgb[i * 3];
        if (components == 1) {
            out[0] = out[1] = out[2] = in[0];
            continue;
        }
        for (int c = 0; c < 3; ++c) out[c] = blendInk(in[c], in[3], image.inkInverted);
    }
    image.pixels = std::move(rgb);
    image.rowBytes = image.width * 3;
    image.inkInverted = false;
    return true;
}

} // namespace qm
