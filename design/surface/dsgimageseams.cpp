#include "design/surface/dsgimageseams.h"

#include <QImage>
#include <limits>

#include "design/surface/dsgimagescaler.h"
#include "design/surface/dsgwodraw.h"
#include "image/raster.h"

namespace {

class CDsgRasterPictureRenderer final : public CDsgWOPictureRenderer {
public:
    QImage DecodeWOPicture(const BYTE* bytes, std::size_t length, int bitsPerPixel) override {
        if (bytes == nullptr || length == 0 || length > std::numeric_limits<DWORD>::max())
            return {};
        CRaster picture;
        // The decoder reads the bytes only; its memory stream copies them.
        if (!picture.Decode(const_cast<BYTE*>(bytes), static_cast<DWORD>(length),
                            RASTER_FORMAT_BMP))
            return {};
        // The LCD's depth on the standard palettes, without diffusion.
        if (picture.GetBpp() > static_cast<WORD>(bitsPerPixel) &&
            !picture.DecreaseBpp(static_cast<DWORD>(bitsPerPixel), false, nullptr, 0))
            return {};
        return picture.MakeBitmap();
    }

    void DrawWOPicture(CDC& dc, const QImage& picture, const CRect& target) override {
        CRaster raster;
        if (!raster.CreateFromHBITMAP(picture)) return;
        raster.Draw(&dc, target, nullptr, false);
    }
};

bool ScaleThumbnail(const QImage& source, int width, int height, QImage& result) {
    CRaster drawn;
    if (width <= 0 || height <= 0 || !drawn.CreateFromHBITMAP(source)) return false;
    CRaster scaled;
    if (!drawn.Resample2(width, height, CRaster::InterpGeneralizedCubic, CRaster::OverflowRepeat,
                         &scaled))
        return false;
    result = scaled.MakeBitmap();
    return !result.isNull();
}

}  // namespace

void RegisterDsgImageSeams() {
    static CDsgRasterPictureRenderer renderer;
    if (GetDsgWOPictureRenderer() != &renderer) SetDsgWOPictureRenderer(&renderer);
    if (!GetDsgImageScaler()) SetDsgImageScaler(ScaleThumbnail);
}
