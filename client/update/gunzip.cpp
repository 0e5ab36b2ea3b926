#include "client/update/gunzip.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "common/std_file.h"

namespace karvex {

namespace {

constexpr std::size_t kInputSize = 64 * 1024;
constexpr std::size_t kOutputSize = 256 * 1024;
// Far beyond any list (the largest database's is about 5 MB), and so a small
// hostile download cannot fill the disk.
constexpr std::uint64_t kMaxOutput = 256u << 20;

// gzip header flags (RFC 1952). FHCRC and the reserved bits are refused.
constexpr unsigned kGzipExtra = 0x04;
constexpr unsigned kGzipName = 0x08;
constexpr unsigned kGzipComment = 0x10;
constexpr unsigned kGzipRefused = 0x02 | 0x20 | 0x40 | 0x80;

// PKZIP general purpose flags: encryption (traditional, strong, central
// directory) and the data descriptor.
constexpr unsigned kZipEncrypted = 0x0001 | 0x0040 | 0x2000;
constexpr unsigned kZipDescriptor = 0x0008;
constexpr std::uint32_t kZipLocalHeader = 0x04034b50;
constexpr std::uint32_t kZipDescriptorSignature = 0x08074b50;

std::uint32_t Le16(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

std::uint32_t Le32(const unsigned char* p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

// Buffered reading of the compressed file.
class CSource {
public:
    explicit CSource(std::FILE* file) : m_pFile(file) {}

    const unsigned char* Data() const { return m_abBuffer + m_nPos; }
    std::size_t Avail() const { return m_nEnd - m_nPos; }
    void Consume(std::size_t n) { m_nPos += n; m_nConsumed += n; }
    std::uint64_t Consumed() const { return m_nConsumed; }

    // Reads more bytes behind those still buffered; false at the end of the file.
    bool Refill()
    {
        std::size_t kept = Avail();
        std::memmove(m_abBuffer, Data(), kept);
        m_nPos = 0;
        m_nEnd = kept + std::fread(m_abBuffer + kept, 1, kInputSize - kept, m_pFile);
        return m_nEnd > kept;
    }

    // Makes at least `n` (at most kInputSize) bytes available.
    bool Need(std::size_t n)
    {
        while (Avail() < n) {
            if (!Refill())
                return false;
        }
        return true;
    }

    bool Skip(std::uint64_t n)
    {
        while (n > 0) {
            if (Avail() == 0 && !Refill())
                return false;
            std::size_t step = Avail() < n ? Avail() : static_cast<std::size_t>(n);
            Consume(step);
            n -= step;
        }
        return true;
    }

    // Skips a zero-terminated field of the gzip header.
    bool SkipText()
    {
        for (;;) {
            if (Avail() == 0 && !Refill())
                return false;
            const void* zero = std::memchr(Data(), 0, Avail());
            if (zero != nullptr) {
                Consume(static_cast<const unsigned char*>(zero) - Data() + 1);
                return true;
            }
            Consume(Avail());
        }
    }

private:
    std::FILE* m_pFile;
    std::size_t m_nPos = 0;
    std::size_t m_nEnd = 0;
    std::uint64_t m_nConsumed = 0;
    unsigned char m_abBuffer[kInputSize];
};

// The output file, created exclusively and removed again unless committed.
class CDestination {
public:
    // Writing gives up once `running` (if given) drops to 0.
    CDestination(const char* path, const RunningFlag* running) : m_pszPath(path), m_pRunning(running)
    {
#ifdef _WIN32
        m_nFd = _open(path, _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        m_nFd = open(path, O_CREAT | O_EXCL | O_RDWR, S_IRUSR | S_IWUSR);
#endif
    }
    CDestination(const CDestination&) = delete;
    CDestination& operator=(const CDestination&) = delete;

    ~CDestination()
    {
        if (m_nFd >= 0) {
            CloseFd();
            std::remove(m_pszPath);
        }
    }

    bool IsOpen() const { return m_nFd >= 0; }

    bool Write(const unsigned char* data, std::size_t size)
    {
        if (m_nWritten + size > kMaxOutput || (m_pRunning != nullptr && m_pRunning->load() == 0))
            return false;
        m_nCrc = crc32(m_nCrc, data, static_cast<uInt>(size));
        m_nWritten += size;
        while (size > 0) {
#ifdef _WIN32
            int n = _write(m_nFd, data, static_cast<unsigned>(size));
#else
            ssize_t n = write(m_nFd, data, size);
#endif
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    std::uint32_t Crc() const { return static_cast<std::uint32_t>(m_nCrc); }
    std::uint64_t Written() const { return m_nWritten; }

    bool Commit()
    {
        bool closed = CloseFd() == 0;
        m_nFd = -1;
        if (!closed)
            std::remove(m_pszPath);
        return closed;
    }

private:
    int CloseFd()
    {
#ifdef _WIN32
        return _close(m_nFd);
#else
        return close(m_nFd);
#endif
    }

    const char* m_pszPath;
    const RunningFlag* m_pRunning;
    int m_nFd = -1;
    uLong m_nCrc = crc32(0, nullptr, 0);
    std::uint64_t m_nWritten = 0;
};

class CInflater {
public:
    CInflater() { m_bReady = inflateInit2(&m_stream, -MAX_WBITS) == Z_OK; }
    CInflater(const CInflater&) = delete;
    CInflater& operator=(const CInflater&) = delete;
    ~CInflater()
    {
        if (m_bReady)
            inflateEnd(&m_stream);
    }

    // Decodes one raw deflate stream from `source` into `destination`.
    bool Run(CSource& source, CDestination& destination)
    {
        if (!m_bReady)
            return false;
        std::unique_ptr<unsigned char[]> out(new (std::nothrow) unsigned char[kOutputSize]);
        if (!out)
            return false;
        for (;;) {
            if (source.Avail() == 0 && !source.Refill())
                return false;  // the stream ends before its last block
            m_stream.next_in = const_cast<unsigned char*>(source.Data());
            m_stream.avail_in = static_cast<uInt>(source.Avail());
            m_stream.next_out = out.get();
            m_stream.avail_out = static_cast<uInt>(kOutputSize);
            int rc = inflate(&m_stream, Z_NO_FLUSH);
            source.Consume(source.Avail() - m_stream.avail_in);
            if (!destination.Write(out.get(), kOutputSize - m_stream.avail_out))
                return false;
            if (rc == Z_STREAM_END)
                return true;
            if (rc != Z_OK)
                return false;
        }
    }

private:
    z_stream m_stream{};
    bool m_bReady = false;
};

bool DecodeGzip(CSource& source, CDestination& destination)
{
    const unsigned char* header = source.Data();
    unsigned flags = header[3];
    if (header[2] != Z_DEFLATED || (flags & kGzipRefused) != 0)
        return false;
    source.Consume(10);
    if ((flags & kGzipExtra) != 0) {
        if (!source.Need(2))
            return false;
        std::uint32_t length = Le16(source.Data());
        source.Consume(2);
        if (!source.Skip(length))
            return false;
    }
    if ((flags & kGzipName) != 0 && !source.SkipText())
        return false;
    if ((flags & kGzipComment) != 0 && !source.SkipText())
        return false;

    CInflater inflater;
    if (!inflater.Run(source, destination) || !source.Need(8))
        return false;
    const unsigned char* trailer = source.Data();
    return Le32(trailer) == destination.Crc() &&
           Le32(trailer + 4) == static_cast<std::uint32_t>(destination.Written());
}

bool CopyStored(CSource& source, CDestination& destination, std::uint64_t size)
{
    while (size > 0) {
        if (source.Avail() == 0 && !source.Refill())
            return false;
        std::size_t step = source.Avail() < size ? source.Avail() : static_cast<std::size_t>(size);
        if (!destination.Write(source.Data(), step))
            return false;
        source.Consume(step);
        size -= step;
    }
    return true;
}

bool Matches(const unsigned char* fields, const CDestination& destination, std::uint64_t packed)
{
    return Le32(fields) == destination.Crc() && Le32(fields + 4) == packed &&
           Le32(fields + 8) == destination.Written();
}

bool DecodeZipEntry(CSource& source, CDestination& destination)
{
    if (!source.Need(30))
        return false;
    const unsigned char* header = source.Data();
    unsigned flags = Le16(header + 6);
    unsigned method = Le16(header + 8);
    unsigned char expected[12];  // CRC-32, compressed size, size
    std::memcpy(expected, header + 14, sizeof expected);
    std::uint32_t extras = Le16(header + 26) + Le16(header + 28);
    if ((flags & kZipEncrypted) != 0)
        return false;
    source.Consume(30);
    if (!source.Skip(extras))
        return false;

    std::uint64_t start = source.Consumed();
    if (method == 0) {
        if (Le32(expected + 4) != Le32(expected + 8) ||
            !CopyStored(source, destination, Le32(expected + 4)))
            return false;
    } else if (method == Z_DEFLATED) {
        CInflater inflater;
        if (!inflater.Run(source, destination))
            return false;
    } else {
        return false;
    }
    std::uint64_t packed = source.Consumed() - start;

    if ((flags & kZipDescriptor) == 0)
        return Matches(expected, destination, packed);
    // The descriptor's own signature is optional, so a CRC that happens to
    // equal it leaves two readings; either one that matches will do.
    if (!source.Need(12))
        return false;
    if (Matches(source.Data(), destination, packed))
        return true;
    return Le32(source.Data()) == kZipDescriptorSignature && source.Need(16) &&
           Matches(source.Data() + 4, destination, packed);
}

}  // namespace

bool GunzipFile(const char* source, const char* destination, const RunningFlag* running)
{
    FilePtr input = OpenFile(source, "rb");
    if (!input)
        return false;
    std::unique_ptr<CSource> reader(new (std::nothrow) CSource(input.get()));
    if (!reader)
        return false;
    CDestination output(destination, running);
    if (!output.IsOpen())
        return false;

    bool decoded = false;
    if (reader->Need(10) && reader->Data()[0] == 0x1f && reader->Data()[1] == 0x8b)
        decoded = DecodeGzip(*reader, output);
    else if (reader->Need(4) && Le32(reader->Data()) == kZipLocalHeader)
        decoded = DecodeZipEntry(*reader, output);
    return decoded && output.Commit();
}

}  // namespace karvex
