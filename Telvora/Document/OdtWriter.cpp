#include "Telvora/Document/OdtWriter.h"

#include "Telvora/Document/DocumentTexts.h"
#include "Telvora/Document/StyledDocument.h"
#include "TelvoraCore/Errors/Error.h"

#include <QBuffer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentWriter>

namespace telvora {

namespace {

// Qt's writer reads only the single-family property and otherwise writes "Sans"; setting it
// keeps the designed name ("Georgia"), as the RTF does.
void nameFontFamilies(QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment piece = fragment.fragment();
            QTextCursor cursor(&document);
            cursor.setPosition(piece.position());
            cursor.setPosition(piece.position() + piece.length(), QTextCursor::KeepAnchor);
            QTextCharFormat named;
            named.setProperty(QTextFormat::FontFamily, piece.charFormat().font().family());
            cursor.mergeCharFormat(named);
        }
    }
}

} // namespace

QByteArray OdtWriter::write(const QString &text)
{
    const std::unique_ptr<QTextDocument> document = StyledDocument::attributed(text, false).toDocument();
    nameFontFamilies(*document);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QTextDocumentWriter writer(&buffer, "odf");
    if (!writer.write(document.get()))
        throw TelvoraError(DocumentTexts::openDocumentFailed.toString());
    return buffer.data();
}

} // namespace telvora
