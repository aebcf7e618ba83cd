#pragma once

// Our own player of Windows metafiles (the 16-bit records of a placeable
// file) and enhanced metafiles, drawing on a device context. Every record's
// size, counts and offsets are checked against its bytes before anything is
// read; a record that does not fit throws CRasterCodecError("corrupted WMF").
// Records that refer to an object that does not exist are left out, as the
// system's player leaves out a call that fails. Comments (and the EMF+
// records carried in them) are skipped.

#include <QPointF>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "image/codecs/rastercodecs.h"
#include "platform/dc.h"

namespace metafile {
struct Params;
}

class CMetafilePlayer {
public:
    // `escape` is polled between records: non-zero stops with "Cancelled".
    CMetafilePlayer(CDC& dc, const LONG* escape);

    // The records that follow a metafile's 18-byte standard header, with
    // room for `objects` objects; the logical box `frame` (the placeable
    // header's bounding box) fills the whole surface.
    void PlayWinMetafile(const BYTE* records, std::size_t size, int objects, const CRect& frame);
    // An enhanced metafile from its header record on; the header's bounds
    // fill the whole surface.
    void PlayEnhMetafile(const BYTE* data, std::size_t size);

    // Record types the player met but could not draw, for the tests.
    const std::vector<unsigned>& Undrawn() const { return undrawn_; }

private:
    struct LogPen {
        int style = PS_SOLID;
        double width = 0;  // logical units; 0 is one pixel whatever the mapping
        COLORREF color = 0;
        bool geometric = false;
        int cap = PS_ENDCAP_ROUND;
        std::vector<DWORD> dashes;
    };
    struct LogFont {
        LONG height = 0, width = 0, escapement = 0, weight = FW_NORMAL;
        bool italic = false, underline = false, strikeOut = false;
        BYTE quality = DEFAULT_QUALITY;
        std::string face;  // system text
    };
    struct Region {
        std::vector<CRect> rects;  // logical
        CRect bound;
    };
    struct Object {
        enum Kind { kNone, kPen, kBrush, kFont, kPalette, kRegion } kind = kNone;
        LogPen pen;
        Brush brush;
        LogFont font;
        std::vector<COLORREF> palette;
        Region region;
    };
    struct State {
        LogPen pen;
        Brush brush = Brush(RGB(255, 255, 255));
        LogFont font;
        std::vector<COLORREF> palette;
        COLORREF textColor = 0, bkColor = RGB(255, 255, 255);
        int bkMode = OPAQUE, rop2 = R2_COPYPEN, fillMode = ALTERNATE;
        UINT textAlign = 0;
        int mapMode = 1;
        double wox = 0, woy = 0, wex = 1, wey = 1, vox = 0, voy = 0, vex = 1, vey = 1;
        double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;  // world transform
        QPointF position;                                           // device
        int arcDirection = 1;                                       // counter-clockwise
        CDC::ClipState clip;
    };
    struct Figure {
        std::vector<QPointF> points;  // device
        bool closed = false;
    };

    // Logical to device.
    QPointF Dev(double x, double y) const;
    void PageScale(double& sx, double& sy) const;
    double LinearScale() const;  // how much one logical unit grows, on average
    bool AxisAligned() const { return state_.m12 == 0 && state_.m21 == 0; }
    CRect DevRect(double l, double t, double r, double b) const;
    static CPoint Pixel(QPointF p);
    bool Near(const CRect& device) const;    // close enough to draw as it is
    CRect OnSurface(CRect device) const;     // far edges brought near the surface
    void Segment(QPointF from, QPointF to);  // one pen line, cut to the surface

    COLORREF Resolve(COLORREF c) const;  // palette-relative colours to RGB
    void Sync();                         // the state's pen, brush, modes into the surface
    void SyncFont();

    // Drawing in device space; inside a path the outlines are collected.
    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    // Lines from the current position through the points, one figure (a wide
    // pen strokes it once, joins and all); the position ends on the last.
    void PolylineTo(const std::vector<QPointF>& points);
    void Poly(const std::vector<QPointF>& points, bool closed);
    void PolyPoly(const std::vector<std::vector<QPointF>>& figures, bool closed);
    void Bezier(std::vector<QPointF> points, bool fromCurrent);
    void RectangleShape(double l, double t, double r, double b);
    void RoundRectShape(double l, double t, double r, double b, double w, double h);
    // kind: 0 ellipse, 1 arc, 2 chord, 3 pie.
    void EllipseShape(int kind, double l, double t, double r, double b, double xs, double ys,
                      double xe, double ye);
    void Text(double x, double y, const QString& text, const std::vector<double>& dx, UINT options,
              const CRect* rect);
    void DrawDib(const BYTE* bmi, std::size_t bmiSize, const BYTE* bits, std::size_t bitsSize,
                 unsigned usage, double x, double y, double w, double h, LONG sx, LONG sy, LONG sw,
                 LONG sh, DWORD rop, bool bottomUpOrigin, int blend = 0);
    void FloodFill(QPointF at, COLORREF color, bool surface);
    void PatBlt(double x, double y, double w, double h, DWORD rop);
    void FillRegion(const Region& region, const Brush& brush, int how);
    void ClipToRect(const CRect& device, int mode);
    void ExcludeBand(const CRect& device);
    void SaveDC();
    void RestoreDC(LONG which);
    void Select(const Object& object);
    void SetMapMode(int mode);
    void NotDrawn(unsigned type);
    void Poll();

    void WmfRecord(unsigned function, const BYTE* p, std::size_t n);
    void EmfRecord(unsigned type, const BYTE* p, std::size_t n);
    // The records of one family each, in the file of that family; false
    // for a record of another.
    bool WmfState(unsigned function, const BYTE* data, std::size_t n);
    bool WmfObjects(unsigned function, const BYTE* data, std::size_t n);
    bool WmfDrawing(unsigned function, const BYTE* data, std::size_t n);
    bool WmfBitmaps(unsigned function, const BYTE* data, std::size_t n);
    bool WmfText(unsigned function, const BYTE* data, std::size_t n);
    bool EmfState(unsigned type, const BYTE* data, std::size_t n);
    bool EmfObjects(unsigned type, const BYTE* data, std::size_t n);
    bool EmfDrawing(unsigned type, const BYTE* data, std::size_t n);
    bool EmfBitmaps(unsigned type, const BYTE* data, std::size_t n);
    bool EmfText(unsigned type, const BYTE* data, std::size_t n);
    int WmfAddObject(Object object);
    // What the records of several families read.
    const Object* WmfObject(const metafile::Params& p, std::size_t off) const;
    const Object* EmfHandle(DWORD index) const;
    bool EmfBitmap(const metafile::Params& p, std::size_t at, const BYTE*& bmi,
                   std::size_t& bmiSize, const BYTE*& bits, std::size_t& bitsSize) const;
    Region EmfRegion(const metafile::Params& p, std::size_t at, DWORD cb) const;

    CDC& dc_;
    const LONG* escape_;
    unsigned records_ = 0;
    State state_;
    std::vector<State> saved_;
    std::vector<Object> wmfObjects_;      // slot by slot
    std::map<DWORD, Object> emfObjects_;  // by handle index
    DWORD emfHandles_ = 0;
    bool wmf_ = false;
    double frameX_ = 0, frameY_ = 0, frameSx_ = 1, frameSy_ = 1;  // EMF bounds onto the surface
    double devicePerMm_ = 96 / 25.4;
    bool inPath_ = false;
    std::vector<Figure> path_;
    FontSpec appliedFont_;
    bool fontApplied_ = false;
    std::vector<unsigned> undrawn_;
};
