// dabrix: Intel hex or Motorola S1 records to a flat binary image.
// The image is built in the output file itself: pass 1 measures it, the file is filled,
// pass 2 patches each data byte in place. Neither the input nor the image is held in memory.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <algorithm>

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

    // Length of the next line (0 at the end); `line` gets the characters and a terminating zero.
    size_t next(char *line)
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
            n += copyText(line + n, p, take);
            if (lf && !ended_)
                break;
        }
        line[n] = '\0';
        return n;
    }

    bool failed() const { return failed_; }

    bool rewind()
    {
        pos_ = end_ = 0;
        ended_ = false;
        return std::fseek(f_, 0, SEEK_SET) == 0;
    }

private:
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
        for (uint32_t i = 0; i < count; ++i, pos += 2)
            if (address + i >= bias_ && !write(address + i - bias_, pair(s, len, pos)))
                return;
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

    bool write(uint32_t offset, uint32_t value)
    {
        if (offset != position_ && std::fseek(out_, long(offset), SEEK_SET) != 0)
            return fail();
        if (putByte(int(value), out_) == EOF)
            return fail();
        position_ = int64_t(offset) + 1;
        return true;
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
    if (!out.open(o.output, "wb+", true)) {
        std::fprintf(errors, "couldn't open %s for %s.", o.output, "wb+");
        return kFileError;
    }

    char line[kLineMax + 1];
    LineReader reader(in.get());
    Image image(out.get(), o.bias, o.fill);
    for (size_t len; (len = reader.next(line)) > 0;)
        image.line(line, len);
    if (reader.failed())
        return readError(errors);
    if (!image.writeFill())
        return writeError(console);
    if (!reader.rewind())
        return readError(errors);
    for (size_t len; !image.failed() && (len = reader.next(line)) > 0;)
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
