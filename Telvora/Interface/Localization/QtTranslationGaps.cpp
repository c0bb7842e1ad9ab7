#include "Telvora/Interface/Localization/QtTranslationGaps.h"

#include <array>
#include <cstring>

namespace telvora {

namespace {

struct Gap
{
    const char *context;
    const char *source;
    const char16_t *translation;
};

// Qt 6 moved the file type names to a context its translation does not have yet.
constexpr std::array<Gap, 5> gaps{{
    {"QAbstractFileIconProvider", "Folder", u"Pasta"},
    {"QAbstractFileIconProvider", "Drive", u"Unidade"},
    {"QAbstractFileIconProvider", "Shortcut", u"Atalho"},
    {"QAbstractFileIconProvider", "File", u"Arquivo"},
    {"QAbstractFileIconProvider", "%1 File", u"Arquivo %1"},
}};

} // namespace

QString QtTranslationGaps::translate(const char *context, const char *sourceText, const char *, int) const
{
    if (!context || !sourceText)
        return {};
    for (const Gap &gap : gaps) {
        if (std::strcmp(gap.context, context) == 0 && std::strcmp(gap.source, sourceText) == 0)
            return QString::fromUtf16(gap.translation);
    }
    return {};
}

} // namespace telvora
