#include "Telvora/Interface/Console/ControllerView.h"
#include "Telvora/Interface/Console/StatusLine.h"

#include <gtest/gtest.h>

namespace telvora::test {
namespace {

using namespace Qt::Literals::StringLiterals;
using Stage = TranscriptionProgress::Stage;

const QString transcribing = u"Transcrevendo · large-v3-turbo…"_s;

TEST(StatusLine, ComposedLineCases)
{
    const struct
    {
        const char *name;
        std::optional<TranscriptionProgress> progress;
        QString line;
    } cases[]{
        {"no progress: the status alone", std::nullopt, transcribing},
        {"a percentage before any estimate", TranscriptionProgress{Stage::recognition, 0.42, std::nullopt},
         transcribing + u" 42\u00A0%"_s},
        {"percent rounded down, never 100 before the end", TranscriptionProgress{Stage::decoding, 0.999, std::nullopt},
         transcribing + u" 99\u00A0%"_s},
        {"a finished stage", TranscriptionProgress{Stage::diarization, 1, std::nullopt},
         transcribing + u" 100\u00A0%"_s},
        {"minutes, rounded to the nearest", TranscriptionProgress{Stage::recognition, 0.42, 150},
         transcribing + u" 42\u00A0% · cerca de 3\u00A0min"_s},
        {"a minute and a half is about two", TranscriptionProgress{Stage::recognition, 0.1, 90},
         transcribing + u" 10\u00A0% · cerca de 2\u00A0min"_s},
        {"under a minute", TranscriptionProgress{Stage::recognition, 0.9, 59.4},
         transcribing + u" 90\u00A0% · menos de 1\u00A0min"_s},
        {"whole hours", TranscriptionProgress{Stage::recognition, 0.05, 7190},
         transcribing + u" 5\u00A0% · cerca de 2\u00A0h"_s},
        {"hours and minutes", TranscriptionProgress{Stage::diarization, 0.2, 4500},
         transcribing + u" 20\u00A0% · cerca de 1\u00A0h 15\u00A0min"_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StatusLine::compose(transcribing, c.progress), c.line);
    }
}

TEST(StatusLine, APassingMessageDuringATranscriptionIsShownAlone)
{
    const TranscriptionProgress progress{Stage::recognition, 0.42, 150};
    EXPECT_EQ(StatusLine::compose(u"Copiado"_s, progress), u"Copiado"_s);
    EXPECT_EQ(ControllerView::statusDisplayText(u"Copiado"_s, progress), u"COPIADO"_s);
    EXPECT_TRUE(ControllerView::statusDisplayText(transcribing, progress).endsWith(u"\n42\u00A0%"_s));
}

} // namespace
} // namespace telvora::test
