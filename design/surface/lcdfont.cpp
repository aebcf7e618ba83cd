#include "design/surface/lcdfont.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "design/model/dsggoption.h"
#include "platform/textcodec.h"

namespace {

CFxNamedLists MakeFontTable() {
    CFxNamedLists table;
    table.DefineHeader("width|height|face", '|');
    table.SetList("width", "10|10|16|16|16|16|24|24|48", '|');
    table.SetList("height", "16|16|16|16|16|16|24|24|48", '|');
    table.SetList("face", A("돋움|샘물|바탕|돋움|굴림|으뜸|돋움|바탕|돋움"), '|');
    table.SetList("half_width", "7|7|8|8|8|8|12|12|25", '|');

    // Display names of the text attributes.
    static const char* const names[][2] = {
        {szUTP_DTSIZE, "dot_size"},
        {szUTP_DTSPACE, "dotted_spacing"},
        {szUTP_CSWITCH, "color_switch"},
        {szUTP_KRNFINDEX, "kor_font_index"},
        {szUTP_ALNFINDEX, "alnum_font_index"},
        {szUTP_LSCRIPT, "text_content"},
        {szUTP_WONSTYLE, "ststyle"},
        {szUTP_BSTATE, "bold_state"},
        {szUTP_IS_INVERSED, "inverse"},
        {szUTP_IS_UNDERLINED, "underline"},
        {szUTP_WONORDER, "storder"},
    };
    for (const auto& [key, name] : names) table.SetList(key, name, '|');
    return table;
}

CFxNamedLists MakeAlnumWidthTable() {
    CFxNamedLists table;
    table.DefineHeader("10x16|16x16|24x24|48x48", '|');
    std::string sevens = "7";
    for (int i = 1; i < 95; ++i) sevens += "|7";
    table.SetList("10x16", sevens, '|');
    table.SetList("16x16",
                  "8|3|5|11|9|14|11|3|6|6|7|9|4|9|3|8|9|5|9|9|10|9|9|9|9|9|3|4|9|9|9|8|13|11|10|"
                  "11|10|10|10|12|10|3|7|11|10|14|11|12|10|12|10|10|11|11|11|15|11|11|10|5|14|5|"
                  "9|9|5|10|9|9|9|9|7|9|9|3|5|10|3|13|9|10|9|9|6|9|7|9|9|11|9|9|9|7|3|7|12",
                  '|');
    table.SetList("24x24",
                  "7|6|8|15|13|21|21|5|9|9|11|16|5|14|5|10|14|8|14|14|15|14|14|14|14|14|5|5|14|"
                  "14|14|14|21|17|15|16|16|15|15|17|16|5|11|16|15|19|15|18|16|17|16|16|16|16|16|"
                  "22|16|17|16|8|21|8|14|15|7|14|14|14|14|14|10|13|13|5|7|13|5|19|13|13|14|14|9|"
                  "12|10|13|14|20|13|13|13|9|5|9|20",
                  '|');
    table.SetList("48x48",
                  "23|12|20|30|30|45|34|10|17|17|20|26|11|28|10|22|28|19|28|27|29|27|28|29|28|28|"
                  "11|11|24|26|24|28|40|38|34|36|34|31|30|38|33|12|26|34|30|38|33|38|31|37|32|32|"
                  "34|33|35|48|35|37|32|16|22|16|28|28|28|28|30|28|30|29|20|29|28|11|14|29|11|42|"
                  "28|30|30|30|20|28|19|28|30|42|29|30|28|20|10|20|28",
                  '|');
    return table;
}

constexpr LONG kU = nDSG_LMHUGE_PER_DOT;

// One character placed by the layout, in LCD units.
struct PlacedChar {
    long long x = 0;
    long long y = 0;
    long long advance = 0;
    long long height = 0;
    std::string text;  // what is drawn: the character, or "?"
    bool doubleByte = false;
};

LONG ClampToLong(long long v) {
    return static_cast<LONG>(std::clamp<long long>(v, std::numeric_limits<LONG>::min(),
                                                   std::numeric_limits<LONG>::max()));
}

// A font size in pixels from dots at the zoom, truncated; 0 when it cannot
// be represented.
LONG DotsToPixels(double dots, double zoom) {
    const double v = dots * zoom;
    if (!(v > 0) || v >= std::numeric_limits<LONG>::max()) return 0;
    return static_cast<LONG>(v);
}

}  // namespace

const CFxNamedLists& GetLCDFontTable() {
    static const CFxNamedLists table = MakeFontTable();
    return table;
}

const CFxNamedLists& GetLCDAlnumWidthTable() {
    static const CFxNamedLists table = MakeAlnumWidthTable();
    return table;
}

int GetLCDFontWidth(int krnIndex) { return GetLCDFontTable().GetListInt("width", krnIndex, 0); }

int GetLCDFontHeight(int krnIndex) { return GetLCDFontTable().GetListInt("height", krnIndex, 0); }

