#include "pixel/lmrogjpixel.h"

#include <QApplication>
#include <algorithm>
#include <cstring>

#include "foundation/fxrevpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "foundation/fxutils.h"
#include "pixel/lmrestate.h"
#include "pixel/lmrgoption.h"
#include "platform/inputfile.h"
#include "platform/uiservices.h"

namespace {

bool OnCanvas(int x, int y) {
    return x >= 0 && x < CLmrOGJPixel::OGJP_WIDTH && y >= 0 && y < CLmrOGJPixel::OGJP_HEIGHT;
}

// v in upper-case hex, zero-padded to w digits and cut to its last w.
void AppendHex(std::string& text, DWORD v, int w) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int i = w - 1; i >= 0; --i) text += kDigits[(v >> (4 * i)) & 0xF];
}

int FailRead(const char* reason) {
    LogWrite(std::string("OGJPixelFromFile Fail Reason ") + reason);
    return 0;
}

DWORD ZoomDrawColor() {
    const CLmrEGJPEState* state = LmrEGJPEState();
    return state ? state->m_dwDrawColor : 0x000000;
}

}  // namespace

int LmrGetVersionNumber() {
    const std::vector<int> n = SplitVersionText(LUMARET_VERSION_TEXT);
    if (n.size() < 3) return 0;
    return n[0] % 100 * 100 + n[1] % 10 * 10 + n[2] % 10;
}

CLmrOGJPixel::CLmrOGJPixel() : m_dwColors(OGJP_COUNT, kWhite), m_dwPGInfos(OGJP_COUNT, 0) {}

CLmrOGJPixel::~CLmrOGJPixel() = default;

int CLmrOGJPixel::GetJPixelByOSLPoint(int x, int y) const {
    if (!OnCanvas(x, y)) return -1;
    return static_cast<int>(m_dwColors[static_cast<size_t>(x + OGJP_WIDTH * y)]);
}

void CLmrOGJPixel::SetJPixelByOSLPoint(int x, int y, DWORD color) {
    if (OnCanvas(x, y)) m_dwColors[static_cast<size_t>(x + OGJP_WIDTH * y)] = color;
}

int CLmrOGJPixel::GetJPixelByOSLIndex(int index) const {
    if (index < 0 || index >= OGJP_COUNT) return -1;
    return static_cast<int>(m_dwColors[static_cast<size_t>(index)]);
}

void CLmrOGJPixel::SetJPixelByOSLIndex(int index, DWORD color) {
    if (index >= 0 && index < OGJP_COUNT) m_dwColors[static_cast<size_t>(index)] = color;
}

int CLmrOGJPixel::GetJPixelByESLPoint(int x, int y) const {
    return GetJPixelByOSLPoint(x + LmrOpt().omlegjpleft * OGJP_CELL,
                               y + LmrOpt().omlegjptop * OGJP_CELL);
}

void CLmrOGJPixel::SetJPixelByESLPoint(int x, int y, DWORD color) {
    SetJPixelByOSLPoint(x + LmrOpt().omlegjpleft * OGJP_CELL, y + LmrOpt().omlegjptop * OGJP_CELL,
                        color);
}

void CLmrOGJPixel::SetJPixelByESLIndex(int index, DWORD color) {
    const int width = LmrOpt().mlegjpwidth * OGJP_CELL;
    SetJPixelByESLPoint(index % width, index / width, color);
}

DWORD CLmrOGJPixel::GetPGInfoByOSLPoint(int x, int y) const {
    return OnCanvas(x, y) ? m_dwPGInfos[static_cast<size_t>(x + OGJP_WIDTH * y)] : 0;
}

DWORD CLmrOGJPixel::GetPGInfoByESLPoint(int x, int y) const {
    return GetPGInfoByOSLPoint(x + LmrOpt().omlegjpleft * OGJP_CELL,
                               y + LmrOpt().omlegjptop * OGJP_CELL);
}

void CLmrOGJPixel::SetPGInfo(int x, int y, DWORD color, DWORD mark, int merge) {
    if (!OnCanvas(x, y)) return;
    DWORD& value = m_dwPGInfos[static_cast<size_t>(x + OGJP_WIDTH * y)];
    value = merge ? (value | color | mark) : (color | mark);
}

