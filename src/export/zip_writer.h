#pragma once
// A zip archive (the container of 3MF) written front to back: small entries stored whole,
// one large entry streamed and deflated on the machine's cores (each piece compressed with
// the previous piece's end as its dictionary, the pieces joined into one deflate stream).
// Entries and the archive switch to Zip64 where 32-bit sizes or offsets would not do.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/output_files.h"

namespace exporter {

class ParallelDeflate;

class ZipWriter {
  public:
    explicit ZipWriter(model::OutputFile& out);
    ~ZipWriter();

    // A whole entry, stored as it is.
    bool AddStored(std::string_view name, std::string_view data);
    // A deflated entry written piece by piece; `sizeBound` is at least its uncompressed
    // size (it decides whether the entry needs Zip64).
    bool BeginDeflated(std::string_view name, uint64_t sizeBound);
    bool Write(const char* data, size_t size);
    bool EndDeflated();
    // The central directory; nothing may be added after it.
    bool Finish();

  private:
    struct Entry {
        std::string name;
        uint16_t method = 0;
        uint32_t crc = 0;
        uint64_t compressed = 0, size = 0, offset = 0;
        bool zip64 = false;
    };
    bool LocalHeader(Entry& entry);

    model::OutputFile& out_;
    std::vector<Entry> entries_;
    std::unique_ptr<ParallelDeflate> deflate_;
    uint16_t time_ = 0, date_ = 0;  // MS-DOS time stamp of every entry
};

}  // namespace exporter
