#include "foundation/fxsharedvalues.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "foundation/fxstrings.h"
#include "foundation/fxutils.h"
#include "platform/atomicfile.h"
#include "platform/paths.h"
#include "platform/sharedmemory.h"
#include "platform/textcodec.h"
#include "platform/uiservices.h"

namespace {

constexpr std::size_t kCountBytes = 4;

}  // namespace

CFxSharedValues::CFxSharedValues() = default;

CFxSharedValues::~CFxSharedValues() { CloseAllHandles(); }

std::string CFxSharedValues::BlockName(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

BOOL CFxSharedValues::PutShared(const std::string& name, const std::string& text) {
    const std::string block = BlockName(name);
    ReleaseShared(block);
    auto mapping = SharedMemoryBlock::Create(block, text.size() + 1);
    if (!mapping || mapping->Size() == 0) return FALSE;
    // A block still held elsewhere keeps its size: keep the text inside it.
    const std::size_t room = mapping->Size() - 1;
    const std::size_t len = text.size() < room ? text.size() : room;
    const char nul = '\0';
    if (!mapping->Write(0, text.data(), len) || !mapping->Write(len, &nul, 1)) return FALSE;
    m_handles[block] = std::move(mapping);
    return TRUE;
}

std::string CFxSharedValues::GetSharedText(const std::string& name, BOOL* found) const {
    if (found) *found = FALSE;
    auto mapping = SharedMemoryBlock::Open(BlockName(name));
    if (!mapping) return {};
    if (found) *found = TRUE;
    const unsigned char* data = mapping->Data();
    std::size_t len = 0;
    while (len < mapping->Size() && data[len] != 0) ++len;
    return std::string(reinterpret_cast<const char*>(data), len);
}

void CFxSharedValues::ReleaseShared(const std::string& name) { m_handles.erase(BlockName(name)); }

bool CFxSharedValues::IsHeld(const std::string& name) const {
    return m_handles.count(BlockName(name)) != 0;
}

namespace {

void PutCount(SharedMemoryBlock& block, std::size_t length) {
    BYTE count[kCountBytes];
    DWordToBytes(static_cast<DWORD>(length), count);
    block.Write(0, count, kCountBytes);
}

// Holds a block's content lock for a scope.
class ContentLock {
public:
    ContentLock(SharedMemoryBlock& block, bool exclusive)
        : m_block(block), m_locked(block.LockContent(exclusive)) {}
    ~ContentLock() {
        if (m_locked) m_block.UnlockContent();
    }
    ContentLock(const ContentLock&) = delete;
    ContentLock& operator=(const ContentLock&) = delete;
    bool Locked() const { return m_locked; }

private:
    SharedMemoryBlock& m_block;
    bool m_locked;
};

}  // namespace

BOOL CFxSharedValues::PutSharedBuffer(const std::string& name, const CRevolver& buffer) {
    const std::string block = BlockName(name);
    ReleaseShared(block);
    const int length = buffer.GetLength();
    if (length < 0 || !buffer.IsConsistent()) return FALSE;
    const std::size_t size = kCountBytes + static_cast<std::size_t>(length);
    auto mapping = SharedMemoryBlock::Create(block, size);
    if (!mapping) return FALSE;
    {
        ContentLock lock(*mapping, true);
        if (!lock.Locked()) return FALSE;
        // A block another process still holds may be smaller: it grows for
        // every holder, so the record is never cut and never goes elsewhere.
        if (!mapping->Grow(size)) return FALSE;
        // The count is 0 while the bytes change, so a writer that dies half
        // way leaves no record rather than a torn one.
        PutCount(*mapping, 0);
        if (length > 0 && !buffer.ReadAt(mapping->Data() + kCountBytes, length, 0)) return FALSE;
        PutCount(*mapping, static_cast<std::size_t>(length));
    }
    m_handles[block] = std::move(mapping);
    return TRUE;
}

BOOL CFxSharedValues::GetSharedBuffer(const std::string& name, CRevolver& buffer) const {
    buffer.Free();
    auto mapping = SharedMemoryBlock::Open(BlockName(name));
    if (!mapping) return FALSE;
    ContentLock lock(*mapping, false);
    if (!lock.Locked()) return FALSE;
    BYTE count[kCountBytes] = {};
    if (!mapping->Read(0, count, kCountBytes)) return FALSE;
    std::size_t length = DWordFromBytes(count);
    // A count that claims more than the block holds is a damaged block: a cut
    // record would read back as a shorter, different record.
    const std::size_t available = mapping->Size() - kCountBytes;
    if (length > available || length > 0x7FFFFFFF) return FALSE;
    return buffer.Append(mapping->Data() + kCountBytes, static_cast<int>(length));
}

std::string CFxSharedValues::MakeSharedName(const std::string& key, const std::string& path) {
    std::string name = "@" + key + "_" + (path.empty() ? GetProgramFilePath() : path);
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    return MbLower(name);
}

BOOL CFxSharedValues::PutSharedByKey(const std::string& key, const std::string& text) {
    return PutShared(MakeSharedName(key), text);
}

std::string CFxSharedValues::GetSharedByKey(const std::string& key) const {
    return GetSharedText(MakeSharedName(key));
}

int CFxSharedValues::GetRealReleaseFlag() const {
    return AtoiText(GetSharedByKey(SHARED_KEY_REALRELEASE));
}

void CFxSharedValues::InitRealRelease(int value) {
    if (GetRealReleaseFlag() == 0) {
        PutSharedByKey(SHARED_KEY_REALRELEASE, std::to_string(value));
    } else if (IsDeveloperMarkerPresent()) {
        AppMessageBox(nullptr, MakeSharedName(SHARED_KEY_REALRELEASE) + " Already Set");
    }
}

void CFxSharedValues::InitLanguage(const std::string& code) {
    if (GetSharedByKey(SHARED_KEY_LANGUAGE).empty()) PutSharedByKey(SHARED_KEY_LANGUAGE, code);
}

std::string CFxSharedValues::GetPVLanguage() const { return GetSharedByKey(SHARED_KEY_LANGUAGE); }

void CFxSharedValues::CloseAllHandles() { m_handles.clear(); }

CFxSharedValues& FxSharedValues() {
    static CFxSharedValues values;
    return values;
}

// ---- Diagnostics and logging ----------------------------------------------

namespace {

// 0 not yet tested, 1 absent, 2 present.
int g_markerState = 0;

}  // namespace

std::string GetDeveloperMarkerPath() { return TranslateWindowsPath("c:\\4_t_r_m_k.txt"); }

BOOL IsDeveloperMarkerPresent() {
    if (g_markerState == 0) g_markerState = IsPathExisting(GetDeveloperMarkerPath()) ? 2 : 1;
    return g_markerState == 2 ? TRUE : FALSE;
}

void ForgetDeveloperMarker() { g_markerState = 0; }

std::string GetSharedLogPathName(unsigned long processId) {
    return "lgwpath_" + std::to_string(processId);
}

std::string GetSharedLogPath() {
    return FxSharedValues().GetSharedText(
        GetSharedLogPathName(static_cast<unsigned long>(::getpid())));
}

BOOL LogWrite(const std::string& text) {
    if (!IsDeveloperMarkerPresent()) return TRUE;
    const std::string path = GetSharedLogPath();
    if (path.empty()) return TRUE;
    const LocalTime now = GetLocalTime();
    const std::string entry = "[" + IntToPaddedText(now.hour, 10, 2) + ":" +
                              IntToPaddedText(now.minute, 10, 2) + ":" +
                              IntToPaddedText(now.second, 10, 2) + "] " + text + "\r\n";
    return AppendTextLineToFile(path, entry);
}

BOOL AppendTextLineToFile(const std::string& path, const std::string& text) {
    return AppendFileAtomically(path, text + "\r\n") ? TRUE : FALSE;
}

std::string IntToPaddedText(int value, int radix, int width, PaddedForm form) {
    const bool magnitude = form == PaddedForm::Magnitude;
    if (radix < 2 || radix > 36) {
        if (!magnitude) return {};
        radix = 10;
    }
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const bool negative = value < 0 && (magnitude || radix == 10);
    unsigned long long v = negative
                               ? static_cast<unsigned long long>(-static_cast<long long>(value))
                               : static_cast<unsigned long long>(static_cast<unsigned>(value));
    std::string text;
    do {
        text.insert(text.begin(), digits[v % static_cast<unsigned>(radix)]);
        v /= static_cast<unsigned>(radix);
    } while (v != 0);
    const bool padded = magnitude ? width > 0 : width != -1;
    if (negative && radix == 10 && !(magnitude && padded)) text.insert(text.begin(), '-');
    if (!padded) return text;
    if (magnitude) width = std::min(width, 10);
    text = "0000000000" + text;
    const std::size_t keep = width < 0 ? 0 : static_cast<std::size_t>(width);
    if (keep < text.size()) text = text.substr(text.size() - keep);
    return text;
}

std::string GetAppNameSharedName() {
    return "wapp_name_" + std::to_string(GetModuleInstanceHandle());
}

int AppMessageBox(QWidget* owner, const std::string& text, const std::string& caption, UINT type) {
    const std::string shown =
        caption.empty() ? FxSharedValues().GetSharedText(GetAppNameSharedName()) : caption;
    return MessageBox(text, shown, type, owner);
}
