#include "Telvora/Document/CodePageDecoder.h"

#include <QtEndian>

#include <array>
#include <cerrno>

#include <iconv.h>

namespace telvora {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80–0x9F; its five unassigned bytes keep
// their C1 control values, as Windows itself maps them.
constexpr std::array<char16_t, 32> windows1252High{0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void decodeWindows1252(const QByteArray &bytes, QString &out)
{
    for (char byte : bytes) {
        const auto value = uchar(byte);
        out += QChar(value >= 0x80 && value < 0xA0 ? windows1252High[value - 0x80] : char16_t(value));
    }
}

QByteArray iconvName(int codePage)
{
    if (codePage == 10000)
        return "MACINTOSH";
    return "CP" + QByteArray::number(codePage);
}

} // namespace

struct CodePageDecoder::Converter
{
    iconv_t handle = iconv_t(-1);
    ~Converter()
    {
        if (handle != iconv_t(-1))
            iconv_close(handle);
    }
};

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

CodePageDecoder::Converter *CodePageDecoder::converter(int codePage)
{
    auto found = m_converters.constFind(codePage);
    if (found != m_converters.constEnd())
        return found->get();
    auto converter = std::make_shared<Converter>();
    converter->handle = iconv_open("UTF-16LE", iconvName(codePage).constData());
    m_converters.insert(codePage, converter);
    return converter.get();
}

void CodePageDecoder::decode(int codePage, const QByteArray &bytes, QString &out)
{
    Converter *conv = codePage == 1252 ? nullptr : converter(codePage);
    if (!conv || conv->handle == iconv_t(-1)) {
        decodeWindows1252(bytes, out);
        return;
    }
    iconv(conv->handle, nullptr, nullptr, nullptr, nullptr);
    QByteArray input = bytes;
    char *in = input.data();
    size_t inLeft = size_t(input.size());
    std::array<char, 1024> buffer;
    while (inLeft > 0) {
        char *outAt = buffer.data();
        size_t outLeft = buffer.size();
        const size_t result = iconv(conv->handle, &in, &inLeft, &outAt, &outLeft);
        const int error = errno;
        for (const char *unit = buffer.data(); unit + 1 < outAt; unit += 2)
            out += QChar(qFromLittleEndian<quint16>(unit));
        if (result == size_t(-1) && error != E2BIG) {
            // An invalid or truncated sequence: one replacement, then carry on after the byte.
            out += QChar(QChar::ReplacementCharacter);
            ++in;
            --inLeft;
            iconv(conv->handle, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

} // namespace telvora
