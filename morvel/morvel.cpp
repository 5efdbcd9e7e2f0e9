// morvel: a binary file to Intel hex data records of 16 bytes and one end record.
// The input is read in chunks of 16 bytes; only one record's text exists at a time.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MORVEL_HEX16 1
#endif

namespace {

const char kUsage[] =
    "morvel bin_input_file Intel_hex_output_file [-oHex_offset] [-0] \n"
    "Normally uses intel EOF \xC4\xC4 :01000001FF\n"
    "-0     Use barbaric 0-length EOF record \xC4\xC4 :0000000000\n"
    "-1     Use another (prompro?) \xC4\xC4 :00000001FF\n"
    "Mar 12 2007 (win32)";

enum Status { kDone = 0, kFileError = 3, kUsageStatus = 7 };

constexpr size_t kChunk = 16;
constexpr size_t kStreamBuffer = 64 * 1024;

// Both streams belong to this one thread: no locking per call. mingw's default msvcrt
// runtime does not declare the unlocked calls, so it takes the plain ones.
#if defined(_MSC_VER) || (defined(__MSVCRT_VERSION__) && __MSVCRT_VERSION__ >= 0x800)
inline size_t readChunk(void *to, size_t n, FILE *f) { return _fread_nolock(to, 1, n, f); }
inline size_t writeText(const void *from, size_t n, FILE *f) { return _fwrite_nolock(from, 1, n, f); }
#elif defined(__GLIBC__)
inline size_t readChunk(void *to, size_t n, FILE *f) { return fread_unlocked(to, 1, n, f); }
inline size_t writeText(const void *from, size_t n, FILE *f) { return fwrite_unlocked(from, 1, n, f); }
#else
inline size_t readChunk(void *to, size_t n, FILE *f) { return std::fread(to, 1, n, f); }
inline size_t writeText(const void *from, size_t n, FILE *f) { return std::fwrite(from, 1, n, f); }
#endif

struct HexPairs {
    char text[512];
    constexpr HexPairs() : text()
    {
        const char digits[] = "0123456789ABCDEF";
        for (int b = 0; b < 256; ++b) {
            text[2 * b] = digits[b >> 4];
            text[2 * b + 1] = digits[b & 15];
        }
    }
};
constexpr HexPairs kPairs;

// Each writer also adds the bytes it wrote to `sum`.
inline char *hex1(char *q, unsigned byte, unsigned &sum)
{
    std::memcpy(q, kPairs.text + 2 * byte, 2);
    sum += byte;
    return q + 2;
}

// Four bytes to eight digits at once: every nibble gets a byte lane of its own and is
// turned into its digit in all lanes together.
inline char *hex4(char *q, const unsigned char *b, unsigned &sum)
{
    uint64_t t = uint64_t(b[0]) | uint64_t(b[1]) << 16 | uint64_t(b[2]) << 32 | uint64_t(b[3]) << 48;
    sum += unsigned(t * 0x0001000100010001ull >> 48);
    uint64_t v = (t >> 4 & 0x000F000F000F000Full) | (t & 0x000F000F000F000Full) << 8;
    v += 0x3030303030303030ull + 7 * ((v + 0x0606060606060606ull) >> 4 & 0x0101010101010101ull);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    std::memcpy(q, &v, 8); // the first digit in the lowest byte
    return q + 8;
}

// Option values: digits up to the first non-digit; 32-bit arithmetic keeps the last eight.
uint32_t hexValue(const char *s)
{
    uint32_t v = 0;
    for (;; ++s) {
        char c = *s;
        uint32_t d = c >= '0' && c <= '9' ? uint32_t(c - '0')
                   : c >= 'a' && c <= 'f' ? uint32_t(c - 'a' + 10)
                   : c >= 'A' && c <= 'F' ? uint32_t(c - 'A' + 10)
                                          : 16;
        if (d == 16)
            return v;
        v = v * 16 + d;
    }
}

class File {
public:
    File() = default;
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    ~File() { close(); }
    bool open(const char *path, const char *mode)
    {
        f_ = std::fopen(path, mode);
        if (f_)
            std::setvbuf(f_, buffer_, _IOFBF, sizeof buffer_);
        return f_ != nullptr;
    }
    FILE *get() const { return f_; }
    explicit operator bool() const { return f_ != nullptr; }
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
    char buffer_[kStreamBuffer];
};

#ifdef MORVEL_HEX16
// Sixteen bytes to 32 digits in one go, the same lanes trick with 16 lanes a step.
inline char *hex16(char *q, const unsigned char *b, unsigned &sum)
{
    const __m128i nibble = _mm_set1_epi8(0x0F);
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b));
    __m128i high = _mm_and_si128(_mm_srli_epi16(v, 4), nibble);
    __m128i low = _mm_and_si128(v, nibble);
    auto digits = [](__m128i x) {
        __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(9)), _mm_set1_epi8(7));
        return _mm_add_epi8(_mm_add_epi8(x, _mm_set1_epi8('0')), letter);
    };
    _mm_storeu_si128(reinterpret_cast<__m128i *>(q), digits(_mm_unpacklo_epi8(high, low)));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(q + 16), digits(_mm_unpackhi_epi8(high, low)));
    __m128i halves = _mm_sad_epu8(v, _mm_setzero_si128());
    sum += unsigned(_mm_cvtsi128_si32(halves) + _mm_cvtsi128_si32(_mm_srli_si128(halves, 8)));
    return q + 32;
}
#endif

