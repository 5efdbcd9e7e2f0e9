// dabrix: Intel hex or Motorola S1 records to a flat binary image; what it leaves out is told.
// The image is built in the output file itself: pass 1 measures it, the file is filled,
// pass 2 patches each data byte in place. Neither the input nor the image is held in memory.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
// One file on purpose: its one platform call, an open file's identity (isOpenFile), lives here too.
#ifdef _WIN32
#ifndef NOMINMAX  // mingw's C++ library defines it already
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

const char kUsage[] =
    "dabrix infile outfile      Mar 12 2007\n"
    " Translates Motorola or Intel to binary. Doesn't check checksum;\n"
    " ignores everything but data records.\n"
    " -oHex  bias. Data below discarded; data >= gets bias subtracted.\n"
    " -fHex  fill. Normally ff.      (win32)\n";

enum Status { kDone = 0, kUsageStatus = 1, kFileError = 3 };

constexpr size_t kLineMax = 199;           // characters per read; longer lines arrive in pieces
constexpr size_t kBlockSize = 64 * 1024;   // input read-ahead and output stream buffer

#ifdef _WIN32
inline int putByte(int c, FILE *f) { return _putc_nolock(c, f); }
#else
inline int putByte(int c, FILE *f) { return putc_unlocked(c, f); }
#endif

struct HexDigits {
    int8_t value[256];
    constexpr HexDigits() : value()
    {
        for (int c = 0; c < 256; ++c)
            value[c] = c >= '0' && c <= '9' ? int8_t(c - '0')
                     : c >= 'a' && c <= 'f' ? int8_t(c - 'a' + 10)
                     : c >= 'A' && c <= 'F' ? int8_t(c - 'A' + 10)
                                            : int8_t(-1);
    }
};
constexpr HexDigits kHex;

inline int hexDigit(char c) { return kHex.value[static_cast<unsigned char>(c)]; }

// Option values: digits up to the first non-digit; 32-bit arithmetic keeps the last eight.
uint32_t hexValue(const char *s)
{
    uint32_t v = 0;
    for (int d; (d = hexDigit(*s)) >= 0; ++s)
        v = v * 16 + uint32_t(d);
    return v;
}

class File {
public:
    File() = default;
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    ~File() { close(); }
    // Unbuffered streams are read in blocks of their own.
    bool open(const char *path, const char *mode, bool buffered)
    {
        f_ = std::fopen(path, mode);
        if (f_)
            std::setvbuf(f_, buffered ? buffer_ : nullptr, buffered ? _IOFBF : _IONBF, sizeof buffer_);
        return f_ != nullptr;
    }
    FILE *get() const { return f_; }
    // False when buffered data could not be written out.
    bool close()
    {
        if (!f_)
            return true;
        bool ok = std::fflush(f_) == 0 && !std::ferror(f_);
        ok = std::fclose(f_) == 0 && ok;
        f_ = nullptr;
        return ok;
    }

private:
    FILE *f_ = nullptr;
    char buffer_[kBlockSize];
};

// The input read as text: carriage returns are dropped and Ctrl-Z ends it.
// Lines come in pieces of at most kLineMax characters, the line feed included.
class LineReader {
public:
    explicit LineReader(FILE *f) : f_(f) {}

    // The next line or piece of a line, `len` characters long; `len` is 0 at the end.
    const char *next(size_t &len)
    {
        // Most lines lie whole in the block with nothing to drop but a CR before the LF: they
        // are read in place. A CR in place of the LF reads the same, as neither is a digit.
        if (!ended_ && end_ - pos_ > kLineMax) {
            const char *p = block_ + pos_;
            size_t k = firstControl(p, kLineMax);
            if (k < kLineMax && (p[k] == '\n' || (p[k] == '\r' && p[k + 1] == '\n'))) {
                len = k + 1;
                pos_ += p[k] == '\n' ? k + 1 : k + 2;
                return p;
            }
        }
        len = copyLine();
        return line_;
    }

    bool failed() const { return failed_; }

