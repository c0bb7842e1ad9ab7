#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

namespace telvora {

/// Decodes the 8-bit text of RTF documents by Windows code page number. Windows-1252 is
/// built in; other code pages go through the C library's iconv, and an unknown one is
/// read as Windows-1252. One decoder is used by one thread at a time.
class CodePageDecoder
{
public:
    CodePageDecoder();
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder &) = delete;
    CodePageDecoder &operator=(const CodePageDecoder &) = delete;

    /// Appends the characters of `bytes` to `out`; undecodable bytes become U+FFFD.
    void decode(int codePage, const QByteArray &bytes, QString &out);

private:
    struct Converter;
    Converter *converter(int codePage);

    QHash<int, std::shared_ptr<Converter>> m_converters;
};

} // namespace telvora
