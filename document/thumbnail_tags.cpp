// The standard tags a host stores when it saves a document: the two thumbnails and the outline vectors,
// written through the open tag writer.
#include "core/memory.h"
#include "ox.h"

namespace ox::document {
namespace {

struct ThumbBox {
    int32_t width, height;
    uint16_t tag;
};
constexpr ThumbBox kSmall{64, 48, 0xFF00};
constexpr ThumbBox kLarge{160, 120, 0xFF02};

// A white thumbnail with the whole source box-sampled into its centre, proportions kept, never enlarged.
// The fill's and the resampling's results are not examined: a thumbnail that could not be drawn stays white.
void draw_thumbnail(OxHandle thumb, const ThumbBox &box, OxHandle source, double src_w, double src_h) {
    double w = box.width, h = box.height;
    oxCalcThumbSize(src_w, src_h, &w, &h);
    const auto fit_w = static_cast<int32_t>(w), fit_h = static_cast<int32_t>(h);
    oxImageBoxFill(thumb, 0, 0, box.width, box.height, 0xFFFFFF);
    uint32_t ignored = 0;
    oxImageChangeResolution(thumb, (box.width - fit_w) / 2, (box.height - fit_h) / 2, fit_w, fit_h, source, 0, 0,
                            static_cast<int32_t>(src_w), static_cast<int32_t>(src_h), 1, &ignored);
}

}  // namespace
}  // namespace ox::document

using namespace ox::document;

extern "C" {

OX_API void oxCalcThumbSize(double srcWidth, double srcHeight, double *boxWidth, double *boxHeight) {
    const double a = srcWidth, b = srcHeight;
    double &p = *boxWidth, &q = *boxHeight;
    if (p / q < a / b) {
        if (a < p) {
            p = a;
            q = b;
        } else {
            q = b / (a / p);
        }
    } else {
        if (b < q) {
            p = a;
            q = b;
        } else {
            p = a / (b / q);
        }
    }
}

OX_API uint32_t oxSetFileThumbnailTag(OxHandle image, uint32_t *err) {
    const ox::core::OwnedHandle small(oxImageCreate(kSmall.width, kSmall.height, 24, err));
    if (!small) return 0;
    const ox::core::OwnedHandle large(oxImageCreate(kLarge.width, kLarge.height, 24, err));
    if (!large) return 0;
    const double w = oxImageGetWidthDirect(image), h = oxImageGetHeightDirect(image);
    draw_thumbnail(small.get(), kSmall, image, w, h);
    draw_thumbnail(large.get(), kLarge, image, w, h);
    // The large thumbnail is stored only when the small one was.
    return oxSetKavelTag(small.get(), kSmall.tag, err) && oxSetKavelTag(large.get(), kLarge.tag, err) ? 1 : 0;
}

OX_API int32_t oxSetFileVectorTag(OxHandle image, uint32_t *err) {
    const ox::core::OwnedHandle outline(oxImageToVector(image, err));
    if (!outline) return 0;
    return oxSetKavelTag(outline.get(), 0xFF05, err) != 0 ? 1 : 0;
}

}  // extern "C"
