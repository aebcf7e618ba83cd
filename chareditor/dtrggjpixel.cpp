#include "chareditor/dtrggjpixel.h"

#include <QListWidget>
#include <algorithm>
#include <unordered_set>
#include <utility>

#include "foundation/fxrevpropstore.h"
#include "foundation/fxsharedvalues.h"

namespace {

const char kKeyCount[] = "GGJP.gjpcount";
const char kKeyPixelPrefix[] = "GGJP.gjpixel";
const char kKeyCurrent[] = "GGJP.eirncachar";
const char kKeyBpp[] = "GGJP.bpp";

// The set position a "GGJP.gjpixel" key names: decimal digits without
// leading zeros after the prefix; -1 for any other key.
int PixelKeyIndex(const std::string& key) {
    const std::string prefix = kKeyPixelPrefix;
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) return -1;
    const std::string digits = key.substr(prefix.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return -1;
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value > 0x7FFFFFFF ? -1 : static_cast<int>(value);
}

}  // namespace

CDtrGGJPixel::CDtrGGJPixel() = default;

CDtrGGJPixel::~CDtrGGJPixel() { RemoveAll(); }

void CDtrGGJPixel::RemoveAll() { m_characters.clear(); }

void CDtrGGJPixel::GGJPClear() { RemoveAll(); }

CDtrGJPixel* CDtrGGJPixel::GetGJPixelAt(int index) const {
    if (index < 0 || index >= GetGJPCount()) return nullptr;
    return m_characters[static_cast<size_t>(index)].get();
}

CDtrGJPixel* CDtrGGJPixel::AddGJPixel(std::unique_ptr<CDtrGJPixel> character) {
    if (!character) return nullptr;
    m_characters.push_back(std::move(character));
    return m_characters.back().get();
}

void CDtrGGJPixel::GGJPixelToListCtrl(QListWidget& list) {
    list.clear();
    for (auto& character : m_characters) character->AddToListCtrl(list);
}

int CDtrGGJPixel::GetFVacantNCCode() const {
    std::unordered_set<int> used;
    for (const auto& character : m_characters) used.insert(character->nccode);
    for (int code = CDtrGJPixel::GJP_FIRST_CODE; code <= CDtrGJPixel::GJP_LAST_CODE; ++code)
        if (!used.count(code)) return code;
    return 0;
}

void CDtrGGJPixel::DeleteByNCCode(int code, int deleteIt) {
    auto it = std::find_if(m_characters.begin(), m_characters.end(),
                           [code](const auto& character) { return character->nccode == code; });
    if (it == m_characters.end()) return;
    // Without the delete flag the caller keeps the character alive.
    if (!deleteIt) static_cast<void>(it->release());
    m_characters.erase(it);
}

void CDtrGGJPixel::DeleteGJPixel(const CDtrGJPixel* character) {
    const int index = GetGJPixelIndex(character);
    if (index >= 0) m_characters.erase(m_characters.begin() + index);
}

int CDtrGGJPixel::GetGJPixelIndex(const CDtrGJPixel* character) const {
    if (!character) return -1;
    for (size_t i = 0; i < m_characters.size(); ++i)
        if (m_characters[i].get() == character) return static_cast<int>(i);
    return -1;
}

CDtrGJPixel* CDtrGGJPixel::GetGJPixelByNCCode(int code) const {
    for (const auto& character : m_characters)
        if (character->nccode == code) return character.get();
    return nullptr;
}

void CDtrGGJPixel::GetNCCodeMap(std::set<int>& codes) const {
    codes.clear();
    for (const auto& character : m_characters) codes.insert(character->nccode);
}

int CDtrGGJPixel::GGJPixelToRevolver(CRevolver& buffer) const {
    CFxRevPropStore store;
    store.SetInt(kKeyCount, GetGJPCount());
    for (int i = 0; i < GetGJPCount(); ++i) {
        CRevolver record;
        if (!m_characters[static_cast<size_t>(i)]->GJPixelToRevolver(record)) return 0;
        store.SetRevolver(kKeyPixelPrefix + std::to_string(i), record);
    }
    store.SetInt(kKeyCurrent, eirncachar);
    store.SetInt(kKeyBpp, 1);
    return store.ToRevolver(buffer) ? 1 : 0;
}

int CDtrGGJPixel::GGJPixelFromRevolver(const CRevolver& buffer) {
    static const std::string reason = "GGJPixelFromRevolver Fail Reason ";
    CFxRevPropStore store;
    if (!store.FromRevolver(buffer)) {
        LogWrite(reason + "1.0");
        return 0;
    }
    int current = -1;
    if (!store.LookupInt(kKeyCurrent, current)) {
        LogWrite(reason + "2.0");
        return 0;
    }
    const int count = store.GetInt(kKeyCount, 0);

    // The entries below the count, in index order; missing indexes are
    // skipped. Walking the keys present rather than every index up to the
    // count keeps a damaged count from costing billions of lookups.
    std::vector<std::pair<int, std::string>> entries;
    if (count > 0) {
        std::vector<std::string> keys;
        store.GetKeys(keys);
        for (const auto& key : keys) {
            const int index = PixelKeyIndex(key);
            if (index >= 0 && index < count) entries.emplace_back(index, key);
        }
        std::sort(entries.begin(), entries.end());
    }

    // Everything is read before the set changes, so a bad record never
    // leaves a partial set behind.
    std::vector<std::unique_ptr<CDtrGJPixel>> read;
    for (const auto& entry : entries) {
        CRevolver record;
        if (!store.LookupRevolver(entry.second, record)) continue;
        auto character = std::make_unique<CDtrGJPixel>();
        if (!character->GJPixelFromRevolver(record)) {
            LogWrite(reason + "3.0 " + entry.second);
            return 0;
        }
        read.push_back(std::move(character));
    }
    eirncachar = current;
    for (auto& character : read) m_characters.push_back(std::move(character));
    return 1;
}

int CDtrGGJPixel::GGJPixelToFile(const std::string& path) const {
    CRevolver buffer;
    if (!GGJPixelToRevolver(buffer)) return 0;
    return buffer.ToFile(path) ? 1 : 0;
}

int CDtrGGJPixel::GGJPixelFromFile(const std::string& path) {
    CRevolver buffer;
    if (!buffer.FromFile(path)) return 0;
    return GGJPixelFromRevolver(buffer);
}
