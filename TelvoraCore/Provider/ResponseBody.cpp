#include "TelvoraCore/Provider/ResponseBody.h"

#include <zlib.h>

#include <algorithm>

namespace telvora::ResponseBody {

namespace {

constexpr qsizetype outputStep = 64 * 1024;
// zlib's window bits: 15, plus 32 to accept both the gzip and the zlib wrapper.
constexpr int wrappedWindow = 15 + 32;
// Some servers send "deflate" without the zlib wrapper the name promises.
constexpr int rawWindow = -15;

Decoded inflateAll(const QByteArray &body, int windowBits, qsizetype limit)
{
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return {Outcome::Corrupt, {}};
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.constData()));
    stream.avail_in = uInt(body.size());

    Decoded decoded;
    for (;;) {
        if (decoded.data.size() - qsizetype(stream.total_out) < outputStep) {
            if (decoded.data.size() >= limit + 1) {
                decoded.outcome = Outcome::TooLarge;
                break;
            }
            decoded.data.resize(std::min(decoded.data.size() + outputStep, limit + 1));
        }
        const qsizetype written = qsizetype(stream.total_out);
        stream.next_out = reinterpret_cast<Bytef *>(decoded.data.data() + written);
        stream.avail_out = uInt(decoded.data.size() - written);
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (qsizetype(stream.total_out) > limit) {
            decoded.outcome = Outcome::TooLarge;
            break;
        }
        if (status == Z_STREAM_END) {
            // A gzip body may hold several members one after the other.
            if (stream.avail_in > 0 && windowBits == wrappedWindow) {
                const uLong total = stream.total_out;
                inflateReset(&stream);
                stream.total_out = total;
                continue;
            }
            break;
        }
        if (status == Z_BUF_ERROR && stream.avail_in == 0) {
            decoded.outcome = Outcome::CutShort;
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            decoded.outcome = Outcome::Corrupt;
            break;
        }
    }
    decoded.data.truncate(qsizetype(stream.total_out));
    inflateEnd(&stream);
    if (decoded.outcome != Outcome::Complete)
        decoded.data.clear();
    return decoded;
}

} // namespace

Decoded decode(QByteArrayView contentEncoding, const QByteArray &body, qsizetype limit)
{
    const QByteArray coding = contentEncoding.trimmed().toByteArray().toLower();
    if (coding.isEmpty() || coding == "identity" || body.isEmpty()) {
        if (body.size() > limit)
            return {Outcome::TooLarge, {}};
        return {Outcome::Complete, body};
    }
    if (coding == "gzip" || coding == "x-gzip")
        return inflateAll(body, wrappedWindow, limit);
    if (coding == "deflate") {
        Decoded wrapped = inflateAll(body, wrappedWindow, limit);
        return wrapped.outcome == Outcome::Corrupt ? inflateAll(body, rawWindow, limit) : wrapped;
    }
    return {Outcome::Unsupported, {}};
}

} // namespace telvora::ResponseBody