void CLmrOGJPixel::OGJPClear() { std::fill(m_dwColors.begin(), m_dwColors.end(), kWhite); }

void CLmrOGJPixel::ClearAllPGInfos() { std::fill(m_dwPGInfos.begin(), m_dwPGInfos.end(), 0); }

CRect CLmrOGJPixel::GetWorkingAreaOSLRect() {
    const LmrOptionValues& o = LmrOpt();
    return CRect(o.omlegjpleft * OGJP_CELL, o.omlegjptop * OGJP_CELL,
                 (o.omlegjpleft + o.mlegjpwidth) * OGJP_CELL - 1,
                 (o.omlegjptop + o.mlegjpheight) * OGJP_CELL - 1);
}

void CLmrOGJPixel::GetUJPixelByPGInfo(std::vector<DWORD>& xs, std::vector<DWORD>& ys,
                                      std::vector<DWORD>& colors, const CRect* rect) const {
    xs.clear();
    ys.clear();
    colors.clear();
    const CRect area = rect ? *rect : GetWorkingAreaOSLRect();
    const int left = std::max<int>(area.left, 0), right = std::min<int>(area.right, OGJP_WIDTH - 1);
    const int top = std::max<int>(area.top, 0),
              bottom = std::min<int>(area.bottom, OGJP_HEIGHT - 1);
    const DWORD drawColor = ZoomDrawColor();
    for (int x = left; x <= right; ++x) {
        for (int y = top; y <= bottom; ++y) {
            const size_t i = static_cast<size_t>(x + OGJP_WIDTH * y);
            const DWORD pg = m_dwPGInfos[i];
            if (pg < kPGMark || pg > 0x1FFFFFF || m_dwColors[i] == drawColor) continue;
            xs.push_back(static_cast<DWORD>(x));
            ys.push_back(static_cast<DWORD>(y));
            colors.push_back(m_dwColors[i]);
        }
    }
}

int CLmrOGJPixel::GetUJPixelForKGJPEdit(std::vector<DWORD>& xs, std::vector<DWORD>& ys,
                                        std::vector<DWORD>& colors, int kind) const {
    xs.clear();
    ys.clear();
    colors.clear();
    if (kind == 3 || kind == 4 || kind == 9) return 1;
    if (kind < 5 || kind > 8) return 0;
    const CLmrEGJPEState* state = LmrEGJPEState();
    CRect area = state && state->HasSelection() ? state->m_rcPlaced : GetWorkingAreaOSLRect();
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    area.right = std::min<LONG>(area.right, OGJP_WIDTH - 1);
    area.bottom = std::min<LONG>(area.bottom, OGJP_HEIGHT - 1);
    auto take = [&](int x, int y) {
        xs.push_back(static_cast<DWORD>(x));
        ys.push_back(static_cast<DWORD>(y));
        colors.push_back(static_cast<DWORD>(GetJPixelByOSLPoint(x, y)));
    };
    if (kind == 5 || kind == 6) {
        const int x = kind == 5 ? area.left : area.right;
        for (int y = area.top; y <= area.bottom; ++y) take(x, y);
    } else {
        const int y = kind == 7 ? area.top : area.bottom;
        for (int x = area.left; x <= area.right; ++x) take(x, y);
    }
    return 1;
}

