#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace telvora::ResponseBody {

/// What became of a body received as sent on the wire.
enum class Outcome {
    Complete,    // `data` holds the whole body
    CutShort,    // the compressed stream ended before its end marker
    TooLarge,    // the decoded body would pass the limit
    Unsupported, // a content coding the client never asked for
    Corrupt,     // not a valid stream of its coding
};

struct Decoded
{
    Outcome outcome = Outcome::Complete;
    QByteArray data;
};

/// The body decoded from its Content-Encoding ("gzip", "x-gzip", "deflate" or none),
/// refusing to grow past `limit` bytes. Compressed streams must reach their end marker:
/// that is how a body cut short inside the stream is told from a whole one.
Decoded decode(QByteArrayView contentEncoding, const QByteArray &body, qsizetype limit);

} // namespace telvora::ResponseBody
