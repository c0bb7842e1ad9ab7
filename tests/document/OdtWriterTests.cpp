#include "Telvora/Document/OdtWriter.h"
#include "Telvora/Session/ExampleDocument.h"

#include "tests/support/ProgramOutput.h"

#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace telvora;
using namespace telvora::test;
using namespace Qt::Literals::StringLiterals;

namespace {

int little16(const QByteArray &bytes, qsizetype at) { return int(uchar(bytes[at])) | int(uchar(bytes[at + 1])) << 8; }

} // namespace

TEST(OdtWriter, WritesAValidPackageWithTheDocumentsTextAndTypography)
{
    const QString text = ExampleDocument::outputText();
    const QByteArray package = OdtWriter::write(text);

    // The first entry is "mimetype", stored uncompressed, so that tools can sniff the type.
    const QByteArray mimeType = "application/vnd.oasis.opendocument.text";
    ASSERT_GT(package.size(), 30 + 8 + mimeType.size());
    EXPECT_TRUE(package.startsWith("PK\x03\x04"));
    EXPECT_EQ(little16(package, 8), 0) << "stored, not deflated";
    ASSERT_EQ(little16(package, 26), 8);
    EXPECT_EQ(package.mid(30, 8), "mimetype");
    EXPECT_EQ(package.mid(30 + 8 + little16(package, 28), mimeType.size()), mimeType);

    QTemporaryDir folder;
    const QString path = folder.filePath(u"documento.odt"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(package) == package.size());
    file.close();

    const QByteArray content = programOutput(u"unzip"_s, {u"-p"_s, path, u"content.xml"_s});
    QXmlStreamReader xml(content);
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_TRUE(content.contains("fo:font-family=\"Georgia\"")) << "named like the RTF, whatever stands in for it";
    EXPECT_TRUE(content.contains("fo:font-size=\"32pt\"")) << "the title";
    EXPECT_TRUE(content.contains("fo:font-size=\"24pt\"")) << "the section headings";
    EXPECT_TRUE(content.contains("fo:font-size=\"18pt\"")) << "the body";

    // An independent reader gets the same text back.
    const QString readBack = QString::fromUtf8(programOutput(u"odt2txt"_s, {u"--encoding=UTF-8"_s, path}));
    EXPECT_EQ(readBack.simplified(), text.simplified());
}