// The text of one record, CR LF and a terminating zero included; reused while it is large enough.
class RecordText {
public:
    RecordText() = default;
    RecordText(const RecordText &) = delete;
    RecordText &operator=(const RecordText &) = delete;
    ~RecordText() { std::free(text_); }

    // Builds the data record of `n` bytes at `address`; null when no memory was to be had.
    const char *build(const unsigned char *data, size_t n, uint32_t address, size_t &length)
    {
        size_t need = 2 * n + 14;
        if (need > size_) {
            std::free(text_);
            size_ = 0;
            text_ = static_cast<char *>(std::malloc(need));
            if (!text_)
                return nullptr;
            size_ = need;
        }
        const unsigned char head[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(address >> 8),
                                       static_cast<unsigned char>(address), 0};
        unsigned sum = 0;
        char *q = text_;
        *q++ = ':';
        q = hex4(q, head, sum);
        size_t i = 0;
#ifdef MORVEL_HEX16
        if (n == 16) {
            q = hex16(q, data, sum);
            i = n;
        }
#endif
        for (; i + 4 <= n; i += 4)
            q = hex4(q, data + i, sum);
        for (; i < n; ++i)
            q = hex1(q, data[i], sum);
        unsigned checksum = (0u - sum) & 0xFF;
        q = hex1(q, checksum, sum);
        *q++ = '\r';
        *q++ = '\n';
        *q = '\0';
        length = size_t(q - text_);
        return text_;
    }

private:
    char *text_ = nullptr;
    size_t size_ = 0;
};

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

int usage(FILE *errors)
{
    std::fputs(kUsage, errors);
    return kUsageStatus;
}

int cannotOpen(FILE *errors, const char *path, const char *mode)
{
    std::fprintf(errors, "couldn't open %s for %s.", path, mode);
    return kFileError;
}

int convert(FILE *in, File &out, uint32_t address, const char *endRecord, FILE *errors)
{
    RecordText record;
    unsigned char chunk[kChunk];
    size_t n;
    do {
        n = readChunk(chunk, kChunk, in);
        if (n < kChunk && std::ferror(in)) {
            std::fputs("error reading input file\n", errors);
            return kFileError;
        }
        if (n > 0) {
            size_t length = 0;
            const char *text = record.build(chunk, n, address, length);
            if (!text) {
                std::fputs("ran out of memory.", errors);
                return kUsageStatus;
            }
            if (writeText(text, length, out.get()) != length)
                break;
        }
        address += uint32_t(n);
    } while (n == kChunk);
    bool written = !std::ferror(out.get()) && std::fputs(endRecord, out.get()) >= 0
                   && std::fputs("\r\n", out.get()) >= 0;
    if (!out.close() || !written) {
        std::fputs("error writing output file\n", errors);
        return kFileError;
    }
    return kDone;
}

// The whole program; `errors` stands for standard error, where every message goes.
int runMorvel(int argc, char *argv[], FILE *errors)
{
    if (argc < 3)
        return usage(errors);
    bool zeroLengthEnd = false, alternativeEnd = false;
    uint32_t address = 0;
    File in, out;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (a[0] == '-') {
            switch (a[1]) {
            case '0': zeroLengthEnd = true; break;
            case '1': alternativeEnd = true; break;
            case 'o': address = hexValue(a + 2); break;
            default: return usage(errors);
            }
        } else if (!in) {
            if (!in.open(a, "rb"))
                return cannotOpen(errors, a, "rb");
        } else if (!out) {
            // CR LF is written explicitly, so the stream itself stays binary.
            if (isOpenFile(in.get(), a) || !out.open(a, "wb"))
                return cannotOpen(errors, a, "w");
        } else {
            return usage(errors);
        }
    }
    if (!in || !out)
        return usage(errors);
    const char *endRecord = zeroLengthEnd ? ":0000000000" : alternativeEnd ? ":00000001FF" : ":01000001FF";
    return convert(in.get(), out, address, endRecord, errors);
}

} // namespace

int main(int argc, char *argv[]) { return runMorvel(argc, argv, stderr); }
