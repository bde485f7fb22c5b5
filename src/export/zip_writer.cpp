#include "export/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <deque>
#include <limits>
#include <mutex>
#include <new>
#include <thread>

#include "export/writers.h"

namespace exporter {

namespace {

constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kEnd64Signature = 0x06064B50;
constexpr uint32_t kLocator64Signature = 0x07064B50;
constexpr uint32_t kNoValue = 0xFFFFFFFF;  // "see the Zip64 field"
constexpr uint16_t kZip64Field = 0x0001;

// Input per piece, and the window deflate may refer back to.
constexpr size_t kPieceSize = size_t{1} << 20;
constexpr size_t kWindow = 32 * 1024;

class Bytes {
  public:
    template <class T>
    Bytes& Put(T v) {
        const size_t at = data_.size();
        data_.resize(at + sizeof v);
        std::memcpy(data_.data() + at, &v, sizeof v);
        return *this;
    }
    Bytes& Put(std::string_view s) {
        data_.insert(data_.end(), s.begin(), s.end());
        return *this;
    }
    const uint8_t* Data() const { return data_.data(); }
    size_t Size() const { return data_.size(); }

  private:
    std::vector<uint8_t> data_;
};

uint32_t Low32(uint64_t v, bool zip64) {
    return zip64 ? kNoValue : static_cast<uint32_t>(v);
}

}  // namespace

// Deflate on several threads, pigz's way: every piece is compressed on its own, primed
// with the 32 KB before it and ended with a sync flush (the last with the final block),
// and the pieces are written in order; the CRC is combined from the pieces' CRCs.
class ParallelDeflate {
  public:
    ParallelDeflate(model::OutputFile& out) : out_(out) {
        const unsigned cores = std::thread::hardware_concurrency();
        const unsigned workers = std::clamp(cores, 1u, 4u);
        if (workers > 1)
            for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
        maxInFlight_ = 2 * std::max<size_t>(threads_.size(), 1);
        current_ = std::make_shared<Piece>();
        current_->input.reserve(kPieceSize);
    }
    ~ParallelDeflate() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

    bool Write(const char* data, size_t size) {
        while (size > 0) {
            const size_t n = std::min(size, kPieceSize - current_->input.size());
            current_->input.insert(current_->input.end(), data, data + n);
            data += n;
            size -= n;
            size_ += n;
            if (current_->input.size() == kPieceSize && !Submit(false)) return false;
        }
        return true;
    }
    // Ends the stream; false when writing failed.
    bool Finish() {
        if (!Submit(true)) return false;
        while (!pending_.empty())
            if (!WriteFront()) return false;
        return true;
    }
    uint32_t Crc() const { return static_cast<uint32_t>(crc_); }
    uint64_t Size() const { return size_; }
    uint64_t Compressed() const { return compressed_; }

  private:
    struct Piece {
        std::vector<char> dictionary;
        std::vector<char> input;
        std::vector<unsigned char> output;
        bool last = false;
        bool done = false;
        bool failed = false;
        uLong crc = 0;
    };

