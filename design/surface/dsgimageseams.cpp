#include "design/surface/dsgimageseams.h"

#include <QImage>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "design/surface/dsgimagescaler.h"
#include "design/surface/dsgwodraw.h"
#include "image/raster.h"
#include "image/rasterfile.h"

namespace {

// The one resampling of the seams: the generalised cubic filter, edges
// repeated.
bool ResampleLikeThumbnails(CRaster& source, LONG width, LONG height, CRaster& result) {
    if (width <= 0 || height <= 0) return false;
    return source.Resample2(width, height, CRaster::InterpGeneralizedCubic, CRaster::OverflowRepeat,
                            &result);
}

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
        // The LCD's depth on the standard palettes, without diffusion. A
        // picture already at that depth or below keeps colours of its own
        // palette that the LCD lacks: it goes through full colour first, so
        // that it too ends on the LCD's colours.
        const DWORD lcd = static_cast<DWORD>(bitsPerPixel);
        if (picture.GetBpp() <= lcd && !picture.IncreaseBpp(24)) return {};
        if (picture.GetBpp() > lcd && !picture.DecreaseBpp(lcd, false, nullptr, 0)) return {};
        return picture.MakeBitmap();
    }

    void DrawWOPicture(CDC& dc, const QImage& picture, const CRect& target) override {
        CRaster raster;
        if (!raster.CreateFromHBITMAP(picture)) return;
        raster.Draw(&dc, target, nullptr, false);
    }

    bool LoadWOPictureFile(const std::string& path, const std::function<CSize(const CSize&)>& fit,
                           std::vector<BYTE>& bmp, CSize& size) override {
        CRaster picture;
        if (!picture.Load(path, RASTER_FORMAT_UNKNOWN)) return false;
        const CSize own(static_cast<LONG>(picture.GetWidth()),
                        static_cast<LONG>(picture.GetHeight()));
        const CSize wanted = fit ? fit(own) : own;
        CRaster resampled;
        CRaster* stored = &picture;
        if (!(wanted == own)) {
            if (!ResampleLikeThumbnails(picture, wanted.cx, wanted.cy, resampled)) return false;
            stored = &resampled;
        }
        CRasterMemFile file;
        if (!file.Open() || !stored->Encode(&file, RASTER_FORMAT_BMP)) return false;
        const LONG length = file.Size();
        const BYTE* bytes = file.GetBuffer(false);
        if (length <= 0 || bytes == nullptr) return false;
        bmp.assign(bytes, bytes + length);
        size = CSize(static_cast<LONG>(stored->GetWidth()), static_cast<LONG>(stored->GetHeight()));
        return true;
    }
};

bool ScaleThumbnail(const QImage& source, int width, int height, QImage& result) {
    CRaster drawn;
    if (width <= 0 || height <= 0 || !drawn.CreateFromHBITMAP(source)) return false;
    CRaster scaled;
    if (!ResampleLikeThumbnails(drawn, width, height, scaled)) return false;
    result = scaled.MakeBitmap();
    return !result.isNull();
}

}  // namespace

void RegisterDsgImageSeams() {
    static CDsgRasterPictureRenderer renderer;
    if (GetDsgWOPictureRenderer() != &renderer) SetDsgWOPictureRenderer(&renderer);
    if (!GetDsgImageScaler()) SetDsgImageScaler(ScaleThumbnail);
}
