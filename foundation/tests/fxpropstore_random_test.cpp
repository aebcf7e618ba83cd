// A store under a long seeded run of every kind of change, checked after
// each one against a plain ordered map that follows the same rules: the
// value kind fixed at a key's creation, setters filling their own slot,
// write-once, renames, merges with filters, copies, and decoding over
// present entries. Stores grow past a few hundred keys that come in and out
// of order, so small ordered stores, large ordered ones and large ones built
// out of order are all met. The bytes written must equal the items written
// one by one in ascending key order.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "foundation/fxrevpropstore.h"
#include "foundation/tests/storetesting.h"

namespace {

struct ModelItem {
    int type = CFxPropItem::VT_NONE;
    std::string text;
    std::string block;
    int value = 0;
};

struct Model {
    std::map<std::string, ModelItem> items;
    bool writeOnce = false;

    void Set(const std::string& key, int type, const std::string& bytes, int value,
             bool honourWriteOnce = true) {
        auto found = items.find(key);
        if (found != items.end() && writeOnce && honourWriteOnce) return;
        ModelItem& item = items[key];
        if (item.type == CFxPropItem::VT_NONE) item.type = type;
        if (type == CFxPropItem::VT_STRING) item.text = bytes;
        if (type == CFxPropItem::VT_REVOLVER) item.block = bytes;
        if (type == CFxPropItem::VT_INT) item.value = value;
    }
};

// What bytes carry of an item: the slot of its kind alone.
void KeepWrittenSlots(Model& model) {
    for (auto& [key, item] : model.items) {
        if (item.type != CFxPropItem::VT_STRING) item.text.clear();
        if (item.type != CFxPropItem::VT_REVOLVER) item.block.clear();
        if (item.type != CFxPropItem::VT_INT) item.value = 0;
    }
}

// The store's bytes as the single-item writer makes them, key after key.
std::string ExpectedBytes(const Model& model) {
    std::string bytes;
    for (const auto& [key, item] : model.items) {
        CFxPropEntry entry(key, item.type);
        entry.GetItem().SetString(item.text);
        entry.GetItem().SetRevolver(RevolverOf(item.block));
        entry.GetItem().SetInt(item.value);
        CRevolver one;
        EXPECT_TRUE(entry.ToRevolver(one));
        bytes += ContentOf(one);
    }
    return bytes;
}

void ExpectSame(const CFxRevPropStore& store, const Model& model, const std::string& step) {
    std::vector<std::string> keys;
    store.GetKeys(keys);
    std::vector<std::string> expected;
    for (const auto& [key, item] : model.items) expected.push_back(key);
    ASSERT_EQ(keys, expected) << step;
    ASSERT_EQ(store.GetCount(), static_cast<int>(expected.size())) << step;
    for (const auto& [key, item] : model.items) {
        const CFxPropEntry* entry = store.FindEntry(key);
        ASSERT_NE(entry, nullptr) << step << " " << key;
        ASSERT_EQ(entry->GetItem().GetValueType(), item.type) << step << " " << key;
        ASSERT_EQ(entry->GetItem().GetString(), item.text) << step << " " << key;
        ASSERT_EQ(ContentOf(entry->GetItem().GetRevolver()), item.block) << step << " " << key;
        ASSERT_EQ(entry->GetItem().GetInt(), item.value) << step << " " << key;
    }
    ASSERT_EQ(store.FindEntry("absent key"), nullptr) << step;
    CRevolver bytes;
    ASSERT_TRUE(store.ToRevolver(bytes)) << step;
    ASSERT_EQ(ContentOf(bytes), ExpectedBytes(model)) << step;
}

class StoreSession {
public:
    explicit StoreSession(unsigned seed) : m_random(seed) {
        // Numbered keys come out of byte order when set by number; a few
        // share long prefixes or pass the short-text size.
        for (int i = 0; i < 150; ++i) m_pool.push_back("WOS.wo" + std::to_string(i));
        for (int i = 0; i < 100; ++i) m_pool.push_back("UTP.key" + std::to_string(i * 7 % 100));
        for (int i = 0; i < 60; ++i) m_pool.push_back("NTP.a_rather_long_key_" + std::to_string(i));
        m_pool.push_back("z");
        m_pool.push_back("a");
    }

    int Below(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }
    // Keys mostly in a growing run (in or out of byte order), some at random.
    const std::string& Key() {
        if (Below(4) == 0)
            return m_pool[static_cast<size_t>(Below(static_cast<int>(m_pool.size())))];
        m_next = (m_next + 1) % static_cast<int>(m_pool.size());
        return m_pool[static_cast<size_t>(m_next)];
    }
    std::string Text() {
        return std::string(static_cast<size_t>(Below(40)), static_cast<char>('a' + Below(26)));
    }