    bool rewind()
    {
        pos_ = end_ = 0;
        ended_ = false;
        return std::fseek(f_, 0, SEEK_SET) == 0;
    }

private:
    // Offset of the first byte below 1B hex (LF, CR, Ctrl-Z and other controls) in p[0, n), or n.
    static size_t firstControl(const char *p, size_t n)
    {
        size_t i = 0;
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // Eight bytes a step; the lowest flagged byte is exact (later flags may be borrows).
        for (; i + 8 <= n; i += 8) {
            uint64_t x;
            std::memcpy(&x, p + i, 8);
            uint64_t below = (x - 0x1B1B1B1B1B1B1B1Bull) & ~x & 0x8080808080808080ull;
            if (below)
                return i + size_t(__builtin_ctzll(below) >> 3);
        }
#endif
        while (i < n && static_cast<unsigned char>(p[i]) > 0x1A)
            ++i;
        return i;
    }

    // A line that needs more than a look in place: at the end of the block, or with characters to drop.
    size_t copyLine()
    {
        size_t n = 0;
        while (n < kLineMax && !ended_) {
            if (pos_ == end_ && !refill())
                break;
            const char *p = block_ + pos_;
            size_t take = std::min(end_ - pos_, kLineMax - n);
            auto lf = static_cast<const char *>(std::memchr(p, '\n', take));
            if (lf)
                take = size_t(lf - p) + 1;
            pos_ += take;
            n += copyText(line_ + n, p, take);
            if (lf && !ended_)
                break;
        }
        return n;
    }

    // Copies `count` characters without carriage returns, up to a Ctrl-Z; returns how many were kept.
    size_t copyText(char *to, const char *from, size_t count)
    {
        auto eof = static_cast<const char *>(std::memchr(from, '\x1A', count));
        if (eof) {
            ended_ = true;
            count = size_t(eof - from);
        }
        size_t kept = 0;
        for (const char *cr; (cr = static_cast<const char *>(std::memchr(from, '\r', count)));) {
            size_t k = size_t(cr - from);
            std::memcpy(to + kept, from, k);
            kept += k;
            from = cr + 1;
            count -= k + 1;
        }
        std::memcpy(to + kept, from, count);
        return kept + count;
    }

    bool refill()
    {
        pos_ = 0;
        end_ = std::fread(block_, 1, sizeof block_, f_);
        if (std::ferror(f_))
            failed_ = true;
        if (end_ == 0 || failed_)
            ended_ = true;
        return !ended_;
    }

    FILE *f_;
    char block_[kBlockSize];
    char line_[kLineMax];
    size_t pos_ = 0, end_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

class Image {
public:
    Image(FILE *out, uint32_t bias, uint32_t fill) : out_(out), bias_(bias), fill_(int(fill & 0xFF)) {}

    // One line of either pass; lines that fit neither record rule are skipped.
    void line(const char *s, size_t len)
    {
        if (s[0] == ':')
            intel(s, len);
        else if (s[0] == 'S')
            motorola(s, len);
    }

    // Between the passes: the measured image, all fill, with the output back at its start.
    bool writeFill()
    {
        pass_ = 2;
        if (std::fseek(out_, 0, SEEK_SET) != 0)
            return fail();
        for (uint32_t i = 0; i <= highest_; ++i)
            if (putByte(fill_, out_) == EOF)
                return fail();
        if (std::fseek(out_, 0, SEEK_SET) != 0)
            return fail();
        position_ = 0;
        return true;
    }

    bool failed() const { return failed_; }

private:
    // Field of `width` characters at `pos`, ended early by a non-digit or the end of the line.
    static uint32_t field(const char *s, size_t len, size_t pos, size_t width)
    {
        uint32_t v = 0;
        for (size_t end = pos + width < len ? pos + width : len; pos < end; ++pos) {
            int d = hexDigit(s[pos]);
            if (d < 0)
                break;
            v = v * 16 + uint32_t(d);
        }
        return v;
    }

    void intel(const char *s, size_t len)
    {
        if (len < 11)
            return;
        uint32_t count = field(s, len, 1, 2);
        uint32_t address = field(s, len, 3, 4);
        if (field(s, len, 7, 2) != 0)
            return;
        record(s, len, address, count, 9);
    }

    void motorola(const char *s, size_t len)
    {
        if (len < 10 || s[1] < '0' || s[1] > '9')
            return;
        uint32_t count = field(s, len, 2, 2);
        if (count < 3)
            return;
        uint32_t address = field(s, len, 4, 4);
        if (field(s, len, 1, 1) != 1)
            return;
        record(s, len, address, count - 3, 8);
    }

