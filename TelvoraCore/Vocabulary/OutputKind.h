#pragma once

#include "TelvoraCore/Vocabulary/TitledEnumeration.h"

namespace telvora {

enum class OutputKindCase { summary, synopsis, literary, instructional, quintara };

/// The kinds of editorial document, titled in Portuguese.
class OutputKind : public TitledEnumeration<OutputKind, OutputKindCase, 5>
{
public:
    using enum OutputKindCase;
    using TitledEnumeration::TitledEnumeration;

    static constexpr std::array<QStringView, 5> titles{u"Resumo", u"Sinopse", u"Literária", u"Instrucional",
                                                       u"Quintara"};

    /// The editorial sentence for this kind.
    QString instruction() const;
};

} // namespace telvora
