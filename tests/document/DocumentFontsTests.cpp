#include "Telvora/Document/DocumentFonts.h"
#include "Telvora/Document/StyledDocument.h"
#include "TelvoraCore/Support/ResourceBundle.h"

#include <QFontInfo>

#include <gtest/gtest.h>

using namespace telvora;
using namespace Qt::Literals::StringLiterals;

namespace {

// The program registers the fonts at start; the document tests do it once for the process.
class DocumentFontsEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { registered = DocumentFonts::install(AppResources::bundle()); }
    static inline bool registered = false;
};

const auto *const environment = ::testing::AddGlobalTestEnvironment(new DocumentFontsEnvironment);

} // namespace

TEST(DocumentFonts, GeorgiaIsShownInGelasioAndStillCalledGeorgia)
{
    ASSERT_TRUE(DocumentFontsEnvironment::registered);
    const QString text = u"Título\nCorpo do texto"_s;
    const StyledText styled = StyledDocument::attributed(text, false);
    for (const qsizetype position : {qsizetype(0), text.size() - 1}) {
        SCOPED_TRACE(position);
        const QFont font = styled.fontAt(position);
        EXPECT_EQ(font.family(), u"Georgia"_s);
        EXPECT_EQ(QFontInfo(font).family(), u"Gelasio"_s);
    }
}
