#include "design/frames/dsgpjgcache.h"

#include <algorithm>
#include <climits>

#include "design/model/dsggoption.h"
#include "foundation/fxpropstore.h"
#include "foundation/revolver.h"
#include "platform/inputfile.h"

namespace {

// The whole content of a revolver as bytes.
std::string RevolverBytes(const CRevolver& buffer) {
    std::string bytes(static_cast<size_t>(buffer.GetLength()), '\0');
    if (!bytes.empty() && !buffer.ReadAt(bytes.data(), buffer.GetLength(), 0)) bytes.clear();
    return bytes;
}

// The working file's bytes, read as the generator reads it (the same size
// cap); false when it cannot be read.
bool ReadWorkingFile(const std::string& path, std::string& bytes) {
    InputFile file;
    if (file.Open(path, std::min<std::size_t>(kMaxInputFileBytes, INT_MAX)) != InputFileError::None)
        return false;
    bytes.resize(file.Size());
    return bytes.empty() || file.ReadAll(bytes.data());
}

}  // namespace

CDsgSPGInputs CDsgSPGInputs::Current(const CDsgPJCodeGen& generator) {
    CDsgSPGInputs inputs;
    inputs.isolate = generator.IsIsolated() ? TRUE : FALSE;
    inputs.keyStyle = GetKeyStyle();
    CRevolver options;
    if (GetDsgGOption().ToRevolver(options)) inputs.options = RevolverBytes(options);
    inputs.defined = generator.GetDefinedNCCodes();
    inputs.charactersReadable =
        GetDEFCHRCommands(inputs.defined, 1, generator.GetCharset(), inputs.characters);
    return inputs;
}

bool CDsgSPGInputs::operator==(const CDsgSPGInputs& other) const {
    return isolate == other.isolate && keyStyle == other.keyStyle && options == other.options &&
           defined == other.defined && charactersReadable == other.charactersReadable &&
           characters == other.characters;
}

void CDsgPJGCache::BeginProject(const CDsgSPGInputs& inputs) {
    if (!m_bHaveInputs || !(inputs == m_inputs)) {
        m_forms.clear();
        m_inputs = inputs;
        m_bHaveInputs = true;
    }
    for (auto& [name, form] : m_forms) form.added = false;
    m_nReused = 0;
}

void CDsgPJGCache::AddForm(CDsgPJCodeGen& generator, const std::string& name,
                           const std::string& path) {
    // Taken before the read: a change after it gives the next run a new
    // stamp.
    const CDsgSPFiles::Stamp stamp = CDsgSPFiles::GetStamp(path);
    const auto kept = m_forms.find(name);
    if (kept != m_forms.end() && kept->second.stamp == stamp) {
        kept->second.added = true;
        generator.AddSPGText(kept->second.text, TRUE);
        ++m_nReused;
        return;
    }
    std::string bytes;
    if (!ReadWorkingFile(path, bytes)) {
        m_forms.erase(name);
        // The generator's own read gives the user its message.
        generator.AddSPGCommandsFromFile(path, name);
        return;
    }
    CRevolver record;
    if (!bytes.empty() && !record.Append(bytes.data(), static_cast<int>(bytes.size()))) {
        m_forms.erase(name);
        generator.AddSPGCommandsFromFile(path, name);
        return;
    }
    Form form;
    const BOOL made = generator.MakeSPGTextFromRecord(record, path, name, form.text);
    generator.AddSPGText(form.text, made);
    if (!made) {
        m_forms.erase(name);
        return;
    }
    form.stamp = stamp;
    form.added = true;
    m_forms[name] = std::move(form);
}

void CDsgPJGCache::EndProject() {
    std::erase_if(m_forms, [](const auto& entry) { return !entry.second.added; });
}

void CDsgPJGCache::Clear() {
    m_forms.clear();
    m_bHaveInputs = false;
    m_nReused = 0;
}