std::string GetLCDFontFace(int krnIndex) { return GetLCDFontTable().GetListItem("face", krnIndex); }

std::string GetUTPDisplayName(const std::string& key) {
    return GetLCDFontTable().GetListItem(key, 0);
}

int GetLCDCharWidth(int krnIndex, int alnIndex, int ch, BOOL* notFound) {
    if (notFound) *notFound = FALSE;
    const CFxNamedLists& fonts = GetLCDFontTable();
    if (alnIndex == 0) return fonts.GetListInt("half_width", krnIndex, -1);

    const std::string cellSize =
        fonts.GetListItem("width", krnIndex) + "x" + fonts.GetListItem("height", krnIndex);
    const CFxNamedLists& widths = GetLCDAlnumWidthTable();
    const int width = widths.GetListInt(cellSize, ch - 32, -1);
    if (width >= 0) return width;
    if (notFound) *notFound = TRUE;
    return widths.GetListInt(cellSize, '?' - 32, -1);
}

namespace {

// Drawing needs a page that shows the LCD at some size.
bool CanDraw(const CDC* dc, const CDsgCDinateEVMent* page) {
    if (dc == nullptr || page == nullptr) return false;
    const double zoom = page->GetLMZoom();
    return std::isfinite(zoom) && zoom > 0;
}

}  // namespace

CDsgLScriptPrinter::CDsgLScriptPrinter(const CDsgWObj& wobj) : m_wobj(wobj) {}