    // `count` data bytes for consecutive addresses from `address`, the first pair at `pos`.
    void record(const char *s, size_t len, uint32_t address, uint32_t count, size_t pos)
    {
        if (count == 0 || failed_)
            return;
        if (pass_ == 1) {
            // Only the last address can raise the highest offset, whatever the values are.
            uint32_t last = address + count - 1;
            if (last >= bias_ && last - bias_ > highest_)
                highest_ = last - bias_;
            return;
        }
        uint32_t first = address >= bias_ ? 0 : std::min(count, bias_ - address);
        if (first == count)
            return;
        // The bytes of one record land one after another: at most one reposition.
        uint32_t offset = address + first - bias_;
        if (offset != position_ && std::fseek(out_, long(offset), SEEK_SET) != 0) {
            fail();
            return;
        }
        for (uint32_t i = first; i < count; ++i) {
            if (putByte(int(pair(s, len, pos + 2 * size_t(i))), out_) == EOF) {
                fail();
                return;
            }
        }
        position_ = int64_t(offset) + (count - first);
    }

    // The byte at `pos`: a digit pair, cut short by a non-digit or the end of the line.
    static uint32_t pair(const char *s, size_t len, size_t pos)
    {
        if (pos + 1 >= len)
            return field(s, len, pos, 2);
        int high = hexDigit(s[pos]), low = hexDigit(s[pos + 1]);
        if (high < 0)
            return 0;
        return low < 0 ? uint32_t(high) : uint32_t(high * 16 + low);
    }

    bool fail()
    {
        failed_ = true;
        return false;
    }

    FILE *out_;
    uint32_t bias_;
    int fill_;
    int pass_ = 1;
    uint32_t highest_ = 0;
    int64_t position_ = -1;
    bool failed_ = false;
};

// Data the records hold that dabrix does not place where it belongs, counted in pass 1 from
// well-formed records (right digits, length and checksum) only: S2 and S3 data records, and
// Intel data records after a non-zero extended address, in a file that has its end record.
// The image stays as dabrix makes it; standard error says what zmimage would read.
class Unplaced {
public:
    void line(const char *s, size_t len, size_t lineNo)
    {
        while (len > 0 && (s[len - 1] == '\n' || s[len - 1] == '\r' || s[len - 1] == ' ' || s[len - 1] == '\t'))
            --len;
        if (len >= 2 && s[0] == 'S' && (s[1] == '2' || s[1] == '3'))
            motorola(s, len, lineNo);
        else if (len >= 11 && s[0] == ':')
            intel(s, len, lineNo);
    }

    void report(FILE *errors) const
    {
        if (wide_.count)
            std::fprintf(errors, "dabrix: skipped %lu S2/S3 data record%s (24- and 32-bit addresses), the first on "
                                 "line %lu: zmimage reads %s\n",
                         ulong(wide_.count), wide_.count == 1 ? "" : "s", ulong(wide_.first), wide_.count == 1 ? "it" : "them");
        if (moved_.count && ended_)
            std::fprintf(errors, "dabrix: placed %lu data record%s at %s 16-bit address%s, not where a non-zero "
                                 "extended address record moves %s, the first on line %lu: zmimage reads %s\n",
                         ulong(moved_.count), moved_.count == 1 ? "" : "s", moved_.count == 1 ? "its" : "their",
                         moved_.count == 1 ? "" : "es", moved_.count == 1 ? "it" : "them", ulong(moved_.first),
                         moved_.count == 1 ? "it" : "them");
    }

private:
    // The C runtime of older Windows knows no %zu.
    static unsigned long ulong(size_t n) { return static_cast<unsigned long>(n); }

    struct Tally {
        size_t count = 0, first = 0;
        void add(size_t lineNo)
        {
            if (count++ == 0)
                first = lineNo;
        }
    };

    // The record's bytes after its `skip` leading characters; false unless all are digit pairs.
    bool decode(const char *s, size_t len, size_t skip)
    {
        if ((len - skip) % 2 != 0 || (len - skip) / 2 > sizeof bytes_)
            return false;
        n_ = (len - skip) / 2;
        for (size_t i = 0; i < n_; ++i) {
            int high = hexDigit(s[skip + 2 * i]), low = hexDigit(s[skip + 2 * i + 1]);
            if (high < 0 || low < 0)
                return false;
            bytes_[i] = uint8_t(high * 16 + low);
        }
        return true;
    }

    uint8_t sum() const
    {
        unsigned total = 0;
        for (size_t i = 0; i < n_; ++i)
            total += bytes_[i];
        return uint8_t(total);
    }

