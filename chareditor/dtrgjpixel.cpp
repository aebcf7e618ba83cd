#include "chareditor/dtrgjpixel.h"

#include <QListWidget>
#include <QVariant>
#include <algorithm>
#include <cstdio>
#include <string>

#include "foundation/fxrevpropstore.h"
#include "foundation/fxsharedvalues.h"
#include "platform/dc.h"

namespace {

constexpr int kSide = CDtrGJPixel::GJP_SIDE;
constexpr int kCells = CDtrGJPixel::GJP_CELLS;

const char kKeyNCCode[] = "GJP.nccode";
const char kKeyFruit[] = "GJP.gjpfruit";

constexpr int CellIndex(int x, int y) { return x + kSide * y; }

}  // namespace

CDtrGJPixel::CDtrGJPixel() { GJPClear(); }

CDtrGJPixel::~CDtrGJPixel() = default;

void CDtrGJPixel::GJPClear() { std::fill(std::begin(m_cells), std::end(m_cells), GJP_BLANK); }

int CDtrGJPixel::GetJPixel(int x, int y) const {
    if (x < 0 || x >= kSide || y < 0 || y >= kSide) return GJP_BLANK;
    return m_cells[CellIndex(x, y)];
}

void CDtrGJPixel::SetJPixel(int index, int value) {
    if (index < 0 || index >= kCells) return;
    m_cells[index] = value;
}

void CDtrGJPixel::Inverse(int index) {
    if (index < 0 || index >= kCells) return;
    m_cells[index] = m_cells[index] == GJP_BLANK ? GJP_INK : GJP_BLANK;
}

void CDtrGJPixel::KGJPMLCrawl() {
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide - 1; ++x) m_cells[CellIndex(x, y)] = m_cells[CellIndex(x + 1, y)];
        m_cells[CellIndex(kSide - 1, y)] = GJP_BLANK;
    }
}

void CDtrGJPixel::KGJPMRCrawl() {
    for (int y = 0; y < kSide; ++y) {
        for (int x = kSide - 1; x > 0; --x) m_cells[CellIndex(x, y)] = m_cells[CellIndex(x - 1, y)];
        m_cells[CellIndex(0, y)] = GJP_BLANK;
    }
}

void CDtrGJPixel::KGJPMUCrawl() {
    for (int y = 0; y < kSide - 1; ++y)
        for (int x = 0; x < kSide; ++x) m_cells[CellIndex(x, y)] = m_cells[CellIndex(x, y + 1)];
    for (int x = 0; x < kSide; ++x) m_cells[CellIndex(x, kSide - 1)] = GJP_BLANK;
}

void CDtrGJPixel::KGJPMDCrawl() {
    for (int y = kSide - 1; y > 0; --y)
        for (int x = 0; x < kSide; ++x) m_cells[CellIndex(x, y)] = m_cells[CellIndex(x, y - 1)];
    for (int x = 0; x < kSide; ++x) m_cells[CellIndex(x, 0)] = GJP_BLANK;
}

void CDtrGJPixel::KGJPMXFlip() {
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide / 2; ++x)
            std::swap(m_cells[CellIndex(x, y)], m_cells[CellIndex(kSide - 1 - x, y)]);
}

void CDtrGJPixel::KGJPMYFlip() {
    for (int y = 0; y < kSide / 2; ++y)
        for (int x = 0; x < kSide; ++x)
            std::swap(m_cells[CellIndex(x, y)], m_cells[CellIndex(x, kSide - 1 - y)]);
}

void CDtrGJPixel::KGJPMRotate() {
    int turned[kCells];
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            turned[CellIndex(kSide - 1 - y, x)] = m_cells[CellIndex(x, y)];
    std::copy(std::begin(turned), std::end(turned), std::begin(m_cells));
}

void CDtrGJPixel::RGJPDraw(CDC& dc, CPoint pt) const {
    CDC bitmap(kSide, kSide, RGB(255, 255, 255));
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            if (m_cells[CellIndex(x, y)] == GJP_INK) bitmap.SetPixel(x, y, RGB(0, 0, 0));
    dc.BitBlt(pt.x, pt.y, kSide, kSide, bitmap, 0, 0, SRCCOPY);
}

void CDtrGJPixel::ToGJPFruit(CRevolver& fruit) const {
    BYTE bytes[GJP_FRUIT_SIZE] = {};
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            if (m_cells[CellIndex(x, y)] == GJP_INK)
                bytes[2 * y + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    fruit.Free();
    fruit.Append(bytes, GJP_FRUIT_SIZE);
}

int CDtrGJPixel::FromGJPFruit(const CRevolver& fruit) {
    if (fruit.GetLength() != GJP_FRUIT_SIZE) return 0;
    BYTE bytes[GJP_FRUIT_SIZE];
    if (!fruit.ReadAt(bytes, GJP_FRUIT_SIZE, 0)) return 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            m_cells[CellIndex(x, y)] =
                (bytes[2 * y + x / 8] & (0x80 >> (x % 8))) ? GJP_INK : GJP_BLANK;
    return 1;
}

void CDtrGJPixel::GJPCopyFrom(const CDtrGJPixel& source, int withCode) {
    std::copy(std::begin(source.m_cells), std::end(source.m_cells), std::begin(m_cells));
    if (withCode) nccode = source.nccode;
}

void CDtrGJPixel::AddToListCtrl(QListWidget& list) {
    char text[16];
    std::snprintf(text, sizeof text, "&H%04X", static_cast<unsigned>(nccode));
    auto* item = new QListWidgetItem(QString::fromLatin1(text));
    item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
    list.insertItem(list.count(), item);
}

CDtrGJPixel* CDtrGJPixel::GJPixelFromListItem(const QListWidgetItem* item) {
    if (!item) return nullptr;
    return reinterpret_cast<CDtrGJPixel*>(item->data(Qt::UserRole).value<quintptr>());
}

int CDtrGJPixel::GJPixelToRevolver(CRevolver& buffer) const {
    CRevolver fruit;
    ToGJPFruit(fruit);
    CFxRevPropStore store;
    store.SetInt(kKeyNCCode, nccode);
    store.SetRevolver(kKeyFruit, fruit);
    return store.ToRevolver(buffer) ? 1 : 0;
}

int CDtrGJPixel::GJPixelFromRevolver(const CRevolver& buffer) {
    static const std::string reason = "GJPixelFromRevolver Fail Reason ";
    CFxRevPropStore store;
    if (!store.FromRevolver(buffer)) {
        LogWrite(reason + "1.0");
        return 0;
    }
    if (store.GetValueType(kKeyNCCode) != CFxPropItem::VT_INT) {
        LogWrite(reason + "2.0");
        return 0;
    }
    const int code = store.GetInt(kKeyNCCode, 0);
    CRevolver fruit;
    // The code changes only together with the cells, so a bad record leaves
    // the character as it was.
    if (!store.LookupRevolver(kKeyFruit, fruit) || !FromGJPFruit(fruit)) {
        LogWrite(reason + "3.0");
        return 0;
    }
    nccode = code;
    return 1;
}
