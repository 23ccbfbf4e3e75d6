// The whole built-in artwork as an ordered list of archive members, and its packing into data.rar.
#pragma once
#include "tools/rar_writer/rar_writer.h"

#include <string>
#include <vector>

namespace qm {

class DataSet {
public:
    virtual ~DataSet() = default;

    // Names use "\" between folder and file, as the saver asks for them.
    void add(const std::string& name, std::vector<uint8_t> bytes);
    void addText(const std::string& name, const std::string& text);

    const std::vector<RarEntry>& members() const { return members_; }
    // Exact name match; null when absent.
    const RarEntry* find(const std::string& name) const;

private:
    std::vector<RarEntry> members_;
};

// Every member, generated from nothing but code: the same bytes on every run.
DataSet buildDataSet();

// Builds the data set and writes it as a compressed RAR 2.0 archive.
bool writeDataArchive(const std::string& path, std::string* error);

} // namespace qm
