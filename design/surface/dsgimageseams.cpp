#include "design/surface/dsgimageseams.h"

#include <QImage>
#include <limits>
#include <string>
#include <vector>

#include "design/surface/dsgimagescaler.h"
#include "design/surface/dsgwodraw.h"
#include "image/raster.h"
#include "image/rasterfile.h"

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

    QImage LoadWOPictureFile(const std::string& path) override {
        CRaster picture;
        if (!picture.Load(path, RASTER_FORMAT_UNKNOWN)) return {};
        return picture.MakeBitmap();
    }

    std::vector<BYTE> EncodeWOPicture(const QImage& picture) override {
        CRaster raster;
        if (!raster.CreateFromHBITMAP(picture)) return {};
        CRasterMemFile file;
        if (!file.Open() || !raster.Encode(&file, RASTER_FORMAT_BMP)) return {};
        const LONG size = file.Size();
        const BYTE* bytes = file.GetBuffer(false);
        if (size <= 0 || bytes == nullptr) return {};
        return std::vector<BYTE>(bytes, bytes + size);
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