void CLmrOGJPixel::BHFCreate(CRevolver& bitmap, CPoint cell) const {
    bitmap.Free();
    BYTE bytes[32] = {};
    const int x0 = cell.x * OGJP_CELL, y0 = cell.y * OGJP_CELL;
    for (int y = 0; y < OGJP_CELL; ++y)
        for (int x = 0; x < OGJP_CELL; ++x)
            if (GetJPixelByOSLPoint(x0 + x, y0 + y) == 0)
                bytes[2 * y + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    bitmap.Append(bytes, 32);
}

int CLmrOGJPixel::SHFCreate(std::string& text, CPoint cell, int code) const {
    CRevolver bitmap;
    BHFCreate(bitmap, cell);
    BYTE bytes[32];
    if (!bitmap.ReadAt(bytes, 32, 0)) return 0;
    const std::string indent(static_cast<size_t>(std::max(0, LmrGOption().GetInt("shfdindent", 1))),
                             '\t');
    const std::string lineStart = indent + "  ";
    text = indent + "DEFCHR &H";
    AppendHex(text, static_cast<DWORD>(code), code >= 0 && code < 256 ? 2 : 4);
    text += ",_\r\n";
    text += lineStart;
    for (int i = 0; i < 32; ++i) {
        text += "&H";
        AppendHex(text, bytes[i], 2);
        if (i < 31) text += ',';
        if (i == 7 || i == 15 || i == 23) {
            text += "_\r\n";
            text += lineStart;
        }
    }
    return 1;
}

void CLmrOGJPixel::GSHFCreate(std::string& text, const CRect& cells, int startCode) const {
    text.clear();
    int code = startCode;
    std::string one;
    for (LONG y = cells.top; y <= cells.bottom; ++y) {
        for (LONG x = cells.left; x <= cells.right; ++x) {
            SHFCreate(one, CPoint(x, y), code++);
            if (!text.empty()) text += "\r\n";
            text += one;
        }
    }
}

int CLmrOGJPixel::OGJPixelToFile(const std::string& path) const {
    CFxRevPropStore store;
    CRevolver plane;
    std::vector<BYTE> bytes(OGJP_FILE_BYTES);
    for (size_t i = 0; i < m_dwColors.size(); ++i) DWordToBytes(m_dwColors[i], &bytes[4 * i]);
    plane.Append(bytes.data(), OGJP_FILE_BYTES);
    store.SetRevolver("ogjpixel", plane);
    store.SetInt("erqversion", 100);
    store.SetInt("frqversion", 100);
    store.SetInt("grqversion", 100);
    store.SetInt("wrversion", LmrGetVersionNumber());
    return store.ToFile(path) ? 1 : 0;
}

int CLmrOGJPixel::OGJPixelFromFile(const std::string& path) {
    std::string bytes;
    if (ReadInputFile(path, bytes, kMaxLmrFileBytes) != InputFileError::None)
        return FailRead("1.0");
    CRevolver buffer;
    buffer.Append(bytes.data(), static_cast<int>(bytes.size()));
    return OGJPixelFromRevolver(buffer);
}

int CLmrOGJPixel::OGJPixelFromRevolver(const CRevolver& bytes) {
    CFxRevPropStore store;
    if (!store.FromRevolver(bytes)) return FailRead("1.1");
    const int e = store.GetInt("erqversion", 0);
    const int f = store.GetInt("frqversion", 0);
    const int g = store.GetInt("grqversion", 0);
    if (e == 0 || f == 0 || g == 0) return FailRead("2.0");
    const int version = LmrGetVersionNumber();
    if (version < g) return FailRead("3.0");
    if (version < f)
        MessageBox("Orvanta version is old. Data may appear mixed-up. Please upgrade.",
                   "Unsuitable Program Version", MB_OK, QApplication::activeWindow());
    else if (version < e)
        MessageBox(
            "Orvanta version is old. Some elements could be omitted. Please upgrade your "
            "Dravik.",
            "Unsuitable Program Version", MB_OK, QApplication::activeWindow());
    const CRevolver* plane = store.FindRevolver("ogjpixel");
    if (plane == nullptr) return FailRead("4.0");
    // The whole plane must be there before a single pixel changes.
    const CRevolver& block = *plane;
    if (block.GetLength() < OGJP_FILE_BYTES) return FailRead("5.0");
    std::vector<BYTE> raw(OGJP_FILE_BYTES);
    if (!block.ReadAt(raw.data(), OGJP_FILE_BYTES, 0)) return FailRead("5.1");
    // The top byte is dropped: a colour has 24 bits.
    for (size_t i = 0; i < m_dwColors.size(); ++i)
        m_dwColors[i] = DWordFromBytes(&raw[4 * i]) & 0xFFFFFF;
    return 1;
}