    // Fills `store` and `model` alike with a few random items.
    void Fill(CFxRevPropStore& store, Model& model, int count) {
        for (int i = 0; i < count; ++i) Set(store, model, Key());
    }
    void Set(CFxRevPropStore& store, Model& model, const std::string& key) {
        const std::string bytes = Text();
        const int value = static_cast<int>(m_random());
        switch (Below(3)) {
            case 0:
                store.SetString(key, bytes);
                model.Set(key, CFxPropItem::VT_STRING, bytes, 0);
                break;
            case 1:
                store.SetInt(key, value);
                model.Set(key, CFxPropItem::VT_INT, "", value);
                break;
            default:
                store.SetRevolver(key, RevolverOf(bytes));
                model.Set(key, CFxPropItem::VT_REVOLVER, bytes, 0);
                break;
        }
    }

    void Step(CFxRevPropStore& store, Model& model, std::string& step) {
        const int op = Below(100);
        if (op < 70) {
            step = "set";
            Set(store, model, Key());
        } else if (op < 76) {
            const std::string from = Key(), to = Key();
            step = "rename " + from + " " + to;
            const bool can = model.items.count(from) && !model.items.count(to);
            ASSERT_EQ(store.RenameKey(from, to), can) << step;
            if (can) {
                model.items[to] = model.items[from];
                model.items.erase(from);
            }
        } else if (op < 80) {
            step = "merge";
            CFxRevPropStore other;
            Model otherModel;
            Fill(other, otherModel, Below(90));
            CFxKeySet include, exclude;
            for (int i = 0; i < 40; ++i) (Below(2) ? include : exclude).insert(Key());
            const int filter = Below(3);
            store.MergeFrom(other, filter == 1 ? &include : nullptr,
                            filter == 2 ? &exclude : nullptr);
            for (const auto& [key, item] : otherModel.items) {
                if (filter == 1 && !include.count(key)) continue;
                if (filter == 2 && exclude.count(key)) continue;
                model.items[key] = item;
            }
        } else if (op < 84) {
            step = "decode over present entries";
            CFxRevPropStore other;
            Model otherModel;
            Fill(other, otherModel, Below(90));
            CRevolver bytes;
            ASSERT_TRUE(other.ToRevolver(bytes));
            ASSERT_TRUE(store.FromRevolver(bytes, TRUE));
            for (const auto& [key, item] : otherModel.items) {
                const std::string& value =
                    item.type == CFxPropItem::VT_STRING ? item.text : item.block;
                model.Set(key, item.type, value, item.value);
            }
        } else if (op < 88) {
            step = "a copy, and the copy's copy back";
            const CFxRevPropStore copy(store);
            ExpectSame(copy, model, "copy");
            CFxRevPropStore other;
            other.SetInt("stale", 1);
            other = copy;
            store = other;
        } else if (op < 91) {
            step = "a value of the store itself set under another key";
            const std::string from = Key(), to = Key();
            const CFxPropEntry* entry = store.FindEntry(from);
            if (entry == nullptr) return;
            const ModelItem source = model.items[from];
            if (source.type == CFxPropItem::VT_REVOLVER) {
                store.SetRevolver(to, entry->GetItem().GetRevolver());
                model.Set(to, CFxPropItem::VT_REVOLVER, source.block, 0);
            } else {
                store.SetString(to, entry->GetItem().GetString());
                model.Set(to, CFxPropItem::VT_STRING, source.text, 0);
            }
        } else if (op < 94) {
            step = "write-once switched";
            model.writeOnce = !model.writeOnce;
            store.SetWriteOnce(model.writeOnce);
        } else if (op < 96) {
            step = "decoded anew";
            CRevolver bytes;
            ASSERT_TRUE(store.ToRevolver(bytes));
            CFxRevPropStore decoded;
            ASSERT_TRUE(decoded.FromRevolver(bytes));
            KeepWrittenSlots(model);
            ExpectSame(decoded, model, step);
            store.CopyFrom(decoded);
        } else if (op < 97) {
            step = "emptied";
            store.RemoveAll();
            model.items.clear();
        } else {
            step = "copied from a filtered store";
            const CFxRevPropStore copy(store);
            CFxKeySet keep;
            for (int i = 0; i < 100; ++i) keep.insert(Key());
            store.CopyFrom(copy, &keep);
            for (auto it = model.items.begin(); it != model.items.end();)
                it = keep.count(it->first) ? std::next(it) : model.items.erase(it);
        }
    }

private:
    std::mt19937 m_random;
    std::vector<std::string> m_pool;
    int m_next = 0;
};

TEST(FxPropStoreRandomTest, EveryChangeMatchesAnOrderedMap) {
    for (unsigned seed : {1u, 2u, 3u}) {
        StoreSession run(seed);
        CFxRevPropStore store;
        Model model;
        for (int i = 0; i < 3000; ++i) {
            std::string step;
            run.Step(store, model, step);
            if (HasFatalFailure()) return;
            ExpectSame(store, model,
                       "seed " + std::to_string(seed) + " step " + std::to_string(i) + ": " + step);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