    static void Compress(Piece& piece) {
        z_stream z{};
        if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            piece.failed = true;
            return;
        }
        if (!piece.dictionary.empty())
            deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(piece.dictionary.data()),
                                 static_cast<uInt>(piece.dictionary.size()));
        piece.output.resize(deflateBound(&z, static_cast<uLong>(piece.input.size())) + 64);
        z.next_in = reinterpret_cast<Bytef*>(piece.input.data());
        z.avail_in = static_cast<uInt>(piece.input.size());
        z.next_out = piece.output.data();
        z.avail_out = static_cast<uInt>(piece.output.size());
        const int flush = piece.last ? Z_FINISH : Z_SYNC_FLUSH;
        int status = deflate(&z, flush);
        while (status == Z_OK && z.avail_out == 0) {  // never with deflateBound's room
            const size_t used = piece.output.size();
            piece.output.resize(used * 2);
            z.next_out = piece.output.data() + used;
            z.avail_out = static_cast<uInt>(used);
            status = deflate(&z, flush);
        }
        piece.failed = piece.last ? status != Z_STREAM_END : status != Z_OK;
        piece.output.resize(piece.output.size() - z.avail_out);
        deflateEnd(&z);
        piece.crc = crc32(0, reinterpret_cast<const Bytef*>(piece.input.data()),
                          static_cast<uInt>(piece.input.size()));
    }

    void Work() {
        for (;;) {
            std::shared_ptr<Piece> piece;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stop_ || !todo_.empty(); });
                if (todo_.empty()) return;
                piece = std::move(todo_.front());
                todo_.pop_front();
            }
            try {
                Compress(*piece);
            } catch (const std::bad_alloc&) {
                piece->failed = true;
            }
            {
                std::lock_guard lock(mutex_);
                piece->done = true;
            }
            done_.notify_all();
        }
    }

    bool Submit(bool last) {
        std::shared_ptr<Piece> piece = std::move(current_);
        piece->last = last;
        auto next = std::make_shared<Piece>();
        if (!last) {
            const size_t keep = std::min(kWindow, piece->input.size());
            next->dictionary.assign(piece->input.end() - static_cast<ptrdiff_t>(keep),
                                    piece->input.end());
            next->input.reserve(kPieceSize);
        }
        current_ = std::move(next);
        pending_.push_back(piece);
        if (threads_.empty()) {
            Compress(*piece);
            piece->done = true;
        } else {
            {
                std::lock_guard lock(mutex_);
                todo_.push_back(piece);
            }
            wake_.notify_one();
        }
        while (pending_.size() > maxInFlight_)
            if (!WriteFront()) return false;
        return true;
    }

    bool WriteFront() {
        std::shared_ptr<Piece> piece = pending_.front();
        {
            std::unique_lock lock(mutex_);
            done_.wait(lock, [&] { return piece->done; });
        }
        pending_.pop_front();
        if (piece->failed) throw std::bad_alloc();
        crc_ = crc32_combine(crc_, piece->crc, static_cast<z_off_t>(piece->input.size()));
        compressed_ += piece->output.size();
        return out_.Write(piece->output.data(), piece->output.size());
    }

    model::OutputFile& out_;
    std::vector<std::thread> threads_;
    size_t maxInFlight_ = 2;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<std::shared_ptr<Piece>> todo_;
    bool stop_ = false;
    std::deque<std::shared_ptr<Piece>> pending_;  // submitted, not yet written, in order
    std::shared_ptr<Piece> current_;
    uLong crc_ = 0;
    uint64_t size_ = 0, compressed_ = 0;
};

ZipWriter::ZipWriter(model::OutputFile& out) : out_(out) {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    time_ = static_cast<uint16_t>(t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec / 2);
    date_ =
        static_cast<uint16_t>(std::max(t.tm_year - 80, 0) << 9 | (t.tm_mon + 1) << 5 | t.tm_mday);
}

ZipWriter::~ZipWriter() = default;

bool ZipWriter::LocalHeader(Entry& entry) {
    entry.offset = out_.Size();
    Bytes b;
    b.Put(kLocalSignature)
        .Put(static_cast<uint16_t>(entry.zip64 ? 45 : 20))
        .Put(uint16_t{0})
        .Put(entry.method)
        .Put(time_)
        .Put(date_)
        .Put(entry.crc)
        .Put(Low32(entry.compressed, entry.zip64))
        .Put(Low32(entry.size, entry.zip64))
        .Put(static_cast<uint16_t>(entry.name.size()))
        .Put(static_cast<uint16_t>(entry.zip64 ? 20 : 0))
        .Put(std::string_view(entry.name));
    if (entry.zip64) b.Put(kZip64Field).Put(uint16_t{16}).Put(entry.size).Put(entry.compressed);
    return out_.Write(b.Data(), b.Size());
}

bool ZipWriter::AddStored(std::string_view name, std::string_view data) {
    Entry entry;
    entry.name = name;
    entry.size = entry.compressed = data.size();
    entry.crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    if (!LocalHeader(entry) || !out_.Write(data)) return false;
    entries_.push_back(std::move(entry));
    return true;
}