int CDsgLScriptPrinter::PrintLScript(CDC* dc, const CRect& lmRect, const CDsgCDinateEVMent* page,
                                     std::vector<std::string>* lines, std::vector<int>* offsets,
                                     CSize* size, BOOL measureOnly, BOOL singleLine) const {
    if (lines) lines->clear();
    if (offsets) offsets->clear();
    if (size) *size = CSize(0, 0);

    const CDsgUTProps& utp = m_wobj.GetUTProps();
    std::string text = utp.GetString(szUTP_LSCRIPT);
    std::erase(text, '\r');
    // Font indexes outside the tables fall back to the nearest font.
    const int k = std::clamp(utp.GetInt(szUTP_KRNFINDEX, 0), 0, nDSG_LCDFONT_COUNT - 1);
    const int aln = utp.GetInt(szUTP_ALNFINDEX, 0);
    const BOOL underlined = utp.GetInt(szUTP_IS_UNDERLINED, 0) != 0;
    const BOOL inversed = utp.GetInt(szUTP_IS_INVERSED, 0) != 0;
    const int bstate = utp.GetInt(szUTP_BSTATE, 0);

    const int cellWidth = GetLCDFontWidth(k) + (k <= 1 ? 1 : 0);  // dots
    const int lineHeight = GetLCDFontHeight(k);                   // dots
    const long long lineUnits = static_cast<long long>(lineHeight) * kU;
    const double breakReach = 0.8 * lineHeight * kU;

    CRect rect = lmRect;
    rect.NormalizeRect();

    // Layout.
    std::vector<PlacedChar> placed;
    long long x = rect.left;
    long long y = rect.top;
    long long lineIndex = 0;
    std::string line;
    bool lineStarted = false;  // a character or newline was taken on this line
    bool afterNewline = false;
    bool ended = false;
    auto finishLine = [&]() {
        if (lines) lines->push_back(line);
        if (offsets) offsets->push_back(ClampToLong(lineIndex * lineUnits));
    };

    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        std::string shown;
        bool doubleByte = false;
        if (IsLeadByte(lead)) {
            if (i + 1 < text.size()) {
                length = 2;
                doubleByte = true;
                shown = text.substr(i, 2);
            } else {
                shown = "?";  // a lead byte without its second byte
            }
        } else {
            shown = std::string(1, static_cast<char>(lead));
        }

        // A new line after a newline, or when the next character would pass
        // the right edge. This holds on an empty line too: in a box narrower
        // than that reach the first line stays empty and every character
        // takes a line of its own.
        if (afterNewline || x + breakReach > rect.right) {
            finishLine();
            if (singleLine) {
                ended = true;
                break;
            }
            ++lineIndex;
            y += lineUnits;
            x = rect.left;
            line.clear();
            lineStarted = afterNewline = false;
        }
        if (y + breakReach > rect.bottom) {
            ended = true;
            break;
        }

        lineStarted = true;
        if (lead == '\n') {
            afterNewline = true;
            i += length;
            continue;
        }

        // The line keeps the character as written (a lone lead byte as "?");
        // the page shows "?" for one the font lacks.
        line += shown;
        PlacedChar pc;
        pc.x = x;
        pc.y = y;
        pc.height = lineUnits;
        pc.doubleByte = doubleByte;
        if (doubleByte) {
            pc.advance = static_cast<long long>(cellWidth) * kU;
        } else {
            BOOL notFound = FALSE;
            const int ch = shown == "?" ? '?' : lead;
            const int advance = GetLCDCharWidth(k, aln, ch, &notFound);
            if (notFound) pc.text = "?";
            pc.advance = static_cast<long long>(std::max(0, advance)) * kU;
        }
        if (pc.text.empty()) pc.text = shown;
        x += pc.advance;
        placed.push_back(std::move(pc));
        i += length;
    }
    if (!ended && lineStarted) finishLine();

    if (size && !placed.empty()) {
        long long left = placed.front().x, top = placed.front().y;
        long long right = left, bottom = top;
        for (const PlacedChar& pc : placed) {
            left = std::min(left, pc.x);
            top = std::min(top, pc.y);
            right = std::max(right, pc.x + pc.advance);
            bottom = std::max(bottom, pc.y + pc.height);
        }
        *size = CSize(ClampToLong(right - left), ClampToLong(bottom - top));
    }

    if (measureOnly || dc == nullptr) return 1;

    // Drawing: only on a page that has a size.
    if (!CanDraw(dc, page)) return 0;
    const double zoom = page->GetLMZoom();

    FontSpec doubleFont;
    doubleFont.face = GetLCDFontFace(k);
    doubleFont.height = DotsToPixels(cellWidth < 11 ? lineHeight - 3 : lineHeight, zoom);
    doubleFont.width = DotsToPixels(0.49 * cellWidth, zoom);
    doubleFont.weight = (bstate & 1) ? FW_BOLD : FW_NORMAL;
    doubleFont.quality = NONANTIALIASED_QUALITY;

    FontSpec singleFont;
    singleFont.face = aln != 0 ? "Arial" : "";
    singleFont.height = DotsToPixels(lineHeight, zoom);
    singleFont.weight = (bstate & 2) ? FW_BOLD : FW_NORMAL;
    singleFont.quality = NONANTIALIASED_QUALITY;
    if (doubleFont.height <= 0 || singleFont.height <= 0) return 0;

    const CDsgGOption& options = GetDsgGOption();
    const COLORREF ink = options.GetInt(GOPT_CPCINDEX, 0) == 0 ? RGB(0, 0, 0) : RGB(255, 255, 255);
    const COLORREF negative = options.GetNegativeColor();
    const COLORREF textColor = inversed ? negative : ink;

    const FontSpec oldFont = dc->GetFont();
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    const COLORREF oldColor = dc->SetTextColor(textColor);
    // Fonts are made only when the next character needs another one.
    FontSpec current;
    bool haveFont = false;
    auto selectFont = [&](const FontSpec& font) {
        if (haveFont && font.face == current.face && font.height == current.height &&
            font.width == current.width && font.weight == current.weight)
            return;
        dc->SelectFont(font);
        current = font;
        haveFont = true;
    };
    for (const PlacedChar& pc : placed) {
        const CPoint from = page->LMToClientPoint(ClampToLong(pc.x), ClampToLong(pc.y));
        const CPoint to =
            page->LMToClientPoint(ClampToLong(pc.x + pc.advance), ClampToLong(pc.y + pc.height));
        if (inversed) dc->FillSolidRect(CRect(from.x - 1, from.y, to.x, to.y + 1), ink);
        if (pc.doubleByte) {
            selectFont(doubleFont);
        } else {
            FontSpec font = singleFont;
            if (aln == 0) font.width = DotsToPixels(0.85 * pc.advance / kU, zoom);
            selectFont(font);
        }
        dc->TextOut(from.x, from.y, pc.text);
        if (underlined) dc->FillSolidRect(CRect(from.x - 3, to.y - 1, to.x + 3, to.y), textColor);
    }
    dc->SetTextColor(oldColor);
    dc->SetBkMode(oldMode);
    dc->SelectFont(oldFont);
    return 1;
}

void CDsgLScriptPrinter::DrawPText(CDC* dc, const CDsgCDinateEVMent* page) const {
    if (!CanDraw(dc, page)) return;
    const CDsgUTProps& utp = m_wobj.GetUTProps();
    const CRect lm = m_wobj.GetLMHugeRect();
    CRect rect = page->LMToClientRect(lm);
    rect.NormalizeRect();

    const int oldMode = dc->SetBkMode(TRANSPARENT);
    if (utp.GetInt(szUTP_PTTRANSPARENT, 1) == 0)
        dc->FillSolidRect(rect,
                          static_cast<COLORREF>(utp.GetInt(szUTP_PTBKCOLOR, 0xFFFFFF)) & 0xFFFFFF);
    FontSpec font;
    utp.CreateFontA(font, page->GetLMZoom());
    const FontSpec oldFont = dc->SelectFont(font);
    UINT format = DT_NOPREFIX;
    if (utp.GetInt(szUTP_PTWORDBREAK, 0) != 0) format |= DT_WORDBREAK;
    if (utp.GetInt(szUTP_PTHCENTER, 0) != 0) format |= DT_CENTER;
    dc->DrawText(utp.GetString(szUTP_LSCRIPT), rect, format);
    dc->SelectFont(oldFont);
    dc->SetBkMode(oldMode);
}
