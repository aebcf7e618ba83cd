#include "design/model/dsgspfiles.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <mutex>

#include "design/model/dsgeactions.h"
#include "foundation/revolver.h"
#include "platform/atomicfile.h"
#include "platform/inputfile.h"

namespace {

// Written on the user-interface thread, read wherever a cache asks.
std::mutex g_mutex;
std::map<std::string, CDsgSPFiles::Stamp, std::less<>> g_stamps;
CDsgSPFiles::Stamp g_last = 0;

// Whether the file already holds exactly the record (a project opened again
// over its own working files): it need not be written again. Only a plain
// file counts, never a link in its place.
bool HoldsRecord(const std::string& path, const CRevolver& record) {
    struct stat status {};
    const int length = record.GetLength();
    if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || length <= 0 ||
        status.st_size != length)
        return false;
    InputFile file;
    const std::size_t size = static_cast<std::size_t>(length);
    if (file.Open(path, size) != InputFileError::None || file.Size() != size) return false;
    std::string held(size, '\0'), wanted(size, '\0');
    return file.ReadAll(held.data()) && record.ReadAt(wanted.data(), length, 0) && held == wanted;
}

}  // namespace

void CDsgSPFiles::Changed(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_stamps[path] = ++g_last;
}

CDsgSPFiles::Stamp CDsgSPFiles::GetStamp(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    // A file first seen here (one the slot held before this process wrote
    // it, as after a recovery) gets its stamp now.
    const auto [entry, added] = g_stamps.try_emplace(path, 0);
    if (added) entry->second = ++g_last;
    return entry->second;
}

BOOL CDsgSPFiles::Write(const std::string& path, const CDsgEActions& actions, BOOL withIndex) {
    const BOOL written = actions.EActionsToFile(path, withIndex);
    Changed(path);
    return written;
}

BOOL CDsgSPFiles::WriteAll(const std::vector<std::pair<std::string, const CRevolver*>>& files) {
    AtomicFileBatch batch;
    bool written = true;
    for (const auto& [path, record] : files) {
        // A file that holds its record already is left as it is; its stamp
        // is renewed with the others', as for any file this write was given.
        if (HoldsRecord(path, *record)) continue;
        if (!record->ToFile(path, batch)) {
            written = false;
            break;
        }
    }
    // A commit cut short leaves some files new.
    if (written) written = batch.Commit();
    for (const auto& file : files) Changed(file.first);
    return written ? TRUE : FALSE;
}

int CDsgSPFiles::Move(const std::string& from, const std::string& to) {
    const int result = std::rename(from.c_str(), to.c_str());
    Changed(from);
    Changed(to);
    return result;
}

int CDsgSPFiles::Remove(const std::string& path) {
    const int result = std::remove(path.c_str());
    Changed(path);
    return result;
}