bool ZipWriter::BeginDeflated(std::string_view name, uint64_t sizeBound) {
    Entry entry;
    entry.name = name;
    entry.method = 8;
    // Deflate never grows text, and stored blocks cost a few bytes per 64 KB at worst.
    entry.zip64 = sizeBound + sizeBound / 100 + 1024 >= kNoValue;
    if (!LocalHeader(entry)) return false;
    entries_.push_back(std::move(entry));
    deflate_ = std::make_unique<ParallelDeflate>(out_);
    return true;
}

bool ZipWriter::Write(const char* data, size_t size) {
    return deflate_->Write(data, size);
}

bool ZipWriter::EndDeflated() {
    if (!deflate_->Finish()) return false;
    Entry& entry = entries_.back();
    entry.crc = deflate_->Crc();
    entry.size = deflate_->Size();
    entry.compressed = deflate_->Compressed();
    deflate_.reset();
    if (!entry.zip64 && (entry.size >= kNoValue || entry.compressed >= kNoValue))
        throw TooLarge("модель 3MF оказалась больше 4 ГБ");
    // CRC and sizes into the local header: at offset 14, or in its Zip64 field.
    const uint32_t crc = entry.crc;
    if (!out_.WriteAt(entry.offset + 14, &crc, 4)) return false;
    if (entry.zip64) {
        const uint64_t sizes[2] = {entry.size, entry.compressed};
        return out_.WriteAt(entry.offset + 30 + entry.name.size() + 4, sizes, sizeof sizes);
    }
    const uint32_t sizes[2] = {static_cast<uint32_t>(entry.compressed),
                               static_cast<uint32_t>(entry.size)};
    return out_.WriteAt(entry.offset + 18, sizes, sizeof sizes);
}

bool ZipWriter::Finish() {
    const uint64_t directoryStart = out_.Size();
    bool anyZip64 = false;
    Bytes b;
    for (const Entry& e : entries_) {
        const bool offset64 = e.offset >= kNoValue;
        const bool zip64 = e.zip64 || offset64;
        anyZip64 = anyZip64 || zip64;
        Bytes extra;
        if (zip64) {
            extra.Put(kZip64Field).Put(uint16_t((e.zip64 ? 16 : 0) + (offset64 ? 8 : 0)));
            if (e.zip64) extra.Put(e.size).Put(e.compressed);
            if (offset64) extra.Put(e.offset);
        }
        b.Put(kCentralSignature)
            .Put(uint16_t{45})
            .Put(static_cast<uint16_t>(zip64 ? 45 : 20))
            .Put(uint16_t{0})
            .Put(e.method)
            .Put(time_)
            .Put(date_)
            .Put(e.crc)
            .Put(Low32(e.compressed, e.zip64))
            .Put(Low32(e.size, e.zip64))
            .Put(static_cast<uint16_t>(e.name.size()))
            .Put(static_cast<uint16_t>(zip64 ? extra.Size() : 0))
            .Put(uint16_t{0})
            .Put(uint16_t{0})
            .Put(uint16_t{0})
            .Put(uint32_t{0})
            .Put(Low32(e.offset, offset64))
            .Put(std::string_view(e.name));
        if (zip64)
            b.Put(std::string_view(reinterpret_cast<const char*>(extra.Data()), extra.Size()));
    }
    const uint64_t directorySize = b.Size();
    const uint64_t end64Start = directoryStart + directorySize;
    anyZip64 = anyZip64 || directoryStart >= kNoValue;
    const auto count = static_cast<uint16_t>(entries_.size());
    if (anyZip64) {
        b.Put(kEnd64Signature)
            .Put(uint64_t{44})
            .Put(uint16_t{45})
            .Put(uint16_t{45})
            .Put(uint32_t{0})
            .Put(uint32_t{0})
            .Put(uint64_t{count})
            .Put(uint64_t{count})
            .Put(directorySize)
            .Put(directoryStart);
        b.Put(kLocator64Signature).Put(uint32_t{0}).Put(end64Start).Put(uint32_t{1});
    }
    b.Put(kEndSignature)
        .Put(uint16_t{0})
        .Put(uint16_t{0})
        .Put(count)
        .Put(count)
        .Put(static_cast<uint32_t>(directorySize))
        .Put(Low32(directoryStart, directoryStart >= kNoValue))
        .Put(uint16_t{0});
    return out_.Write(b.Data(), b.Size());
}

}  // namespace exporter