    void motorola(const char *s, size_t len, size_t lineNo)
    {
        const size_t width = s[1] == '2' ? 3 : 4;
        if (decode(s, len, 2) && n_ >= width + 3 && bytes_[0] == n_ - 1 && sum() == 0xFF)
            wide_.add(lineNo);
    }

    void intel(const char *s, size_t len, size_t lineNo)
    {
        // Data records while no extended address moves them are the bulk: passed at a glance.
        if (!extended_ && s[7] == '0' && s[8] == '0')
            return;
        if (!decode(s, len, 1) || n_ < 5 || bytes_[0] != n_ - 5 || sum() != 0)
            return;
        switch (bytes_[3]) {
        case 0x00:
            if (extended_ && bytes_[0] > 0)
                moved_.add(lineNo);
            break;
        case 0x01:
            ended_ = true;
            break;
        case 0x02:
        case 0x04:
            if (n_ == 7)
                extended_ = bytes_[4] != 0 || bytes_[5] != 0;
            break;
        }
    }

    Tally wide_, moved_;
    bool extended_ = false;
    bool ended_ = false;
    uint8_t bytes_[128];
    size_t n_ = 0;
};

struct Options {
    const char *input = nullptr;
    const char *output = nullptr;
    uint32_t fill = 0xFF;
    uint32_t bias = 0;
};

// False on a bad option or a wrong number of file names.
bool parseCommandLine(int argc, char *argv[], Options &o)
{
    char optionChar = '-';
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (a[0] == '/')
            optionChar = '/';
        if (a[0] == optionChar) {
            switch (a[1]) {
            case 'f': o.fill = hexValue(a + 2); break;
            case 'o': o.bias = hexValue(a + 2); break;
            case '\0': break;
            default: return false;
            }
        } else if (!o.input) {
            o.input = a;
        } else if (!o.output) {
            o.output = a;
        } else {
            return false;
        }
    }
    return o.input && o.output;
}

// Whether `path` names the file already open as `in`, whose contents writing it would destroy.
// The platform's own file identity: std::filesystem would bring a megabyte of the C++ library
// into the statically linked Windows program.
#ifdef _WIN32
bool isOpenFile(FILE *in, const char *path)
{
    const HANDLE other = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION a, b;
    const bool same = GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(in))), &a)
                      && GetFileInformationByHandle(other, &b)
                      && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber
                      && a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(other);
    return same;
}
#else
bool isOpenFile(FILE *in, const char *path)
{
    struct stat a, b;
    return fstat(fileno(in), &a) == 0 && stat(path, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
#endif

int writeError(FILE *console)
{
    std::fputs("error writing output file\n", console);
    return kFileError;
}

int readError(FILE *errors)
{
    std::fputs("error reading input file\n", errors);
    return kFileError;
}

// The whole program; `console` stands for standard output, `errors` for standard error.
int runDabrix(int argc, char *argv[], FILE *console, FILE *errors)
{
    Options o;
    if (!parseCommandLine(argc, argv, o)) {
        std::fputs(kUsage, console);
        return kUsageStatus;
    }
    File in, out;
    if (!in.open(o.input, "rb", false)) {
        std::fprintf(errors, "couldn't open %s for %s.", o.input, "r");
        return kFileError;
    }
    if (isOpenFile(in.get(), o.output) || !out.open(o.output, "wb+", true)) {
        std::fprintf(errors, "couldn't open %s for %s.", o.output, "wb+");
        return kFileError;
    }

    LineReader reader(in.get());
    Image image(out.get(), o.bias, o.fill);
    Unplaced unplaced;
    size_t len;
    size_t lineNo = 1;
    for (const char *line = reader.next(len); len > 0; line = reader.next(len)) {
        image.line(line, len);
        unplaced.line(line, len, lineNo);
        if (line[len - 1] == '\n' || line[len - 1] == '\r')
            ++lineNo;
    }
    if (reader.failed())
        return readError(errors);
    unplaced.report(errors);
    if (!image.writeFill())
        return writeError(console);
    if (!reader.rewind())
        return readError(errors);
    for (const char *line = reader.next(len); len > 0 && !image.failed(); line = reader.next(len))
        image.line(line, len);
    if (image.failed())
        return writeError(console);
    if (reader.failed())
        return readError(errors);
    if (!out.close())
        return writeError(console);
    return kDone;
}

} // namespace

int main(int argc, char *argv[]) { return runDabrix(argc, argv, stdout, stderr); }
